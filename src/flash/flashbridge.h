#pragma once

#include <QObject>
#include <QString>

// The only object a host page sees over the web channel. It carries the
// movie address to the page and the page's notes back; nothing else of the
// program is reachable from a movie.
class FlashBridge final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FlashBridge)

public:
    explicit FlashBridge(QObject *parent = nullptr);

    void requestMovie(const QString &url);
    bool isPageReady() const { return m_ready; }

Q_SIGNALS:
    // To the page.
    void movieRequested(const QString &url);
    // To the control.
    void commandReceived(const QString &command, const QString &args);
    void firstFrameShown(const QString &url);

public Q_SLOTS:
    void ready();
    void fsCommand(const QString &command, const QString &args);
    void firstFrame(const QString &url);

private:
    QString m_url;
    bool m_ready = false;
};
