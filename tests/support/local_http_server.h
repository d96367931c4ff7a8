#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QTcpServer>

namespace gw::test {

// An HTTP/1.1 server on loopback that answers each path with a canned
// response, for fetch tests that must not leave the machine.
class LocalHttpServer : public QObject {
    Q_OBJECT
  public:
    struct Response {
        int status = 200;
        QByteArray reason = "OK";
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        bool neverAnswer = false;  // a server that accepts and then stalls
        bool trickle = false;      // headers, then one byte of the body every 100 ms
    };

    LocalHttpServer();
    void route(const QString& path, Response response) { routes_[path] = std::move(response); }
    QString url(const QString& path) const;
    int requests() const { return requests_; }

  private:
    void answer(QTcpSocket* socket);

    QTcpServer server_;
    QMap<QString, Response> routes_;
    int requests_ = 0;
};

}  // namespace gw::test
