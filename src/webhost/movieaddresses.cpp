#include "movieaddresses.h"

#include "contentpath.h"
#include "movieheader.h"
#include "treefile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

#include <cstdint>
#include <limits>

namespace movies {

namespace {

// Constant-initialised: the scheme is registered from a static constructor.
constexpr char kScheme[] = "swfhost";
constexpr QLatin1String kHost("menu");
constexpr QLatin1String kEnginePath("/engine/");
constexpr QLatin1String kContentPath("/content/");
// The host pages and scripts are compiled into the library; the pages are
// templates in which {players} stands for the scheme's root address and
// {engine} for the engine's.
const QByteArray kRootPlaceholder = QByteArrayLiteral("{players}");
const QByteArray kEnginePlaceholder = QByteArrayLiteral("{engine}");
// pages.qrc's prefix.
constexpr QLatin1String kPagesResource(":/players/");

QString rootAddress()
{
    return QLatin1String(kScheme) + QStringLiteral("://") + kHost;
}

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

QString &treeRoot()
{
    static QString root;
    return root;
}

} // namespace

void setTreeRoot(const QString &root)
{
    treeRoot() = root;
}

void registerScheme()
{
    QWebEngineUrlScheme scheme{QByteArray(kScheme)};
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    // Its pages' own content security policy applies: no inline script, no
    // network.
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}

QByteArray scheme()
{
    return QByteArray(kScheme);
}

bool isPlayersAddress(const QUrl &url)
{
    return url.scheme() == QLatin1String(kScheme);
}

QUrl hostPageUrl()
{
    return QUrl(rootAddress() + kEnginePath + QStringLiteral("host.html"));
}

QUrl stagePageUrl(const QString &token)
{
    return QUrl(rootAddress() + kEnginePath + QStringLiteral("stage.html#") + token);
}

QString stageToken(const QUrl &url)
{
    QUrl page = url;
    page.setFragment(QString());
    if (page != stagePageUrl(QString()).adjusted(QUrl::RemoveFragment) || !url.hasFragment())
        return QString();
    return url.fragment();
}

QString playableFile(const QString &movieFile)
{
    const QString root = treeRoot();
    return root.isEmpty() ? QString() : content::playableMovie(movieFile, root);
}

QUrl addressOf(const QString &movieFile)
{
    const QString root = treeRoot();
    const QString canonical = playableFile(movieFile);
    if (canonical.isEmpty())
        return QUrl();
    const QStringList components = canonical.mid(root.size() + 1).split(QLatin1Char('/'));
    QString encoded = rootAddress() + kContentPath;
    encoded.chop(1);
    for (const QString &component : components)
        encoded += QLatin1Char('/') + QString::fromLatin1(QUrl::toPercentEncoding(component));
    return QUrl(encoded, QUrl::StrictMode);
}

SchemeHandler::SchemeHandler(const QString &engineDirectory, QObject *parent)
    : QWebEngineUrlSchemeHandler(parent), m_engineDirectory(engineDirectory)
{
}

SchemeHandler::Resolved SchemeHandler::resolve(const QString &encodedPath) const
{
    Resolved result;
    QStringList components;
    if (encodedPath.startsWith(kEnginePath)) {
        if (!safeComponents(encodedPath.mid(kEnginePath.size()), &components) || components.size() != 1)
            return result;
        const QString &name = components.first();
        // The pages are whatever pages.qrc compiles in under its prefix.
        const QString page = QLatin1String(kPagesResource) + name;
        if (QFileInfo(page).isFile()) {
            result.resource = page;
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
    if (encodedPath.startsWith(kContentPath)) {
        if (!safeComponents(encodedPath.mid(kContentPath.size()), &components))
            return result;
        // Movies only, and only those a player may take: a movie loading
        // another file of the tree gets no more than the program would give.
        const QString root = treeRoot();
        if (root.isEmpty())
            return result;
        const QString path = content::playableMovie(root + QLatin1Char('/') + components.join(QLatin1Char('/')), root);
        if (path.isEmpty())
            return result;
        result.localPath = path;
        result.mimeType = mimeTypeFor(path);
    }
    return result;
}

void SchemeHandler::requestStarted(QWebEngineUrlRequestJob *job)
{
    const QUrl url = job->requestUrl();
    if (job->requestMethod() != QByteArrayLiteral("GET") || url.host() != kHost) {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    const Resolved target = resolve(url.path(QUrl::FullyEncoded));
    if (!target.resource.isEmpty()) {
        QFile resource(target.resource);
        if (!resource.open(QIODevice::ReadOnly)) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        QByteArray bytes = resource.readAll();
        if (target.mimeType == QByteArrayLiteral("text/html")) {
            bytes.replace(kRootPlaceholder, (rootAddress() + QLatin1Char('/')).toUtf8());
            bytes.replace(kEnginePlaceholder, (rootAddress() + kEnginePath).toUtf8());
        }
        auto *buffer = new QBuffer(job);
        buffer->setData(bytes);
        buffer->open(QIODevice::ReadOnly);
        job->reply(target.mimeType, buffer);
        return;
    }
    if (target.localPath.isEmpty()) {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    // Files of the disk are opened without blocking and taken only when
    // still regular files, should a FIFO have taken a movie's place since
    // the look. The job owns the reply's device; the engine reads it as it
    // goes, so the 14 MB of the engine's WebAssembly are never held here
    // whole.
    content::RegularFile regular(target.localPath, std::numeric_limits<std::int64_t>::max());
    auto *file = new QFile(job);
    if (!regular.isOpen() || !file->open(regular.release(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    job->reply(target.mimeType, file);
}

} // namespace movies
