#include "selection.h"

#include <QHash>

namespace selection {

namespace {

struct Row
{
    const char *button;
    const char *code;
    const char *caption;
    const char *movie;
    const char *manual;
};

// Level rows first, then years: the order the activation reads them in.
constexpr Row kRows[] = {
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

const Row *rowFor(const QString &button)
{
    for (const Row &row : kRows) {
        if (button == QLatin1String(row.button))
            return &row;
    }
    return nullptr;
}

} // namespace

Choice choiceFor(const QString &button)
{
    const Row *row = rowFor(button);
    if (!row)
        return {};
    return {QString::fromUtf8(row->code), QString::fromUtf8(row->caption),
            QString::fromUtf8(row->movie)};
}

bool isLevelCode(const QString &seriesCode)
{
    return seriesCode == QLatin1String("N1") || seriesCode == QLatin1String("N2")
        || seriesCode == QLatin1String("N3");
}

QString previewMovieFor(const QString &seriesCode)
{
    if (isLevelCode(seriesCode))
        return QLatin1Char('n') + seriesCode.mid(1) + QStringLiteral(".swf");
    return seriesCode.left(1) + QStringLiteral("ano.swf");
}

QString manualFor(const QString &button)
{
    const Row *row = rowFor(button);
    return row ? QString::fromUtf8(row->manual) : QString();
}

} // namespace selection
