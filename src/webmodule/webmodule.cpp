#include "webmodule.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>

#include <cstdio>

namespace {

WebModule *s_module = nullptr;
bool s_tried = false;
QString s_error;

} // namespace

QStringList WebModule::searchPath()
{
    const QString programDirectory = QCoreApplication::applicationDirPath();
    const QString name = QStringLiteral("/libapostilas_web.so");
    return {programDirectory + name, programDirectory + QStringLiteral("/../lib/apostilas") + name};
}

QString WebModule::libraryFile()
{
    for (const QString &candidate : searchPath()) {
        if (QFileInfo(candidate).isFile())
            return QFileInfo(candidate).canonicalFilePath();
    }
    return QString();
}

WebModule *WebModule::loaded()
{
    return s_module;
}

QString WebModule::loadError()
{
    return s_error;
}

WebModule *WebModule::instance()
{
    if (s_module || s_tried)
        return s_module;
    s_tried = true;
    const QString file = libraryFile();
    if (file.isEmpty()) {
        s_error = QStringLiteral("falta o arquivo %1").arg(searchPath().first());
    } else {
        // Never unloaded: the web engine's own libraries cannot be.
        QLibrary library(file);
        library.setLoadHints(QLibrary::PreventUnloadHint);
        const auto entry = reinterpret_cast<WebModuleEntry>(library.resolve(APOSTILAS_WEB_MODULE_ENTRY));
        if (entry)
            s_module = entry();
        else
            s_error = library.errorString();
    }
    if (!s_module)
        std::fprintf(stderr, "%s\n", qPrintable(s_error));
    return s_module;
}
