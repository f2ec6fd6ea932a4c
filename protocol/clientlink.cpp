// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/clientlink.h"

#include <QTcpSocket>

namespace tamro::protocol {

ClientLink::ClientLink(QTcpSocket* socket, int id, qsizetype maxCommandBytes,
                       qsizetype maxPendingBytes)
    : _socket(socket), _id(id), _reader(maxCommandBytes), _maxPending(maxPendingBytes)
{
    socket->setParent(this);
    _timer.setSingleShot(true);
    QObject::connect(&_timer, &QTimer::timeout, this, [this] { pump(); });
}

qsizetype ClientLink::pendingBytes() const
{
    return _queuedBytes + _socket->bytesToWrite();
}

bool ClientLink::enqueue(const QByteArray& bytes, int pauseAfterMs)
{
    if (_maxPending > 0 && pendingBytes() + bytes.size() > _maxPending)
        return false;
    _queue.append({bytes, pauseAfterMs});
    _queuedBytes += bytes.size();
    if (!_timer.isActive())
        pump();
    return true;
}

void ClientLink::drop()
{
    _queue.clear();
    _queuedBytes = 0;
    _timer.stop();
    _socket->disconnectFromHost();
}

void ClientLink::pump()
{
    while (!_queue.isEmpty() && _socket->state() == QAbstractSocket::ConnectedState) {
        const Piece piece = _queue.takeFirst();
        _queuedBytes -= piece.bytes.size();
        _socket->write(piece.bytes);
        _socket->flush();
        // The pause holds back whatever is queued next, including pieces queued later.
        if (piece.pauseAfterMs > 0) {
            _timer.start(piece.pauseAfterMs);
            return;
        }
    }
}

} // namespace tamro::protocol
