// SPDX-License-Identifier: GPL-3.0-or-later
// The storage service's only client: the loopback connection, the command exchange, the
// parsing of answers and event messages into the device table, and the queries over it.
//
// How the connection maps onto Qt (one QTcpSocket stands for both stream sides):
// - connected, and bytesWritten afterwards, are "has space available": a pending command is
//   written then, once, and the code returns to 0 (an unknown code writes nothing and
//   returns to 0 as well, so the client is never left busy for ever);
// - readyRead is "has bytes available": everything available is read, 64 KiB at a time; a
//   failed read is never taken as data;
// - errorOccurred (a refused connection included) and disconnected (the service closed the
//   connection or died) are reported to the controller as errorOccurredStreamEvent, once per
//   connection, so its retry can reconnect. So is a command that gets no answer in time (30 s
//   unless set otherwise): the connection is closed and reported as lost. Closing or
//   replacing the connection ourselves reports nothing, and a replaced connection delivers
//   nothing more.
// Every socket and timer handler goes through ModalGate, so it waits behind a modal panel.
// While one waits there, the socket takes in no more than one read buffer (64 KiB), so TCP
// holds the service back, and at most one read waits behind the panel.
//
// TCP carries bytes, not messages: DocumentSplitter cuts the stream into whole documents,
// and each is parsed once, on its own. Garbage, documents over 64 KiB and a document left
// unfinished with no further byte for 2 s count as failed parses that still reach the
// document end, so the controller's failure path runs. A read of a single byte between
// documents changes nothing; inside a document it is kept. Documents with a document type
// declaration are refused, so no entity is ever expanded.
//
// Hand-offs: each document is handed over with its own parse verdict and its own command
// attributes (eResult, ExecInfo), restored at delivery whatever came after it. One timer
// delivers them. What waits is coalesced: the pass reads the whole table, so a newer answer
// replaces a waiting answer of the same verdict, while every removal event is kept (once per
// enclosure). A flood of messages thus makes a few passes a second, not one per message.
//
// The table holds at most kTableRoom enclosures (the controller's slot count); further new
// ones are not taken, and the controller's pass ends the program at its enclosure limit.
// Enclosures are found by key through a hash, so a long answer merges in linear time.
// Queries given an index outside a non-empty table read an empty record instead of running
// past its end.
#pragma once

#include "service/documentsplitter.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QTcpSocket;
class QXmlStreamAttributes;
class RaidInfoListener;

// Attribute name -> text, exactly as the service sent it.
using AttrRecord = QHash<QString, QString>;

class ParseRaidInfo : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 kDefaultPort = 51115;
    static constexpr int kReadBufferSize = 65536;
    static constexpr int kCodeListRoom = 255;
    // Enclosures the table takes: the controller's 16 slots.
    static constexpr int kTableRoom = 16;
    // MsgIdx of the event that removes an enclosure.
    static constexpr int kRemovalEvent = 13;

    // Command codes.
    enum Command { kIdle = 0, kGpio = 1, kScanDevices = 2, kConfig = 3 };

    // The configuration command (code 3) is pending from creation.
    explicit ParseRaidInfo(RaidInfoListener* appController, QObject* parent = nullptr);
    ~ParseRaidInfo() override;

    // Test seams: the service port, and the hand-off delays (0.1 s, 1.0 s while busy).
    void setPort(quint16 port) { _port = port; }
    quint16 port() const { return _port; }
    void setHandOffIntervals(int idleMs, int busyMs);
    // How long a written command may wait for its answer (30 s), and how long a document may
    // stay unfinished without a further byte (2 s).
    void setTimeouts(int answerMs, int unfinishedMs);
    // A command was written and its answer has not come yet.
    bool isAwaitingAnswer() const { return _awaitingAnswer; }

    // --- Connection and command exchange
    void openStream();
    void closeStream();
    bool isConnected() const;
    int getCommand() const { return _command; }
    void setCommand(int command) { _command = command; }
    bool isParse() const { return _isParse; }
    bool isEvent() const { return _isEvent; }
    int eventMsgIdx() const { return _eventMsgIdx; }
    bool isProcess() const { return _isProcess; }
    // The exact bytes written for a command code; empty for 0 and unknown codes.
    static QByteArray commandText(int command);

    // --- Parsing and the device table
    // Takes the bytes of one read: cuts them into whole documents and parses each once.
    // Reads of 0 or 1 byte change nothing.
    void handleReadBytes(const QByteArray& bytes);
    // Parses _data as one document and stores the verdict in _isParse.
    void parseStreamData();
    const QByteArray& data() const { return _data; }

    static QString convertUniData(const QString& codeList);
    int getDeviceCount() const { return int(_boxAry.size()); }
    int serialNumber(int index) const;
    int getDeviceIndexFromSerialNumber(int key) const;
    void removeDictAry(int index);
    // Hand-offs waiting to be delivered (for tests).
    int pendingHandOffs() const { return int(_handOffs.size()); }

    // --- Queries
    int getDeviceIndex() const { return _deviceIndex; }
    void setDeviceIndex(int index) { _deviceIndex = index; }
    AttrRecord boxDict(int index) const;
    AttrRecord drive0Dict(int index) const;
    AttrRecord drive1Dict(int index) const;
    // 0..3: bit 0 when drive 0 is not plugged in or has failed, bit 1 the same for drive 1;
    // 3 also for an empty table.
    int plugStatus(int index) const;
    // Whether drive 0 or 1 of the enclosure is attached but reported failed (a non-zero
    // Failed beside a non-zero PluggedIn); false for an empty table.
    bool driveFailed(int index, int drive) const;
    static bool isFailedDrive(const AttrRecord& drive);
    int mode(int index) const;
    QString friendlyMode(int index) const;
    int eResult() const;
    QString execInfo() const;
    QString plugInfo(int index) const;
    const QList<AttrRecord>& ary() const { return _ary; }
    AttrRecord configDict() const { return _configDict; }

