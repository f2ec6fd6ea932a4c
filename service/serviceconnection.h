// SPDX-License-Identifier: GPL-3.0-or-later
// The loopback connection to the storage service: the socket, the command exchange, the
// answer and unfinished-document time-outs, and the hand-off queue.
//
// How the connection maps onto Qt (one QTcpSocket stands for both stream sides):
// - connected, and bytesWritten afterwards, are "has space available": a pending command is
//   written then, once, and the code returns to 0 (an unknown code writes nothing and
//   returns to 0 as well, so the client is never left busy for ever);
// - readyRead is "has bytes available": everything available is read, 64 KiB at a time; a
//   failed read is never taken as data;
// - errorOccurred (a refused connection included) and disconnected (the service closed the
//   connection or died) are reported as lost, once per connection, so the controller's retry
//   can reconnect. So is a command that gets no answer in time (30 s unless set otherwise):
//   the connection is closed and reported as lost. Closing or replacing the connection
//   ourselves reports nothing, and a replaced connection delivers nothing more.
// Every socket and timer handler goes through ModalGate, so it waits behind a modal panel.
// While one waits there, the socket takes in no more than one read buffer (64 KiB), so TCP
// holds the service back, and at most one read waits behind the panel.
//
// TCP carries bytes, not messages: DocumentSplitter cuts the stream into whole documents,
// each handed on once. A document left unfinished with no further byte for 2 s is handed on
// as given up. A read of a single byte between documents changes nothing; inside a document
// it is kept.
//
// Hand-offs: one timer delivers them. What waits is coalesced: the pass reads the whole table,
// so a newer answer replaces a waiting answer of the same verdict, while every removal event
// is kept (once per enclosure). A flood of messages thus makes a few passes a second, not one
// per message.
#pragma once

#include "service/documentsplitter.h"
#include "service/serviceanswer.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class QTcpSocket;

class ServiceConnection : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 kDefaultPort = 51115;
    static constexpr int kReadBufferSize = 65536;

    // Command codes.
    enum Command { kIdle = 0, kGpio = 1, kScanDevices = 2, kConfig = 3 };

    // Each whole (or given-up) document, in stream order.
    std::function<void(const DocumentSplitter::Piece&)> onDocument;
    // Each hand-off, when its turn comes and the receiver is not busy.
    std::function<void(const ServiceAnswer&)> onHandOff;
    // The connection failed, the service went away, or an answer did not come in time.
    std::function<void()> onLost;

    explicit ServiceConnection(QObject* parent = nullptr);
    ~ServiceConnection() override;

    void setPort(quint16 port) { _port = port; }
    quint16 port() const { return _port; }
    void setHandOffIntervals(int idleMs, int busyMs);
    void setTimeouts(int answerMs, int unfinishedMs);
    bool isAwaitingAnswer() const { return _awaitingAnswer; }

    void openStream();
    void closeStream();
    bool isConnected() const;
    int command() const { return _command; }
    void setCommand(int command) { _command = command; }
    // The exact bytes written for a command code; empty for 0 and unknown codes.
    static QByteArray commandText(int command);

    // Takes the bytes of one read: cuts them into whole documents and hands each on.
    void handleReadBytes(const QByteArray& bytes);
    // The document just handed on answers the pending command.
    void answerArrived();

    // Queues a hand-off, coalescing what waits.
    void queueHandOff(const ServiceAnswer& answer);
    int pendingHandOffs() const { return int(_handOffs.size()); }
    // The receiver is in a hand-off: further ones wait the busy interval.
    bool isProcessing() const { return _isProcess; }
    void setProcessing(bool processing) { _isProcess = processing; }

signals:
    void connectionStateChanged(bool connected);

private:
    void watchSocket(QTcpSocket* socket);
    void onSocket(QTcpSocket* socket, void (ServiceConnection::*handler)());
    void onReadyRead(QTcpSocket* socket);
    void dropSocket();
    void onConnected();
    void handleInputStreamEvent();
    void takeWaitingInput();
    void handleOutputStreamEvent();
    void handleStreamError();
    void reportConnectionError();
    void answerTimedOut();
    void unfinishedTimedOut();
    void scheduleHandOff(int delayMs);
    void deliverHandOff();

    QPointer<QTcpSocket> _socket; // both stream sides of the one connection
    bool _errorReported = false;  // end of stream / error reported once per connection
    bool _connected = false;
    bool _inputQueued = false;    // a read of the current connection waits behind a panel
    bool _awaitingAnswer = false; // a command was written; its answer has not come
    quint64 _generation = 0;      // counts connections, so bytes of an old one are not parsed on
    quint64 _reads = 0; // reads taken, so a stale time-out of an unfinished document is seen
    DocumentSplitter _splitter;
    int _command = kConfig;
    bool _isProcess = false;

    quint16 _port = kDefaultPort;
    int _handOffIdleMs = 100;
    int _handOffBusyMs = 1000;
    int _answerTimeoutMs = 30000;
    int _unfinishedTimeoutMs = 2000;
    QList<ServiceAnswer> _handOffs; // waiting, in order: one per verdict, one per removal
    QTimer _handOffTimer;           // delivers the first waiting hand-off
    bool _deliveryQueued = false;   // the timer fired; the delivery waits behind a panel
    QTimer _answerTimer;
    QTimer _unfinishedTimer;
};
