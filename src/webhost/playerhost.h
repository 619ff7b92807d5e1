#pragma once

// The animation players, on the library's side. One off-the-record profile
// serves the players' scheme (see movieaddresses.h) and keeps movies off the
// network; one page, never shown, runs the engine's code and memory once for
// every control. Each window with controls gets a stage: a window that page
// opens, which the host shows in one view laid over the window's controls
// and cut to their shapes, and on which each control's player (its slot)
// sits where the control is. One view per window, not one per control:
// each view's frames cost the web engine and the window a share of the
// processor of their own for as long as the movies play. The host relays
// each control's movies to the page and the page's notes back to the
// control they concern, and the view's pointer input to the control under
// it.
//
// The engine is one WebAssembly instance in one process for every player,
// so the host supervises it: when the engine fails (a panic, its memory at
// its maximum), its process ends for any reason (a crash, the out-of-memory
// killer), it stops answering, or the process grows past what a school
// machine can spare, the host replaces the engine's page and every stage,
// and plays each control's movie again from its start. The movie that made
// the engine fail is left out for the rest of the run, its control blank
// as for a missing movie; when the page cannot tell which one it was and
// the engine fails again soon after a restart, the movies are tried one at
// a time, so that a failure always names its movie and no loop of failures
// can start.
//
// The host owns everything it makes (profile, pages, views); a control holds
// only its WebPlayer handle. Members are declared in the order they are
// made, so that they go in the reverse one: stage windows and views, then
// the engine's page, then the profile they belong to.

#include "weblibrary.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QTimer>

#include <map>
#include <memory>
#include <set>
#include <vector>

class PlayerBridge;
class PlayerPage;
class QKeyEvent;
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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class Handle;
    // One window's stage.
    struct Stage
    {
        Stage(QWidget *window, QString token);
        ~Stage();
        Stage(const Stage &) = delete;
        Stage &operator=(const Stage &) = delete;

        QPointer<QWidget> window;
        // Names the stage's window, so that a window is matched to its stage
        // by what the host chose, never by the order windows open in.
        QString token;
        std::unique_ptr<PlayerPage> page;
        QPointer<QWebEngineView> view;
        // The slot a pointer press went to, which its release goes to too.
        int pressed = 0;
    };
    struct Slot
    {
        Slot(PlayerOwner *owner, int stage, QString url, QString renderer);

        PlayerOwner *owner;
        // Guards owner: the owner is this widget.
        QPointer<QWidget> widget;
        int stage;
        QString url;
        // The engine's renderer for it.
        QString renderer;
        // The number of the movie asked for last; notes and commands about
        // any earlier one (already on their way when it was replaced) are
        // dropped.
        int movie = 1;
        bool onScreen = true;
        // The current movie's first frame was on screen.
        bool shown = false;
        // Where the control is on its stage's view, as last told the page.
        QRect place;
    };

    void startEngine();
    void retireEngine();
    void restartEngine(int culprit);
    void replaceEngine(int culprit);
    void leaveOut(int slot);
    void askForNextOnProbation();
    void watchEngine();
    void play(int slot, const QString &movieFile);
    QString rendererFor(const QString &movieFile) const;
    void setOnScreen(int slot, bool onScreen);
    void takeKeyboard(int slot);
    void sendKey(int slot, const QKeyEvent *event);
    void closeSlot(int slot);
    int stageFor(QWidget *window);
    void closeStage(int stage);
    QWebEnginePage *makeWindow();
    bool claimWindow(PlayerPage *page, const QUrl &url);
    void showStage(int stage);
    void watchGeometry(QWidget *control);
    void scheduleLayout();
    void layOut();
    void layOutStage(int stage);
    void watchViewInput(QObject *parent, QObject *child);
    void routePointer(QObject *watched, QEvent *event);
    QWidget *viewInput(const Stage &stage) const;
    void onPageReady();
    void askForStage(int stage);
    void askForSlot(int slot);
    void releaseHeld();
    void purgeClosed();
    Slot *liveSlot(int slot, int movie);

    std::unique_ptr<movies::SchemeHandler> m_handler;
    std::unique_ptr<QWebEngineUrlRequestInterceptor> m_interceptor;
    const bool m_fullRenderer;
    std::unique_ptr<QWebEngineProfile> m_profile;
    std::unique_ptr<PlayerBridge> m_bridge;
    std::unique_ptr<QWebChannel> m_channel;
    std::unique_ptr<PlayerPage> m_page;
    std::unique_ptr<QWebEngineView> m_view;
    // The pages, views and channel of a replaced engine, deleted from the
    // event loop (views first): the replacement may start inside one of
    // their own signals.
    std::vector<std::unique_ptr<QObject>> m_retired;
    // Windows the page opened that have not yet shown whose they are.
    std::vector<std::unique_ptr<PlayerPage>> m_unclaimed;
    std::map<int, std::unique_ptr<Stage>> m_stages;
    std::map<int, std::unique_ptr<Slot>> m_slots;
    // Closed stages and refused windows, deleted from the event loop: a
    // handle may be dropped inside one of their own events.
    std::vector<std::unique_ptr<Stage>> m_closed;
    std::vector<std::unique_ptr<PlayerPage>> m_refused;
    std::set<int> m_held;
    QTimer m_holdTimer;
    // Movie addresses the engine failed on: never played again in this run.
    std::set<QString> m_failed;
    // Slots still to be let in one at a time, the one on trial, and the one
    // let in last.
    std::vector<int> m_probation;
    int m_probing = 0;
    int m_lastAdmitted = 0;
    QElapsedTimer m_sinceAdmitted;
    QTimer m_probationTimer;
    QElapsedTimer m_lastFailure;
    bool m_restartPending = false;
    int m_restartCulprit = 0;
    QTimer m_watchdog;
    int m_pingSerial = 0;
    int m_pongSerial = 0;
    int m_nextSlot = 1;
    int m_nextStage = 1;
    int m_focusedSlot = 0;
    bool m_layoutPending = false;
    bool m_ready = false;
};
