#pragma once

// The fixed tables of the menu: what each year and level button selects,
// the preview movie of a series code and the manual of each button.
//
// MENU_SELECTORS is the one list of the 14 year and level buttons. The
// window declares, defines and wires each button's handler (rb1aClick …
// rbn33Click) from it, and the list, the form and the rows below are checked
// against each other when the program is compiled: a button missing from the
// form, a handler without a row or a misspelt name does not build.

#include <QString>

#include <string_view>

#define MENU_SELECTORS(X)                                                                          \
    X(rb1a) X(rb2a) X(rb3a) X(rb4a) X(rb5a)                                                        \
    X(rbn11) X(rbn12) X(rbn13) X(rbn21) X(rbn22) X(rbn23) X(rbn31) X(rbn32) X(rbn33)

namespace selection {

struct Row
{
    std::string_view button;
    const char *code;     // "1S" … "5S", "N1" … "N3"
    const char *caption;  // shown under the preview
    const char *movie;    // preview, a file name in the configuration directory
    const char *manual;   // relative to the base directory
};

// Level rows first, then years: the order the activation reads them in.
// Where two level buttons share a manual (rbn22 and rbn23, rbn32 and
// rbn33) the collection has one manual for both.
inline constexpr Row kRows[] = {
    {"rbn11", "N1", "Nível I", "n1.swf", "\\manuais\\n1_1.PDF"},
    {"rbn12", "N1", "Nível I", "n1.swf", "\\manuais\\n1_2.PDF"},
    {"rbn13", "N1", "Nível I", "n1.swf", "\\manuais\\n1_3.PDF"},
    {"rbn21", "N2", "Nível II", "n2.swf", "\\manuais\\n2_1.PDF"},
    {"rbn22", "N2", "Nível II", "n2.swf", "\\manuais\\n2_2.PDF"},
    {"rbn23", "N2", "Nível II", "n2.swf", "\\manuais\\n2_2.PDF"},
    {"rbn31", "N3", "Nível III", "n3.swf", "\\manuais\\n3_1.PDF"},
    {"rbn32", "N3", "Nível III", "n3.swf", "\\manuais\\n3_2.PDF"},
    {"rbn33", "N3", "Nível III", "n3.swf", "\\manuais\\n3_2.PDF"},
    {"rb1a", "1S", "1º Ano", "1ano.swf", "\\manuais\\1ano.PDF"},
    {"rb2a", "2S", "2º Ano", "2ano.swf", "\\manuais\\2ano.PDF"},
    {"rb3a", "3S", "3º Ano", "3ano.swf", "\\manuais\\3ano.PDF"},
    {"rb4a", "4S", "4º Ano", "4ano.swf", "\\manuais\\4ano.PDF"},
    {"rb5a", "5S", "5º Ano", "5ano.swf", "\\manuais\\5ano.PDF"},
};

// The row of a button, by its name; checked while compiling where the name
// is a constant.
constexpr const Row *rowFor(std::string_view button)
{
    for (const Row &row : kRows) {
        if (row.button == button)
            return &row;
    }
    return nullptr;
}

// The preview of a series code: a year code plays its digit + "ano.swf", a
// level code its level's movie "n1.swf" … "n3.swf", the empty code "ano.swf".
QString previewMovieFor(const QString &seriesCode);

// The manual a checked button selects, relative to the base directory, or an
// empty text for a button that selects none.
QString manualFor(const QString &button);

bool isLevelCode(const QString &seriesCode);

} // namespace selection
