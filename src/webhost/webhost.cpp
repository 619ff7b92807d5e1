// The web library's entry point: the library side of WebLibrary. It makes
// the players' host the first time a control asks for a player, and the
// web viewer when the activation asks for one; it owns the host until the
// application's teardown.

#include "weblibrary.h"

#include "f_web.h"
#include "movieaddresses.h"
#include "playerhost.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QtGlobal>

static void initPlayerPages()
{
    // The host pages are compiled into this library.
    Q_INIT_RESOURCE(pages);
}

namespace {

// The players' scheme must be known before the web engine's first profile,
// which only this library makes: registering it as the library loads is
// early enough.
void registerPlayersScheme()
{
    movies::registerScheme();
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
}
Q_CONSTRUCTOR_FUNCTION(registerPlayersScheme)

class WebHost final : public WebLibrary
{
public:
    explicit WebHost(const QString &engineDirectory) : m_engineDirectory(engineDirectory) { initPlayerPages(); }

    void setContentTree(const QString &root) override { movies::setTreeRoot(root); }

    std::unique_ptr<WebPlayer> openPlayer(PlayerOwner *owner, const QString &movieFile) override
    {
        if (!m_players) {
            m_players = std::make_unique<PlayerHost>(m_engineDirectory);
            // The web engine shuts down in a routine of the application's
            // teardown that it registers as it starts (as the host is
            // made); the host's pages and profile must be gone by then.
            // Routines run newest first.
            qAddPostRoutine([] { s_host->m_players.reset(); });
        }
        return m_players->openPlayer(owner, movieFile);
    }

    void holdPlayersBack(int milliseconds) override
    {
        if (m_players)
            m_players->holdBack(milliseconds);
    }

    QDialog *createViewer(QWidget *owner, std::function<QString()> seriesCode) override
    {
        auto *viewer = new Tfrmweb(owner, std::move(seriesCode));
        frmweb = viewer;
        return viewer;
    }

    static WebHost *s_host;

private:
    QString m_engineDirectory;
    std::unique_ptr<PlayerHost> m_players;
};

WebHost *WebHost::s_host = nullptr;

} // namespace

extern "C" Q_DECL_EXPORT WebLibrary *apostilas_web_library(const QString &engineDirectory)
{
    // Lives as long as the process; only the first call's folder counts.
    static WebHost host(engineDirectory);
    WebHost::s_host = &host;
    return &host;
}
