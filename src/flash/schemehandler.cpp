#include "schemehandler.h"

#include "movieheader.h"
#include "treefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QWebEngineUrlRequestJob>

#include <cstdint>
#include <limits>

namespace {

QByteArray mimeTypeFor(const QString &name)
{
    if (name.endsWith(QLatin1String(".js"), Qt::CaseInsensitive))
        return QByteArrayLiteral("text/javascript");
    if (name.endsWith(QLatin1String(".wasm"), Qt::CaseInsensitive))
        return QByteArrayLiteral("application/wasm");
    if (name.endsWith(QLatin1String(".html"), Qt::CaseInsensitive))
        return QByteArrayLiteral("text/html");
    if (name.endsWith(QLatin1String(".swf"), Qt::CaseInsensitive))
        return QByteArrayLiteral("application/x-shockwave-flash");
    return QByteArrayLiteral("application/octet-stream");
}

// Splits a decoded path into its components, refusing anything that could
// name a place outside the root: dot components, empty components,
// backslashes and NULs. Encoded separators are refused before decoding.
bool safeComponents(const QString &encoded, QStringList *components)
{
    const QString lower = encoded.toLower();
    if (lower.contains(QLatin1String("%2f")) || lower.contains(QLatin1String("%5c"))
        || lower.contains(QLatin1String("%00")) || lower.contains(QLatin1String("%25")))
        return false;
    const QString decoded = QUrl::fromPercentEncoding(encoded.toUtf8());
    if (decoded.contains(QLatin1Char('\\')) || decoded.contains(QChar(0)))
        return false;
    const QStringList parts = decoded.split(QLatin1Char('/'));
    for (const QString &part : parts) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    }
    *components = parts;
    return true;
}

// Files of the disk are opened without blocking and taken only when still
// regular files, should a FIFO have taken a movie's place since the look.
bool openForReply(QFile *file, bool compiledIn)
{
    if (compiledIn)
        return file->open(QIODevice::ReadOnly);
    content::RegularFile regular(file->fileName(), std::numeric_limits<std::int64_t>::max());
    return regular.isOpen() && file->open(regular.release(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
}

} // namespace

FlashSchemeHandler::FlashSchemeHandler(const QString &engineDirectory, QObject *parent)
    : QWebEngineUrlSchemeHandler(parent), m_engineDirectory(engineDirectory)
{
}

void FlashSchemeHandler::setContentRoot(const QString &localDirectory)
{
    m_contentRoot = localDirectory;
}

FlashSchemeHandler::Resolved FlashSchemeHandler::resolve(const QString &encodedPath) const
{
    static const QLatin1String enginePrefix("/engine/");
    static const QLatin1String contentPrefix("/content/");
    Resolved result;
    QStringList components;
    if (encodedPath.startsWith(enginePrefix)) {
        if (!safeComponents(encodedPath.mid(enginePrefix.size()), &components)
            || components.size() != 1)
            return result;
        const QString &name = components.first();
        static const QStringList compiledIn = {QStringLiteral("host.html"), QStringLiteral("host.js"),
                                               QStringLiteral("host-config.js"), QStringLiteral("slot.html"),
                                               QStringLiteral("slot.js")};
        if (compiledIn.contains(name)) {
            result.resource = QStringLiteral(":/flash/") + name;
        } else if (name == QLatin1String("qwebchannel.js")) {
            result.resource = QStringLiteral(":/qtwebchannel/qwebchannel.js");
        } else {
            const QString path = m_engineDirectory + QLatin1Char('/') + name;
            if (!QFileInfo(path).isFile() || !content::isInsideTree(path, m_engineDirectory))
                return result;
            result.localPath = path;
        }
        result.mimeType = mimeTypeFor(name);
        return result;
    }
    if (encodedPath.startsWith(contentPrefix) && !m_contentRoot.isEmpty()) {
        if (!safeComponents(encodedPath.mid(contentPrefix.size()), &components))
            return result;
        const QString path = m_contentRoot + QLatin1Char('/') + components.join(QLatin1Char('/'));
        // Movies only, and only those a player may take: a movie loading
        // another file of the tree gets no more than the program would give.
        if (!QFileInfo(path).isFile() || !content::isInsideTree(path, m_contentRoot)
            || content::checkMovieHeader(path) != content::MovieCheck::Playable)
            return result;
        result.localPath = path;
        result.mimeType = mimeTypeFor(path);
    }
    return result;
}

void FlashSchemeHandler::requestStarted(QWebEngineUrlRequestJob *job)
{
    const QUrl url = job->requestUrl();
    if (job->requestMethod() != QByteArrayLiteral("GET")
        || url.host() != QLatin1String("menu")) {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    const Resolved target = resolve(url.path(QUrl::FullyEncoded));
    const QString source = target.resource.isEmpty() ? target.localPath : target.resource;
    if (source.isEmpty()) {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    // The job owns the reply's device; the engine reads it as it goes, so
    // the 14 MB of the engine's WebAssembly are never held here whole.
    auto *file = new QFile(source, job);
    if (!openForReply(file, !target.resource.isEmpty())) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    job->reply(target.mimeType, file);
}
