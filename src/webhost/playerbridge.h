#pragma once

#include <QObject>
#include <QString>

// The only object the engine's page sees over its web channel. It carries
// the host's requests (open a window's stage, put a control's player on it,
// place it, play a movie in it, close it) to the page and the page's notes
// (a first frame on screen, a movie the engine failed on, the engine
// itself failing) back. Movies'
// commands do not pass here: see StageBridge.
class PlayerBridge final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlayerBridge)

public:
    explicit PlayerBridge(QObject *parent = nullptr);

Q_SIGNALS:
    // To the page. A stage is opened at its address, which carries the
    // token the host chose for it.
    void stageRequested(int stage, const QString &address);
    void stageClosed(int stage);
    // A control's player, on its window's stage.
    void slotRequested(int slot, int stage);
    // Where the control is on its stage, in pixels.
    void slotPlaced(int slot, int x, int y, int width, int height);
    // Each movie asked of a slot has a number of its own; the page's notes
    // and the slot's commands carry the number of the movie they concern.
    // renderer is the engine's renderer to draw it with.
    void movieRequested(int slot, const QString &url, int movie, const QString &renderer);
    void slotClosed(int slot);
    // Whether the slot's control can be seen: its player is paused while not.
    void slotShown(int slot, bool shown);
    // The slot's control has the keyboard: the keys sent to the stage are
    // its player's.
    void slotFocused(int slot);
    // Whether the page still answers: it answers with pong(serial).
    void pinged(int serial);
    // To the host.
    void pageReady();
    void firstFrameShown(int slot, int movie);
    void movieFailedReceived(int slot, int movie);
    // The engine failed and can play nothing more; slot is the player that
    // was running when it did, or 0 when the page cannot tell.
    void engineFailedReceived(int slot, int movie);
    void pongReceived(int serial);

public Q_SLOTS:
    void ready();
    void firstFrame(int slot, int movie);
    void movieFailed(int slot, int movie);
    void engineFailed(int slot, int movie);
    void pong(int serial);
};

// The one object a stage's window sees over a web channel of its own. The
// host binds it to one stage once the window has shown whose it is, and
// tags what arrives with that stage itself: nothing a page says can make a
// command a control's of another window.
class StageBridge final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StageBridge)

public:
    explicit StageBridge(QObject *parent = nullptr);
    void bind(int stage) { m_stage = stage; }

Q_SIGNALS:
    void commandReceived(int stage, int slot, int movie, const QString &command, const QString &args);

public Q_SLOTS:
    void fsCommand(int slot, int movie, const QString &command, const QString &args);

private:
    int m_stage = 0; // none until bound
};
