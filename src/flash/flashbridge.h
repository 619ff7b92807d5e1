#pragma once

#include <QObject>
#include <QString>

// The only object the engine's page sees over its web channel. It carries
// the program's requests (open a slot for a control, play a movie in it,
// close it) to the page and the page's notes (a first frame on screen) back.
// Movies' commands do not pass here: see SlotBridge.
class FlashBridge final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FlashBridge)

public:
    explicit FlashBridge(QObject *parent = nullptr);

Q_SIGNALS:
    // To the page.
    void slotRequested(int slot);
    // Each movie asked of a slot has a number of its own: the slot's
    // commands carry the number of the movie that sent them.
    void movieRequested(int slot, const QString &url, int movie);
    void slotClosed(int slot);
    // To the program.
    void pageReady();
    void firstFrameShown(int slot, const QString &url);
    void movieFailedReceived(int slot, const QString &url);

public Q_SLOTS:
    void ready();
    void firstFrame(int slot, const QString &url);
    void movieFailed(int slot, const QString &url);
};

// The one object a slot's window sees over a web channel of its own. The
// program made it for one slot and tags what arrives with that slot itself:
// nothing a page says can make a command another control's.
class SlotBridge final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SlotBridge)

public:
    SlotBridge(int slot, QObject *parent = nullptr);

Q_SIGNALS:
    void commandReceived(int slot, int movie, const QString &command, const QString &args);

public Q_SLOTS:
    void fsCommand(int movie, const QString &command, const QString &args);

private:
    const int m_slot;
};
