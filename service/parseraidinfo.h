// SPDX-License-Identifier: GPL-3.0-or-later
// The storage service's only client: its connection, the reading of answers and event messages
// into the enclosure table, the hand-off of each document to the controller, and the queries
// the controller and the status window read.
//
// The jobs live in classes of their own: ServiceConnection (socket, commands, time-outs,
// hand-off queue), DocumentReader (one document into records) and EnclosureTable (typed
// records keyed by serial number). This class ties them: each document the connection hands
// on is read once, on its own, and merged into the table. Garbage, documents over 64 KiB and
// a document left unfinished count as failed parses that still reach the document end, so the
// controller's failure path runs.
//
// Each hand-off delivers one ServiceAnswer: the document's parse verdict, its command
// attributes (eResult, ExecInfo) and its event, restored at delivery whatever came after it,
// and the table. The queries isParse, isEvent, eventMsgIdx, eResult and execInfo read the
// last answer read or delivered.
#pragma once

#include "service/enclosuretable.h"
#include "service/serviceanswer.h"
#include "service/serviceconnection.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class RaidInfoListener;

class ParseRaidInfo : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 kDefaultPort = ServiceConnection::kDefaultPort;
    static constexpr int kReadBufferSize = ServiceConnection::kReadBufferSize;
    static constexpr int kCodeListRoom = ::kCodeListRoom;
    // Enclosures the table takes: the controller's 16 slots.
    static constexpr int kTableRoom = EnclosureTable::kTableRoom;
    // MsgIdx of the event that removes an enclosure.
    static constexpr int kRemovalEvent = ServiceDocument::kRemovalEvent;

    // Command codes.
    static constexpr int kIdle = ServiceConnection::kIdle;
    static constexpr int kGpio = ServiceConnection::kGpio;
    static constexpr int kScanDevices = ServiceConnection::kScanDevices;
    static constexpr int kConfig = ServiceConnection::kConfig;

    // The configuration command (code 3) is pending from creation.
    explicit ParseRaidInfo(RaidInfoListener* appController, QObject* parent = nullptr);
    ~ParseRaidInfo() override;

    // Test seams: the service port, and the hand-off delays (0.1 s, 1.0 s while busy).
    void setPort(quint16 port) { _connection.setPort(port); }
    quint16 port() const { return _connection.port(); }
    void setHandOffIntervals(int idleMs, int busyMs)
    {
        _connection.setHandOffIntervals(idleMs, busyMs);
    }
    // How long a written command may wait for its answer (30 s), and how long a document may
    // stay unfinished without a further byte (2 s).
    void setTimeouts(int answerMs, int unfinishedMs)
    {
        _connection.setTimeouts(answerMs, unfinishedMs);
    }
    // A command was written and its answer has not come yet.
    bool isAwaitingAnswer() const { return _connection.isAwaitingAnswer(); }

    // --- Connection and command exchange
    void openStream() { _connection.openStream(); }
    void closeStream() { _connection.closeStream(); }
    bool isConnected() const { return _connection.isConnected(); }
    int getCommand() const { return _connection.command(); }
    void setCommand(int command) { _connection.setCommand(command); }
    bool isParse() const { return _answer.isParse; }
    bool isEvent() const { return _answer.isEvent; }
    int eventMsgIdx() const { return _answer.eventMsgIdx; }
    bool isProcess() const { return _connection.isProcessing(); }
    // The exact bytes written for a command code; empty for 0 and unknown codes.
    static QByteArray commandText(int command) { return ServiceConnection::commandText(command); }
    // The last answer read or delivered.
    const ServiceAnswer& answer() const { return _answer; }

    // --- Parsing and the enclosure table
    // Takes the bytes of one read: cuts them into whole documents and parses each once.
    // Reads of 0 or 1 byte change nothing.
    void handleReadBytes(const QByteArray& bytes) { _connection.handleReadBytes(bytes); }
    // Parses _data as one document and stores the verdict in isParse.
    void parseStreamData();
    const QByteArray& data() const { return _data; }

    static QString convertUniData(const QString& codeList) { return decodeCodeList(codeList); }
    const EnclosureTable& table() const { return _table; }
    int getDeviceCount() const { return _table.count(); }
    int serialNumber(int index) const { return _table.key(index); }
    int getDeviceIndexFromSerialNumber(int key) const;
    void removeDictAry(int index);
    // Hand-offs waiting to be delivered (for tests).
    int pendingHandOffs() const { return _connection.pendingHandOffs(); }

    // --- Queries
    int getDeviceIndex() const { return _deviceIndex; }
    void setDeviceIndex(int index) { _deviceIndex = index; }
    AttrRecord boxDict(int index) const { return _table.at(index).attributes; }
    AttrRecord drive0Dict(int index) const { return _table.at(index).drives[0].attributes; }
    AttrRecord drive1Dict(int index) const { return _table.at(index).drives[1].attributes; }
    // 0..3: bit 0 when drive 0 is not plugged in or has failed, bit 1 the same for drive 1;
    // 3 also for an empty table.
    int plugStatus(int index) const { return _table.plugStatus(index); }
    // Whether drive 0 or 1 of the enclosure is attached but reported failed (a non-zero
    // Failed beside a non-zero PluggedIn); false for an empty table.
    bool driveFailed(int index, int drive) const { return _table.driveFailed(index, drive); }
    static bool isFailedDrive(const AttrRecord& drive) { return Enclosure::Drive::isFailed(drive); }
    int mode(int index) const { return _table.at(index).mode; }
    QString friendlyMode(int index) const { return _table.at(index).friendlyMode; }
    int eResult() const { return _answer.eResult(); }
    QString execInfo() const { return _answer.execInfo(); }
    QString plugInfo(int index) const;
    const QList<AttrRecord>& ary() const { return _document.elements; }
    AttrRecord configDict() const { return _answer.command; }

signals:
    // Diagnostics for observers (the executable's log line, end-to-end tests).
    void connectionStateChanged(bool connected);
    void documentParsed(bool ok);

private:
    void parseDocument(const DocumentSplitter::Piece& piece);
    void parserDidStartDocument();
    void buildParseParam(const MergeStep& step);
    void mergeCommands(int upTo);
    void parserDidEndDocument();
    void parseData(const ServiceAnswer& answer);

    RaidInfoListener* _appController; // not owned
    QByteArray _data;
    ServiceDocument _document; // the last document read
    // The document under way: whether its removal event named a listed enclosure, the new
    // enclosures the table had no room for, and the command elements merged into the answer.
    bool _removalMatched = false;
    int _boxesRefused = 0;
    int _commandsMerged = 0;
    EnclosureTable _table;
    ServiceAnswer _answer;
    int _deviceIndex = 0;
    // Last, so it goes first: nothing it still does reaches a half-destroyed client.
    ServiceConnection _connection;
};
