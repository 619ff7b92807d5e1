#pragma once

#include <QObject>
#include <QString>

// The only object the engine's page sees over its web channel. It carries
// the host's requests (open a slot's window, play a movie in it, close it)
// to the page and the page's notes (a first frame on screen, a movie the
// engine failed on) back. Movies' commands do not pass here: see SlotBridge.
class PlayerBridge final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlayerBridge)

public:
    explicit PlayerBridge(QObject *parent = nullptr);

Q_SIGNALS:
    // To the page. A slot's window is opened at its address, which carries
    // the token the host chose for it.
    void slotRequested(int slot, const QString &address);
    // Each movie asked of a slot has a number of its own; the page's notes
    // and the slot's commands carry the number of the movie they concern.
    void movieRequested(int slot, const QString &url, int movie);
    void slotClosed(int slot);
    // Whether the slot's control can be seen: its player is paused while not.
    void slotShown(int slot, bool shown);
    // To the host.
    void pageReady();
    void firstFrameShown(int slot, int movie);
    void movieFailedReceived(int slot, int movie);

public Q_SLOTS:
    void ready();
    void firstFrame(int slot, int movie);
    void movieFailed(int slot, int movie);
};

// The one object a slot's window sees over a web channel of its own. The
// host binds it to one slot once the window has shown whose it is, and tags
// what arrives with that slot itself: nothing a page says can make a command
// another control's.
class SlotBridge final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SlotBridge)

public:
    explicit SlotBridge(QObject *parent = nullptr);
    void bind(int slot) { m_slot = slot; }

Q_SIGNALS:
    void commandReceived(int slot, int movie, const QString &command, const QString &args);

public Q_SLOTS:
    void fsCommand(int movie, const QString &command, const QString &args);

private:
    int m_slot = 0; // none until bound
};
