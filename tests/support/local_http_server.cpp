#include "local_http_server.h"

#include <QTcpSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace gw::test {

LocalHttpServer::LocalHttpServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this]() {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket]() { answer(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QString LocalHttpServer::url(const QString& path) const {
    return u"http://127.0.0.1:%1%2"_s.arg(server_.serverPort()).arg(path);
}

void LocalHttpServer::answer(QTcpSocket* socket) {
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n")) {
        return;  // the headers are not complete yet
    }
    ++requests_;
    const QList<QByteArray> requestLine = request.left(request.indexOf("\r\n")).split(' ');
    const QString path = requestLine.size() > 1 ? QString::fromLatin1(requestLine[1]) : QString();
    const Response response = routes_.value(path, Response{404, "Not Found", {}, "missing", false});
    if (response.neverAnswer) {
        return;
    }
    QByteArray out =
        "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + response.reason + "\r\n";
    bool hasLength = false;
    for (const auto& [name, value] : response.headers) {
        out += name + ": " + value + "\r\n";
        hasLength = hasLength || name.compare("Content-Length", Qt::CaseInsensitive) == 0;
    }
    if (!hasLength) {
        out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    }
    out += "Connection: close\r\n\r\n";
    if (response.trickle) {
        // Never silent for long, never done: only a deadline ends it.
        socket->write(out);
        auto* timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket, [socket]() { socket->write("x"); });
        timer->start(100);
        return;
    }
    socket->write(out + response.body);
    socket->disconnectFromHost();
}

}  // namespace gw::test
