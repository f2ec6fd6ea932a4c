// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/serviceconnection.h"

#include "platform/modalgate.h"

#include <QHostAddress>
#include <QLoggingCategory>
#include <QTcpSocket>

#include <array>

namespace {

// Connection diagnostics; quiet unless enabled (QT_LOGGING_RULES).
Q_LOGGING_CATEGORY(lcConnection, "tamro.service", QtWarningMsg)

// The one read buffer of the program.
std::array<char, ServiceConnection::kReadBufferSize> readBuffer;

} // namespace

ServiceConnection::ServiceConnection(QObject* parent) : QObject(parent)
{
    // Timers fire from the default loop; what they start waits behind a modal panel.
    _handOffTimer.setSingleShot(true);
    connect(&_handOffTimer, &QTimer::timeout, this, [this] {
        _deliveryQueued = true;
        ModalGate::instance().run(this, [this] {
            _deliveryQueued = false;
            deliverHandOff();
        });
    });
    // Behind a panel the time-outs can come due while bytes wait unread in the socket: those
    // are read first, and count.
    _answerTimer.setSingleShot(true);
    connect(&_answerTimer, &QTimer::timeout, this, [this] {
        ModalGate::instance().run(this, [this, generation = _generation] {
            if (generation != _generation)
                return;
            takeWaitingInput();
            if (generation == _generation && _awaitingAnswer)
                answerTimedOut();
        });
    });
    _unfinishedTimer.setSingleShot(true);
    connect(&_unfinishedTimer, &QTimer::timeout, this, [this] {
        ModalGate::instance().run(this, [this, generation = _generation, reads = _reads] {
            if (generation != _generation)
                return;
            takeWaitingInput();
            if (generation == _generation && reads == _reads)
                unfinishedTimedOut();
        });
    });
}

ServiceConnection::~ServiceConnection()
{
    // Closed without a word: nobody hears from a client that is going away.
    blockSignals(true);
    dropSocket();
}

void ServiceConnection::takeWaitingInput()
{
    if (_socket && _socket->bytesAvailable() > 0)
        handleInputStreamEvent();
}

void ServiceConnection::setHandOffIntervals(int idleMs, int busyMs)
{
    _handOffIdleMs = std::max(0, idleMs);
    _handOffBusyMs = std::max(0, busyMs);
}

void ServiceConnection::setTimeouts(int answerMs, int unfinishedMs)
{
    _answerTimeoutMs = std::max(1, answerMs);
    _unfinishedTimeoutMs = std::max(1, unfinishedMs);
}

void ServiceConnection::openStream()
{
    dropSocket();
    _splitter.reset();
    _errorReported = false;
    ++_generation;
    auto* socket = new QTcpSocket(this);
    // Bytes wait in the socket only up to one read: while a modal panel holds the reader,
    // TCP holds the service back instead of this process buffering without bound.
    socket->setReadBufferSize(kReadBufferSize);
    _socket = socket;
    watchSocket(socket);
    qCDebug(lcConnection) << "connecting to 127.0.0.1 port" << _port;
    socket->connectToHost(QHostAddress(QHostAddress::LocalHost), _port);
}

void ServiceConnection::closeStream()
{
    dropSocket();
    _splitter.reset();
    ++_generation;
}

bool ServiceConnection::isConnected() const
{
    return _socket && _socket->state() == QAbstractSocket::ConnectedState;
}

// Socket signals stand for the stream events: connected or written = has space available,
// readyRead = has bytes available, errorOccurred or disconnected = error / end of stream.
// Each handler waits behind a modal panel, and does nothing once its socket is replaced.
void ServiceConnection::watchSocket(QTcpSocket* socket)
{
    connect(socket, &QTcpSocket::connected, this,
            [this, socket] { onSocket(socket, &ServiceConnection::onConnected); });
    connect(socket, &QTcpSocket::bytesWritten, this,
            [this, socket] { onSocket(socket, &ServiceConnection::handleOutputStreamEvent); });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket](QAbstractSocket::SocketError) {
        qCDebug(lcConnection) << "socket error:" << socket->errorString();
        onSocket(socket, &ServiceConnection::handleStreamError);
    });
    connect(socket, &QTcpSocket::disconnected, this,
            [this, socket] { onSocket(socket, &ServiceConnection::handleStreamError); });
}

void ServiceConnection::onSocket(QTcpSocket* socket, void (ServiceConnection::*handler)())
{
    QPointer<QTcpSocket> guard(socket);
    ModalGate::instance().run(this, [this, guard, handler] {
        if (guard && guard == _socket)
            (this->*handler)();
    });
}

// Bytes available: one read waits behind a modal panel at most, since it reads everything
// there is by then.
void ServiceConnection::onReadyRead(QTcpSocket* socket)
{
    if (socket != _socket || _inputQueued)
        return;
    _inputQueued = true;
    ModalGate::instance().run(this, [this, generation = _generation] {
        if (generation != _generation)
            return;
        _inputQueued = false;
        handleInputStreamEvent();
    });
}

// Closes the current connection without a word: its signals are cut first, so nothing it
// still had queued reaches the handlers.
void ServiceConnection::dropSocket()
{
    QTcpSocket* socket = _socket;
    _socket = nullptr;
    const bool wasConnected = _connected;
    _connected = false;
    _inputQueued = false;
    _awaitingAnswer = false;
    _answerTimer.stop();
    _unfinishedTimer.stop();
    if (socket) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
        if (wasConnected) {
            qCDebug(lcConnection) << "connection closed";
            emit connectionStateChanged(false);
        }
    }
}

void ServiceConnection::onConnected()
{
    _connected = true;
    qCInfo(lcConnection) << "connected to the storage service on port" << _port;
    emit connectionStateChanged(true);
    handleOutputStreamEvent();
}