signals:
    // Diagnostics for observers (the executable's log line, end-to-end tests).
    void connectionStateChanged(bool connected);
    void documentParsed(bool ok);

private:
    // What a document hands over: the enclosure it names, its event, its parse verdict and
    // the attributes of its command element.
    struct HandOff
    {
        int key = 0;
        bool isEvent = false;
        int eventMsgIdx = 0;
        bool isParse = false;
        AttrRecord config;
        bool isRemoval() const { return isEvent && eventMsgIdx == kRemovalEvent; }
    };

    void watchSocket(QTcpSocket* socket);
    void onSocket(QTcpSocket* socket, void (ParseRaidInfo::*handler)());
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
    void parseDocument(const DocumentSplitter::Piece& piece);
    void parserDidStartDocument();
    void didStartElement(QStringView name, const QXmlStreamAttributes& attributes);
    void didEndElement(QStringView name);
    void parserDidEndDocument();
    void queueHandOff(const HandOff& handOff);
    void scheduleHandOff(int delayMs);
    void deliverHandOff();
    void parseData(const HandOff& handOff);
    void buildParseParam();
    void clearParseParam();
    AttrRecord& driveRecord(int diskId);
    const AttrRecord& entryAt(const QList<AttrRecord>& ary, const AttrRecord& working,
                              int index) const;

    RaidInfoListener* _appController; // not owned
    QPointer<QTcpSocket> _socket;     // both stream sides of the one connection
    bool _errorReported = false;      // end of stream / error reported once per connection
    bool _connected = false;
    bool _inputQueued = false;    // a read of the current connection waits behind a panel
    bool _awaitingAnswer = false; // a command was written; its answer has not come
    quint64 _generation = 0;      // counts connections, so bytes of an old one are not parsed on
    quint64 _reads = 0; // reads taken, so a stale time-out of an unfinished document is seen
    QByteArray _data;
    DocumentSplitter _splitter;
    bool _isParse = false;
    bool _isProcess = false;
    QList<AttrRecord> _ary;
    AttrRecord _eventLogDict;
    AttrRecord _configDict;
    AttrRecord _boxDict;
    AttrRecord _drive0Dict;
    AttrRecord _drive1Dict;
    QList<AttrRecord> _boxAry;
    QList<AttrRecord> _drive0Ary;
    QList<AttrRecord> _drive1Ary;
    QList<int> _keys;          // the enclosure key of each table entry
    QHash<int, int> _keyIndex; // enclosure key -> table index
    int _boxesRefused = 0;     // new enclosures of the current document the table had no room for
    int _diskId = 0;
    bool _isEvent = false;
    bool _removalMatched = false; // the document's removal event named a known enclosure
    int _eventMsgIdx = 0;
    int _command = kConfig;
    int _deviceIndex = 0;

    quint16 _port = kDefaultPort;
    int _handOffIdleMs = 100;
    int _handOffBusyMs = 1000;
    int _answerTimeoutMs = 30000;
    int _unfinishedTimeoutMs = 2000;
    QList<HandOff> _handOffs;     // waiting, in order: at most one per verdict, one per removal
    QTimer _handOffTimer;         // delivers the first waiting hand-off
    bool _deliveryQueued = false; // the timer fired; the delivery waits behind a panel
    QTimer _answerTimer;
    QTimer _unfinishedTimer;
};
