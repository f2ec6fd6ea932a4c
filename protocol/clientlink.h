// SPDX-License-Identifier: GPL-3.0-or-later
// One connected client of a storage service: its socket, the command bytes not yet complete,
// and a queue of outgoing pieces written one by one with optional pauses in between (a client
// parses every read as one document, so an event message and the configuration after it go
// out in separate writes).
#pragma once

#include "protocol/commandreader.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

class QTcpSocket;

namespace tamro::protocol {

class ClientLink : public QObject
{
public:
    // maxPendingBytes: the most bytes that may wait for a client that does not read (queued
    // and in the socket's buffer); 0 for no bound.
    ClientLink(QTcpSocket* socket, int id, qsizetype maxCommandBytes,
               qsizetype maxPendingBytes = 0);

    QTcpSocket* socket() const { return _socket; }
    int id() const { return _id; }
    CommandReader& reader() { return _reader; }

    // Queues bytes; false (and nothing queued) when they would pass the pending bound.
    bool enqueue(const QByteArray& bytes, int pauseAfterMs);
    qsizetype pendingBytes() const;
    // Drops whatever is queued and closes the connection.
    void drop();

private:
    struct Piece
    {
        QByteArray bytes;
        int pauseAfterMs = 0;
    };

    void pump();

    QTcpSocket* _socket;
    int _id;
    CommandReader _reader;
    qsizetype _maxPending;
    qsizetype _queuedBytes = 0;
    QList<Piece> _queue;
    QTimer _timer;
};

} // namespace tamro::protocol