QByteArray ServiceConnection::commandText(int command)
{
    switch (command) {
    case kGpio:
        return QByteArrayLiteral("<SVGPIOCmd ReadOp='0' BoxSN='49, 56, 21, 50, 49, 53' "
                                 "Data0='20' Data1='00' Data2='00' Data3='00'/>\r\n");
    case kScanDevices:
        return QByteArrayLiteral("<SVScanDevicesCmd/>\r\n");
    case kConfig:
        return QByteArrayLiteral("<SVConfigCmd/>\r\n");
    default:
        return QByteArray();
    }
}

// Has space available: writes the pending command once.
void ServiceConnection::handleOutputStreamEvent()
{
    if (!_socket || _command == kIdle)
        return;
    const QByteArray text = commandText(_command);
    if (!text.isEmpty()) {
        qCDebug(lcConnection) << "writing" << text.trimmed();
        _socket->write(text);
        _awaitingAnswer = true;
        _answerTimer.start(_answerTimeoutMs);
    }
    // An unknown code has nothing to write; it must not leave the client busy for ever.
    _command = kIdle;
}

// Has bytes available: reads everything there is, a buffer at a time.
void ServiceConnection::handleInputStreamEvent()
{
    const QPointer<QTcpSocket> socket = _socket;
    while (socket && socket == _socket && socket->bytesAvailable() > 0) {
        const qint64 count = socket->read(readBuffer.data(), kReadBufferSize);
        if (count < 0) {
            // A failed read is never data; the error signal follows on its own.
            qCDebug(lcConnection) << "read failed:" << socket->errorString();
            return;
        }
        if (count == 0)
            return;
        handleReadBytes(QByteArray(readBuffer.data(), count));
    }
}

// Error or end of stream, on either side: reported once per connection so the
// controller's retry can reconnect.
void ServiceConnection::handleStreamError()
{
    if (_errorReported)
        return;
    const bool wasConnected = _connected;
    _connected = false;
    qCInfo(lcConnection) << (wasConnected ? "the storage service closed the connection"
                                          : "could not connect to the storage service");
    emit connectionStateChanged(false);
    reportConnectionError();
}

void ServiceConnection::reportConnectionError()
{
    if (_errorReported)
        return;
    _errorReported = true;
    _awaitingAnswer = false;
    _answerTimer.stop();
    if (onLost)
        onLost();
}

// A service that takes a command and never answers it is as good as gone: the connection is
// closed and reported as lost, so the controller shows the problem and reconnects.
void ServiceConnection::answerTimedOut()
{
    qCInfo(lcConnection) << "no answer from the storage service within" << _answerTimeoutMs << "ms";
    closeStream(); // says the connection is gone
    reportConnectionError();
}

// The service went quiet in the middle of a document: it is handed on as given up.
void ServiceConnection::unfinishedTimedOut()
{
    const std::optional<DocumentSplitter::Piece> piece = _splitter.abandon();
    if (!piece)
        return;
    qCInfo(lcConnection) << "a document stayed unfinished for" << _unfinishedTimeoutMs << "ms";
    if (onDocument)
        onDocument(*piece);
}

void ServiceConnection::handleReadBytes(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    // A stray single byte between messages changes nothing; inside a document it belongs
    // to it and is kept, or the document would be lost.
    if (bytes.size() == 1 && !_splitter.inDocument() && bytes.at(0) != '<')
        return;
    const quint64 generation = _generation;
    ++_reads;
    const QList<DocumentSplitter::Piece> pieces = _splitter.feed(bytes);
    for (const DocumentSplitter::Piece& piece : pieces) {
        if (generation != _generation)
            return; // the connection was replaced meanwhile
        if (onDocument)
            onDocument(piece);
    }
    // A document under way must go on within the time-out, or it is given up.
    if (_splitter.inDocument())
        _unfinishedTimer.start(_unfinishedTimeoutMs);
    else
        _unfinishedTimer.stop();
}

void ServiceConnection::answerArrived()
{
    _awaitingAnswer = false;
    _answerTimer.stop();
}

// Waiting hand-offs are coalesced: the pass reads the whole table, so a newer answer
// replaces a waiting answer with the same verdict (and goes behind what came in between),
// while a removal waits once per enclosure. At most two answers and one removal per
// enclosure of the table wait at any time.
void ServiceConnection::queueHandOff(const ServiceAnswer& answer)
{
    if (answer.isRemoval()) {
        for (const ServiceAnswer& waiting : std::as_const(_handOffs)) {
            if (waiting.isRemoval() && waiting.key == answer.key)
                return;
        }
    } else {
        _handOffs.removeIf([&answer](const ServiceAnswer& waiting) {
            return !waiting.isRemoval() && waiting.isParse == answer.isParse;
        });
    }
    _handOffs.append(answer);
    scheduleHandOff(_isProcess ? _handOffBusyMs : _handOffIdleMs);
}

void ServiceConnection::scheduleHandOff(int delayMs)
{
    if (_handOffTimer.isActive() || _deliveryQueued)
        return;
    _handOffTimer.start(delayMs);
}

void ServiceConnection::deliverHandOff()
{
    if (_handOffs.isEmpty())
        return;
    if (_isProcess) {
        // The receiver is still busy with an earlier hand-off: try again later.
        _handOffTimer.start(_handOffBusyMs);
        return;
    }
    const ServiceAnswer next = _handOffs.takeFirst();
    if (onHandOff)
        onHandOff(next);
    // The rest follow at once, unless a document that ended during the pass set its delay.
    if (!_handOffs.isEmpty())
        scheduleHandOff(0);
}
