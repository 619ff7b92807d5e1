#include "fonts.h"

#include <QFont>
#include <QStringList>

#include <fontconfig/fontconfig.h>

namespace {

const struct
{
    const char *face;
    QStringList substitutes;
} kSubstitutes[] = {
    {"MS Sans Serif", {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")}},
    {"Tahoma", {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")}},
    {"Sylfaen", {QStringLiteral("DejaVu Serif"), QStringLiteral("Liberation Serif")}},
    {"Arial Black", {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")}},
    {"Arial", {QStringLiteral("Liberation Sans")}},
};

} // namespace

void installFontSubstitutes()
{
    for (const auto &substitute : kSubstitutes)
        QFont::insertSubstitutions(QString::fromLatin1(substitute.face), substitute.substitutes);
}

void preloadFontConfiguration()
{
    FcInit();
}
