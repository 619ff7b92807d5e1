#include "translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace content {

QStringList installPortugueseTranslations()
{
    const QLocale portuguese(QLocale::Portuguese, QLocale::Brazil);
    QLocale::setDefault(portuguese);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    QStringList installed;
    // The web engine's catalogue is not shipped for Portuguese everywhere;
    // it is taken where it is.
    for (const QString &catalogue : {QStringLiteral("qtbase"), QStringLiteral("qtwebengine")}) {
        auto *translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(portuguese, catalogue, QStringLiteral("_"), folder)
            && QCoreApplication::installTranslator(translator))
            installed << catalogue;
        else
            delete translator;
    }
    return installed;
}

} // namespace content
