#pragma once

// A small HTTP server on 127.0.0.1 for a browser the test starts itself:
// it answers GET requests from a handler, one request per connection, and
// keeps every path asked for. A reply may be held back until the test
// releases it: a page waits for it, and its load event with it. It runs in
// the test's own event loop.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <functional>

namespace testing {

class LoopbackServer final : public QObject
{
    Q_OBJECT

public:
    struct Reply
    {
        int status = 404;
        QByteArray type = "text/plain";
        QByteArray body;
        bool held = false; // answered by release()
    };
    using Handler = std::function<Reply(const QUrl &request)>;

    explicit LoopbackServer(Handler handler, QObject *parent = nullptr);
    bool listen();
    QString address() const; // http://127.0.0.1:port
    // Answers the requests held back so far.
    void release(const Reply &reply);
    QStringList requested;   // the paths asked for, with their queries

private:
    void answer(QTcpSocket *socket);
    static void send(QTcpSocket *socket, const Reply &reply);

    QTcpServer m_server;
    Handler m_handler;
    QList<QPointer<QTcpSocket>> m_held; // gone when the browser hung up
};

} // namespace testing
