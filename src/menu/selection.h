#pragma once

// The fixed tables of the menu: what each year and level button selects,
// the preview movie of a series code and the manual of each button.

#include <QString>

namespace selection {

struct Choice
{
    QString seriesCode;     // "1S" … "5S", "N1" … "N3"
    QString caption;        // shown under the preview
    QString previewMovie;   // file name in the configuration directory
};

// The year buttons rb1a … rb5a and the level buttons rbn11 … rbn33.
Choice choiceFor(const QString &button);

// The preview of a series code: a year code plays its digit + "ano.swf", a
// level code its level's movie "n1.swf" … "n3.swf", the empty code "ano.swf".
QString previewMovieFor(const QString &seriesCode);

// The manual a checked button selects, relative to the base directory, or an
// empty text for a button that selects none.
QString manualFor(const QString &button);

bool isLevelCode(const QString &seriesCode);

} // namespace selection
