#include "flashengine.h"

#include "contentpath.h"
#include "flashstage.h"
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

void FlashEngine::prepareApplication()
{
    registerScheme();
    // The animations are small and drawn by the engine's canvas renderer;
    // software composition spares the start-up an OpenGL context (about a
    // tenth of a second) and the memory of a GPU process, and behaves the
    // same on the old school machines whose drivers are the least reliable.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    // The web engine takes its switches from this variable only (not from
    // argv). All players share one renderer process. The engine's
    // WebAssembly is compiled once, by the baseline compiler only, on the
    // background threads while the page loads: compiling it a function at a
    // time as it runs put most of a second of compilation on the page's
    // thread for every new player, and the optimising tier only competes
    // with the players for the processor. Sound is played from the program's
    // own process instead of an extra one. The engine's page is never shown,
    // and its timers must not be slowed down as a hidden page's are.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    for (const char *flag : {"--renderer-process-limit=1", "--disable-background-networking",
                             "--disable-gpu", "--js-flags=--liftoff-only",
                             "--disable-features=AudioServiceOutOfProcess",
                             "--disable-background-timer-throttling"}) {
        if (!flags.contains(flag))
            flags += ' ' + QByteArray(flag);
    }
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
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
    m_handler = new FlashSchemeHandler(engineDirectory, this);
}

QWebEngineProfile *FlashEngine::profile()
{
    if (m_profile)
        return m_profile;
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
    m_profile->installUrlSchemeHandler(kScheme, m_handler);
    m_profile->setUrlRequestInterceptor(new OfflineInterceptor(this));
    return m_profile;
}

FlashEngine::~FlashEngine()
{
    // The stage's page must go before the profile.
    delete m_stage;
    m_stage = nullptr;
}

FlashStage *FlashEngine::stage()
{
    if (m_stage)
        return m_stage;
    m_stage = new FlashStage(profile(), stageUrl(), this);
    // The web engine shuts down in a routine of the application's teardown
    // that it registers once it has started, before the application's
    // children go; the engine's page and profile must be gone by then.
    // Routines run newest first.
    qAddPostRoutine([] { delete s_instance.data(); });
    return m_stage;
}

FlashStage *FlashEngine::existingStage()
{
    return s_instance ? s_instance->m_stage : nullptr;
}

void FlashEngine::holdPlayersBack(int milliseconds)
{
    if (FlashStage *stage = existingStage())
        stage->holdBack(milliseconds);
}

QUrl FlashEngine::stageUrl()
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
