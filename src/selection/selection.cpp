#include "selection.h"

namespace selection {

namespace {

const Row *rowNamed(const QString &button)
{
    const QByteArray name = button.toLatin1();
    return rowFor(std::string_view(name.constData(), std::size_t(name.size())));
}

} // namespace

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
    const Row *row = rowNamed(button);
    return row ? QString::fromUtf8(row->manual) : QString();
}

} // namespace selection
