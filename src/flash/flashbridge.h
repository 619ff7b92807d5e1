#pragma once

#include <QObject>
#include <QString>

// The only object the engine's page sees over the web channel. It carries
// the program's requests (open a slot for a control, play a movie in it,
// close it) to the page and the page's notes (a movie's fscommand, a first
// frame on screen) back, each tagged with the slot it concerns; nothing else
// of the program is reachable from a movie.
class FlashBridge final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FlashBridge)

public:
    explicit FlashBridge(QObject *parent = nullptr);

Q_SIGNALS:
    // To the page.
    void slotRequested(int slot);
    void movieRequested(int slot, const QString &url);
    void slotClosed(int slot);
    // To the program.
    void pageReady();
    void commandReceived(int slot, const QString &command, const QString &args);
    void firstFrameShown(int slot, const QString &url);

public Q_SLOTS:
    void ready();
    void fsCommand(int slot, const QString &command, const QString &args);
    void firstFrame(int slot, const QString &url);
};
