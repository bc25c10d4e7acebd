#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <utility>

// A small HTTP server on 127.0.0.1 for the download tests: a request for a path given to
// answer() gets that answer, every other request the server's default status line and body.
// Runs on the caller's thread; the download's event loop serves it.
class HttpTestServer : public QObject {
public:
    HttpTestServer(int status, QByteArray reason, QByteArray body)
        : status_(status), reason_(std::move(reason)), body_(std::move(body)) {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] { accept(); });
    }

    quint16 port() const { return server_.serverPort(); }
    QUrl url(const QString& path = QStringLiteral("/zevprogs/ZEV 32.exe")) const {
        return {QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path)};
    }
    const QByteArray& lastRequest() const { return request_; }
    // The answer to a GET of this (encoded) path, such as "/zevprogs/ZEV%2032.exe.sha256".
    void answer(const QByteArray& path, int status, QByteArray body) {
        routes_[path] = {status, std::move(body)};
    }
    // Every path requested so far, in order.
    const QList<QByteArray>& requestedPaths() const { return paths_; }
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
                QByteArray& pending = pending_[socket];
                pending += socket->readAll();
                if (!pending.contains("\r\n\r\n")) {
                    return;
                }
                request_ = pending;
                pending_.remove(socket);
                const QByteArray path = request_.split(' ').value(1);
                paths_ << path;
                int status = status_;
                QByteArray reason = reason_;
                QByteArray body = body_;
                if (routes_.contains(path)) {
                    status = routes_[path].first;
                    body = routes_[path].second;
                    reason = status == 200 ? "OK" : "Not Found";
                }
                QByteArray answer = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason +
                                    "\r\nContent-Type: application/octet-stream\r\n"
                                    "Content-Length: " +
                                    QByteArray::number(body.size()) + "\r\nConnection: close\r\n" +
                                    headers_ + "\r\n" + body;
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
    QHash<QByteArray, std::pair<int, QByteArray>> routes_;
    QHash<QTcpSocket*, QByteArray> pending_;
    QList<QByteArray> paths_;
};
