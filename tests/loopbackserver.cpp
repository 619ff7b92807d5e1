#include "loopbackserver.h"

#include <QTcpSocket>

namespace testing {

LoopbackServer::LoopbackServer(Handler handler, QObject *parent) : QObject(parent), m_handler(std::move(handler))
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool LoopbackServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost);
}

QString LoopbackServer::address() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void LoopbackServer::answer(QTcpSocket *socket)
{
    // The whole head first; GET requests have no body.
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    if (!head.contains("\r\n\r\n")) {
        socket->setProperty("head", head);
        return;
    }
    socket->setProperty("head", QVariant());
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    Reply reply;
    if (requestLine.size() == 3 && requestLine.at(0) == "GET") {
        const QByteArray target = requestLine.at(1);
        requested << QString::fromUtf8(target);
        reply = m_handler(QUrl(QStringLiteral("http://127.0.0.1") + QString::fromUtf8(target)));
    } else {
        reply.status = 405;
    }
    if (reply.held) {
        m_held << socket;
        return;
    }
    send(socket, reply);
}

void LoopbackServer::release(const Reply &reply)
{
    for (const QPointer<QTcpSocket> &socket : std::as_const(m_held)) {
        if (socket && socket->state() == QAbstractSocket::ConnectedState)
            send(socket, reply);
    }
    m_held.clear();
}

void LoopbackServer::send(QTcpSocket *socket, const Reply &reply)
{
    const QByteArray reason = reply.status == 200 ? "OK" : reply.status == 204 ? "No Content" : "Error";
    QByteArray response = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reason + "\r\n";
    response += "Content-Type: " + reply.type + "\r\n";
    response += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    response += "Cache-Control: no-store\r\nConnection: close\r\n\r\n";
    socket->write(response + reply.body);
    socket->disconnectFromHost();
}

} // namespace testing
