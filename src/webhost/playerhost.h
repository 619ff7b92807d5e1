#pragma once

// The animation players, on the library's side. One off-the-record profile
// serves the players' scheme (see movieaddresses.h) and keeps movies off the
// network; one page, never shown, runs the engine's code and memory once for
// every control. Each control on screen gets a slot: a window that page
// opens, which the host shows in a view inside the control and in whose
// document the control's player lives. The host relays each control's
// movies to the page and the page's notes back to the control they concern.
//
// The host owns everything it makes (profile, pages, views); a control holds
// only its WebPlayer handle. Members are declared in the order they are
// made, so that they go in the reverse one: slot windows and views, then the
// engine's page, then the profile they belong to.

#include "weblibrary.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <map>
#include <memory>
#include <set>
#include <vector>

class PlayerBridge;
class PlayerPage;
class QWebChannel;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineUrlRequestInterceptor;
class QWebEngineView;
class QWidget;
namespace movies {
class SchemeHandler;
}

class PlayerHost final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlayerHost)

public:
    // Starts the web engine and loads the engine's page.
    explicit PlayerHost(const QString &engineDirectory);
    ~PlayerHost() override;

    std::unique_ptr<WebPlayer> openPlayer(PlayerOwner *owner, const QString &movieFile);
    // The movies asked for in the next milliseconds wait until then.
    void holdBack(int milliseconds);

private:
    class Handle;
    struct Slot
    {
        Slot(PlayerOwner *owner, QString token, QString url);
        ~Slot();
        Slot(const Slot &) = delete;
        Slot &operator=(const Slot &) = delete;

        PlayerOwner *owner;
        // Guards owner: the owner is this widget.
        QPointer<QWidget> widget;
        // Names the slot's window, so that a window is matched to its slot
        // by what the host chose, never by the order windows open in.
        QString token;
        QString url;
        // The number of the movie asked for last; notes and commands about
        // any earlier one (already on their way when it was replaced) are
        // dropped.
        int movie = 1;
        bool onScreen = true;
        std::unique_ptr<PlayerPage> page;
        QPointer<QWebEngineView> view;
    };

    void play(int slot, const QString &movieFile);
    void setOnScreen(int slot, bool onScreen);
    void closeSlot(int slot);
    QWebEnginePage *makeWindow();
    bool claimWindow(PlayerPage *page, const QUrl &url);
    void showWindow(int slot);
    void onPageReady();
    void askForWindow(int slot);
    void releaseHeld();
    void purgeClosed();
    Slot *liveSlot(int slot, int movie);

    std::unique_ptr<movies::SchemeHandler> m_handler;
    std::unique_ptr<QWebEngineUrlRequestInterceptor> m_interceptor;
    std::unique_ptr<QWebEngineProfile> m_profile;
    std::unique_ptr<PlayerBridge> m_bridge;
    std::unique_ptr<QWebChannel> m_channel;
    std::unique_ptr<PlayerPage> m_page;
    std::unique_ptr<QWebEngineView> m_view;
    // Windows the page opened that have not yet shown whose they are.
    std::vector<std::unique_ptr<PlayerPage>> m_unclaimed;
    std::map<int, std::unique_ptr<Slot>> m_slots;
    // Closed slots and refused windows, deleted from the event loop: a
    // handle may be dropped inside one of their own events.
    std::vector<std::unique_ptr<Slot>> m_closed;
    std::vector<std::unique_ptr<PlayerPage>> m_refused;
    std::set<int> m_held;
    QTimer m_holdTimer;
    int m_nextSlot = 1;
    bool m_ready = false;
};
