#pragma once

#include <QByteArray>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

// A one-answer-fits-all HTTP server on 127.0.0.1 for the download tests: every request gets the
// same status line and body. Runs on the caller's thread; the download's event loop serves it.
class HttpTestServer : public QObject {
public:
    HttpTestServer(int status, QByteArray reason, QByteArray body)
        : status_(status), reason_(std::move(reason)), body_(std::move(body)) {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] { accept(); });
    }

    quint16 port() const { return server_.serverPort(); }
    QUrl url(const QString& path = QStringLiteral("/zevprogs/ZEV 32.exe")) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path));
    }
    const QByteArray& lastRequest() const { return request_; }
    // A header line sent with every answer, such as "Location: ..." for a redirection.
    void addHeader(const QByteArray& line) { headers_ += line + "\r\n"; }

    // A port on which nothing listens: taken from a server that is closed again.
    static quint16 closedPort() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        const quint16 port = probe.serverPort();
        probe.close();
        return port;
    }

private:
    void accept() {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                request_ += socket->readAll();
                if (!request_.contains("\r\n\r\n")) {
                    return;
                }
                QByteArray answer = "HTTP/1.1 " + QByteArray::number(status_) + ' ' + reason_ +
                                    "\r\nContent-Type: application/octet-stream\r\n"
                                    "Content-Length: " +
                                    QByteArray::number(body_.size()) + "\r\nConnection: close\r\n" +
                                    headers_ + "\r\n" + body_;
                socket->write(answer);
                socket->disconnectFromHost();
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    QTcpServer server_;
    int status_;
    QByteArray reason_;
    QByteArray body_;
    QByteArray request_;
    QByteArray headers_;
};
