#include "flashengine.h"

#include "contentpath.h"
#include "schemehandler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlScheme>

#include <unistd.h>

namespace {

const QByteArray kScheme = QByteArrayLiteral("swfhost");

// Movies get no network: only the program's own scheme and in-page data.
class OfflineInterceptor final : public QWebEngineUrlRequestInterceptor
{
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        const QString scheme = info.requestUrl().scheme();
        if (scheme != QLatin1String(kScheme) && scheme != QLatin1String("data")
            && scheme != QLatin1String("blob"))
            info.block(true);
    }
};

} // namespace

QPointer<FlashEngine> FlashEngine::s_instance;

static void initFlashResources()
{
    // The host page is compiled into this static library.
    Q_INIT_RESOURCE(flash);
}

void FlashEngine::registerScheme()
{
    QWebEngineUrlScheme scheme(kScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalAccessAllowed
                    | QWebEngineUrlScheme::ContentSecurityPolicyIgnored);
    QWebEngineUrlScheme::registerScheme(scheme);
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    // Chromium refuses to start as root unless its sandbox is off.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

std::vector<char *> FlashEngine::prepareApplication(int argc, char **argv)
{
    registerScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return engineArguments(argc, argv);
}

std::vector<char *> FlashEngine::engineArguments(int argc, char **argv)
{
    static char rendererLimit[] = "--renderer-process-limit=1";
    static char noBackgroundNetworking[] = "--disable-background-networking";
    std::vector<char *> arguments(argv, argv + argc);
    arguments.push_back(rendererLimit);
    arguments.push_back(noBackgroundNetworking);
    arguments.push_back(nullptr);
    return arguments;
}

QStringList FlashEngine::engineSearchPath()
{
    const QString programDirectory = QCoreApplication::applicationDirPath();
    return {programDirectory + QStringLiteral("/ruffle"),
            programDirectory + QStringLiteral("/../share/apostilas/ruffle")};
}

FlashEngine *FlashEngine::instance()
{
    if (s_instance)
        return s_instance;
    const QStringList candidates = engineSearchPath();
    for (const QString &candidate : candidates) {
        if (QFileInfo(candidate + QStringLiteral("/ruffle.js")).isFile()) {
            s_instance = new FlashEngine(QDir(candidate).canonicalPath());
            return s_instance;
        }
    }
    throw Unavailable(
        QStringLiteral("O reprodutor de animações não foi encontrado: falta o arquivo %1.")
            .arg(QDir::cleanPath(candidates.first() + QStringLiteral("/ruffle.js")))
            .toStdString());
}

FlashEngine::FlashEngine(const QString &engineDirectory) : QObject(qApp)
{
    initFlashResources();
    // A profile without a storage name is off the record: nothing reaches disk.
    m_profile = new QWebEngineProfile(this);
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    m_profile->setSpellCheckEnabled(false);
    QWebEngineSettings *settings = m_profile->settings();
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::LocalStorageEnabled, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    m_handler = new FlashSchemeHandler(engineDirectory, this);
    m_profile->installUrlSchemeHandler(kScheme, m_handler);
    m_profile->setUrlRequestInterceptor(new OfflineInterceptor(this));
}

QUrl FlashEngine::hostUrl() const
{
    return QUrl(QStringLiteral("swfhost://menu/engine/host.html"));
}

void FlashEngine::setContentRoot(const QString &contentDirectory)
{
    const QString local = content::toLocalPath(contentDirectory);
    const QFileInfo info(local);
    m_handler->setContentRoot(info.isDir() ? info.canonicalFilePath() : QString());
}

QUrl FlashEngine::movieUrl(const QString &contentPath) const
{
    const QString root = m_handler->contentRoot();
    const QString local = content::toLocalPath(contentPath);
    if (root.isEmpty() || local.isEmpty() || local.endsWith(QLatin1Char('/')))
        return QUrl();
    const QFileInfo info(local);
    if (!info.isFile())
        return QUrl();
    const QString canonical = info.canonicalFilePath();
    if (!canonical.startsWith(root + QLatin1Char('/')))
        return QUrl();
    const QStringList components = canonical.mid(root.size() + 1).split(QLatin1Char('/'));
    QString encoded = QStringLiteral("swfhost://menu/content");
    for (const QString &component : components)
        encoded += QLatin1Char('/') + QString::fromLatin1(QUrl::toPercentEncoding(component));
    return QUrl(encoded, QUrl::StrictMode);
}
