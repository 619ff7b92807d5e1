#include "treenames.h"

namespace treenames {

QString introManual(int year)
{
    return QStringLiteral("\\manuais\\") + QString::number(year) + QStringLiteral("ano_intro.PDF");
}

QString introSeriesCode(int year)
{
    return QString::number(year) + QLatin1Char('S');
}

QString introCaption(int year)
{
    return QString::number(year) + QStringLiteral("º Ano");
}

} // namespace treenames
