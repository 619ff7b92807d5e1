#include "flashruntime.h"

#include "flashstage.h"
#include "schemehandler.h"

#include <QCoreApplication>
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

QPointer<FlashRuntime> FlashRuntime::s_instance;

static void initFlashResources()
{
    // The host pages are compiled into this library.
    Q_INIT_RESOURCE(flash);
}

void FlashRuntime::registerScheme()
{
    QWebEngineUrlScheme scheme(kScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    // Its pages' own content security policy applies: no inline script, no
    // network.
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    // Chromium refuses to start as root unless its sandbox is off.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

FlashRuntime *FlashRuntime::instance(const QString &engineDirectory)
{
    if (!s_instance)
        s_instance = new FlashRuntime(engineDirectory);
    return s_instance;
}

FlashRuntime *FlashRuntime::existing()
{
    return s_instance;
}

FlashRuntime::FlashRuntime(const QString &engineDirectory) : QObject(qApp)
{
    initFlashResources();
    m_handler = new FlashSchemeHandler(engineDirectory, this);
}

QWebEngineProfile *FlashRuntime::profile()
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

FlashRuntime::~FlashRuntime()
{
    // The stage's page must go before the profile.
    delete m_stage;
    m_stage = nullptr;
}

FlashStage *FlashRuntime::stage()
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

QUrl FlashRuntime::stageUrl()
{
    return QUrl(QStringLiteral("swfhost://menu/engine/host.html"));
}

void FlashRuntime::setContentRoot(const QString &localDirectory)
{
    m_handler->setContentRoot(localDirectory);
}
