// SPDX-License-Identifier: GPL-3.0-or-later
// A small HTTP server for the tests, on a free loopback port in the test's own process: it
// keeps every request it receives (method, path, headers, body) and answers each with the
// status it is told, or, when told to stay silent, never answers at all. Given a TLS
// configuration it speaks HTTPS.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QSslConfiguration>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

namespace tamro::test {

struct HttpRequest
{
    QByteArray method;
    QByteArray path;
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
};

class HttpSink : public QObject
{
public:
    explicit HttpSink(const QSslConfiguration* tls = nullptr)
    {
        if (tls) {
            auto server = std::make_unique<QSslServer>();
            server->setSslConfiguration(*tls);
            _server = std::move(server);
        } else {
            _server = std::make_unique<QTcpServer>();
        }
        _server->listen(QHostAddress::LocalHost, 0);
        _scheme = tls ? "https" : "http";
        connect(_server.get(), &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket* socket = _server->nextPendingConnection()) {
                socket->setParent(this);
                auto buffer = std::make_shared<QByteArray>();
                connect(socket, &QTcpSocket::readyRead, this,
                        [this, socket, buffer] { read(socket, *buffer); });
            }
        });
    }

    quint16 port() const { return _server->serverPort(); }
    QByteArray url(const QByteArray& path = "/hook") const
    {
        return _scheme + "://127.0.0.1:" + QByteArray::number(port()) + path;
    }
    // 0: never answer.
    void setStatus(int status) { _status = status; }

    QList<HttpRequest> requests;

private:
    void read(QTcpSocket* socket, QByteArray& buffer)
    {
        buffer += socket->readAll();
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        HttpRequest request;
        const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        request.path = first.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines.at(i).indexOf(':');
            if (colon > 0)
                request.headers.insert(lines.at(i).left(colon).trimmed().toLower(),
                                       lines.at(i).mid(colon + 1).trimmed());
        }
        const qsizetype length = request.headers.value("content-length").toLongLong();
        if (buffer.size() < headEnd + 4 + length)
            return;
        request.body = buffer.mid(headEnd + 4, length);
        buffer.clear();
        requests << request;
        if (_status == 0)
            return;
        socket->write("HTTP/1.1 " + QByteArray::number(_status) +
                      " X\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
    }

    std::unique_ptr<QTcpServer> _server;
    QByteArray _scheme;
    int _status = 200;
};

} // namespace tamro::test
