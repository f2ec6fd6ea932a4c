// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/parseraidinfo.h"

#include "platform/modalgate.h"
#include "service/raidinfolistener.h"
#include "util/intvalue.h"

#include <QHostAddress>
#include <QLoggingCategory>
#include <QScopeGuard>
#include <QTcpSocket>
#include <QTimer>
#include <QXmlStreamReader>

#include <array>

namespace {

// Connection and parse diagnostics; quiet unless enabled (QT_LOGGING_RULES).
Q_LOGGING_CATEGORY(lcService, "tamro.service", QtWarningMsg)

const QString kSerialNumber = QStringLiteral("SerialNumber");
const QString kExecInfo = QStringLiteral("ExecInfo");
const QString kIsEvent = QStringLiteral("_isEvent");
const QString kEventMsgIdx = QStringLiteral("_eventMsgIdx");

// "Failed configuration." as a code list: what a removal event stores as ExecInfo.
const QString kRemovalText = QStringLiteral("70, 97, 105, 108, 101, 100, 32, 99, 111, 110, 102, "
                                            "105, 103, 117, 114, 97, 116, 105, 111, 110, 46");

// The one read buffer of the program.
std::array<char, ParseRaidInfo::kReadBufferSize> readBuffer;

AttrRecord takeAttributes(const QXmlStreamAttributes& attributes)
{
    AttrRecord record;
    record.reserve(attributes.size());
    for (const QXmlStreamAttribute& attribute : attributes)
        record.insert(attribute.qualifiedName().toString(), attribute.value().toString());
    return record;
}

// A record of the named attributes that are present (an absent one reads as empty anyway).
// Names are compared before anything is copied: the elements carry many more attributes than
// the monitor reads.
AttrRecord pick(const QXmlStreamAttributes& attributes, std::initializer_list<QLatin1String> names)
{
    AttrRecord record;
    for (const QXmlStreamAttribute& attribute : attributes) {
        const QStringView name = attribute.qualifiedName();
        if (std::find(names.begin(), names.end(), name) != names.end())
            record.insert(name.toString(), attribute.value().toString());
    }
    return record;
}

void mergeInto(AttrRecord& into, const AttrRecord& from)
{
    if (into.isEmpty()) {
        into = from; // shared, not copied
        return;
    }
    for (auto it = from.cbegin(); it != from.cend(); ++it)
        into.insert(it.key(), it.value());
}

} // namespace

ParseRaidInfo::ParseRaidInfo(RaidInfoListener* appController, QObject* parent)
    : QObject(parent), _appController(appController)
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

void ParseRaidInfo::takeWaitingInput()
{
    if (_socket && _socket->bytesAvailable() > 0)
        handleInputStreamEvent();
}

ParseRaidInfo::~ParseRaidInfo()
{
    // Closed without a word: nobody hears from a client that is going away.
    blockSignals(true);
    dropSocket();
}

void ParseRaidInfo::setHandOffIntervals(int idleMs, int busyMs)
{
    _handOffIdleMs = std::max(0, idleMs);
    _handOffBusyMs = std::max(0, busyMs);
}

void ParseRaidInfo::setTimeouts(int answerMs, int unfinishedMs)
{
    _answerTimeoutMs = std::max(1, answerMs);
    _unfinishedTimeoutMs = std::max(1, unfinishedMs);
}

// --- Connection and command exchange

void ParseRaidInfo::openStream()
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
    qCDebug(lcService) << "connecting to 127.0.0.1 port" << _port;
    socket->connectToHost(QHostAddress(QHostAddress::LocalHost), _port);
}

void ParseRaidInfo::closeStream()
{
    dropSocket();
    _splitter.reset();
    ++_generation;
}

bool ParseRaidInfo::isConnected() const
{
    return _socket && _socket->state() == QAbstractSocket::ConnectedState;
}

// Socket signals stand for the stream events: connected or written = has space available,
// readyRead = has bytes available, errorOccurred or disconnected = error / end of stream.
// Each handler waits behind a modal panel, and does nothing once its socket is replaced.
void ParseRaidInfo::watchSocket(QTcpSocket* socket)
{
    connect(socket, &QTcpSocket::connected, this,
            [this, socket] { onSocket(socket, &ParseRaidInfo::onConnected); });
    connect(socket, &QTcpSocket::bytesWritten, this,
            [this, socket] { onSocket(socket, &ParseRaidInfo::handleOutputStreamEvent); });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket](QAbstractSocket::SocketError) {
        qCDebug(lcService) << "socket error:" << socket->errorString();
        onSocket(socket, &ParseRaidInfo::handleStreamError);
    });
    connect(socket, &QTcpSocket::disconnected, this,
            [this, socket] { onSocket(socket, &ParseRaidInfo::handleStreamError); });
}

void ParseRaidInfo::onSocket(QTcpSocket* socket, void (ParseRaidInfo::*handler)())
{
    QPointer<QTcpSocket> guard(socket);
    ModalGate::instance().run(this, [this, guard, handler] {
        if (guard && guard == _socket)
            (this->*handler)();
    });
}

// Bytes available: one read waits behind a modal panel at most, since it reads everything
// there is by then.
void ParseRaidInfo::onReadyRead(QTcpSocket* socket)
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
void ParseRaidInfo::dropSocket()
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
            qCDebug(lcService) << "connection closed";
            emit connectionStateChanged(false);
        }
    }
}

void ParseRaidInfo::onConnected()
{
    _connected = true;
    qCInfo(lcService) << "connected to the storage service on port" << _port;
    emit connectionStateChanged(true);
    handleOutputStreamEvent();
}

QByteArray ParseRaidInfo::commandText(int command)
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
void ParseRaidInfo::handleOutputStreamEvent()
{
    if (!_socket || _command == kIdle)
        return;
    const QByteArray text = commandText(_command);
    if (!text.isEmpty()) {
        qCDebug(lcService) << "writing" << text.trimmed();
        _socket->write(text);
        _awaitingAnswer = true;
        _answerTimer.start(_answerTimeoutMs);
    }
    // An unknown code has nothing to write; it must not leave the client busy for ever.
    _command = kIdle;
}

// Has bytes available: reads everything there is, a buffer at a time.
void ParseRaidInfo::handleInputStreamEvent()
{
    const QPointer<QTcpSocket> socket = _socket;
    while (socket && socket == _socket && socket->bytesAvailable() > 0) {
        const qint64 count = socket->read(readBuffer.data(), kReadBufferSize);
        if (count < 0) {
            // A failed read is never data; the error signal follows on its own.
            qCDebug(lcService) << "read failed:" << socket->errorString();
            return;
        }
        if (count == 0)
            return;
        handleReadBytes(QByteArray(readBuffer.data(), count));
    }
}

// Error or end of stream, on either side: reported once per connection so the
// controller's retry can reconnect.
void ParseRaidInfo::handleStreamError()
{
    if (_errorReported)
        return;
    const bool wasConnected = _connected;
    _connected = false;
    qCInfo(lcService) << (wasConnected ? "the storage service closed the connection"
                                       : "could not connect to the storage service");
    emit connectionStateChanged(false);
    reportConnectionError();
}

void ParseRaidInfo::reportConnectionError()
{
    if (_errorReported)
        return;
    _errorReported = true;
    _awaitingAnswer = false;
    _answerTimer.stop();
    if (_appController)
        _appController->errorOccurredStreamEvent();
}

// A service that takes a command and never answers it is as good as gone: the connection is
// closed and reported as lost, so the controller shows the problem and reconnects.
void ParseRaidInfo::answerTimedOut()
{
    qCInfo(lcService) << "no answer from the storage service within" << _answerTimeoutMs << "ms";
    closeStream(); // says the connection is gone
    reportConnectionError();
}

// The service went quiet in the middle of a document: it is handed over as a failed parse.
void ParseRaidInfo::unfinishedTimedOut()
{
    const std::optional<DocumentSplitter::Piece> piece = _splitter.abandon();
    if (!piece)
        return;
    qCInfo(lcService) << "a document stayed unfinished for" << _unfinishedTimeoutMs << "ms";
    parseDocument(*piece);
}

// --- Parsing

void ParseRaidInfo::handleReadBytes(const QByteArray& bytes)
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
        parseDocument(piece);
    }
    // A document under way must go on within the time-out, or it is given up.
    if (_splitter.inDocument())
        _unfinishedTimer.start(_unfinishedTimeoutMs);
    else
        _unfinishedTimer.stop();
}

void ParseRaidInfo::parseDocument(const DocumentSplitter::Piece& piece)
{
    _data = piece.bytes;
    if (piece.complete) {
        parseStreamData();
        return;
    }
    // Oversized or garbage: a failed document that still reaches its end step, so the
    // controller's parse-failure path runs.
    qCInfo(lcService) << "dropped" << piece.bytes.size() << "bytes that are no document";
    parserDidStartDocument();
    _isParse = false;
    parserDidEndDocument();
    emit documentParsed(false);
}

void ParseRaidInfo::parseStreamData()
{
    QXmlStreamReader reader(_data);
    // Names compare as written, prefix and all.
    reader.setNamespaceProcessing(false);
    parserDidStartDocument();
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            didStartElement(reader.qualifiedName(), reader.attributes());
            break;
        case QXmlStreamReader::EndElement:
            didEndElement(reader.qualifiedName());
            break;
        case QXmlStreamReader::DTD:
            // Entity declarations could expand to anything: the service never sends them.
            reader.raiseError(QStringLiteral("document type declarations are not accepted"));
            break;
        default:
            break;
        }
    }
    _isParse = !reader.hasError();
    if (!_isParse)
        qCInfo(lcService) << "parse failed at line" << reader.lineNumber() << "column"
                          << reader.columnNumber() << ":" << reader.errorString();
    parserDidEndDocument();
    emit documentParsed(_isParse);
}

void ParseRaidInfo::parserDidStartDocument()
{
    _ary.clear();
    _eventLogDict.clear();
    _configDict.clear();
    _diskId = 0;
    _isEvent = false;
    _removalMatched = false;
    _eventMsgIdx = 0;
    _boxesRefused = 0;
    clearParseParam();
}

AttrRecord& ParseRaidInfo::driveRecord(int diskId)
{
    return diskId == 0 ? _drive0Dict : _drive1Dict;
}

void ParseRaidInfo::didStartElement(QStringView name, const QXmlStreamAttributes& attributes)
{
    if (name == u"SVEvent") {
        _isEvent = true;
        _eventMsgIdx = intValue(attributes.value(QLatin1String("MsgIdx")));
        mergeInto(_eventLogDict, takeAttributes(attributes));
    } else if (name == u"SVScanDevicesCmd" || name == u"SVConfigCmd") {
        const AttrRecord record = takeAttributes(attributes);
        _ary.append(record);
        mergeInto(_configDict, record);
    } else if (name == u"SVSystem") {
        _ary.append(takeAttributes(attributes));
    } else if (name == u"SVBox") {
        const AttrRecord record = takeAttributes(attributes);
        _ary.append(record);
        mergeInto(_boxDict, record);
    } else if (name == u"SVPhysDrive") {
        _diskId = intValue(attributes.value(QLatin1String("id")));
        const AttrRecord record =
            pick(attributes, {QLatin1String("id"), QLatin1String("SerialNumber"),
                              QLatin1String("ModelName"), QLatin1String("PluggedIn"),
                              QLatin1String("ActualCapacity_GB"), QLatin1String("Failed")});
        _ary.append(record);
        if (_diskId == 0 || _diskId == 1)
            mergeInto(driveRecord(_diskId), record);
    } else if (name == u"SVPhysPartition") {
        const AttrRecord record =
            pick(attributes, {QLatin1String("Capacity_GB"), QLatin1String("Status"),
                              QLatin1String("RebuildProgress")});
        _ary.append(record);
        if (_diskId == 0 || _diskId == 1)
            mergeInto(driveRecord(_diskId), record);
    } else if (name == u"SVPartialVolume") {
        const AttrRecord record =
            pick(attributes, {QLatin1String("mode"), QLatin1String("FriendlyMode"),
                              QLatin1String("Capacity_GB")});
        _ary.append(record);
        mergeInto(_boxDict, record);
    }
}

void ParseRaidInfo::didEndElement(QStringView name)
{
    if (name == u"SVEventLogCmd") {
        buildParseParam();
    } else if (name == u"SVBox") {
        buildParseParam();
        clearParseParam();
    }
}

// Document end: hands the result to the controller after a short delay, except for an
// event that only moves the current enclosure.
void ParseRaidInfo::parserDidEndDocument()
{
    if (_boxesRefused > 0)
        qCInfo(lcService) << "the table holds" << kTableRoom << "enclosures; left out"
                          << _boxesRefused << "more";
    // Anything but an event message answers the command (a failed one included).
    if (!_isEvent) {
        _awaitingAnswer = false;
        _answerTimer.stop();
    }
    if (_isEvent && _eventMsgIdx != kRemovalEvent)
        return;
    // A removal naming no enclosure of the table (one plugged in and out between two
    // fetches, say) has nothing to drop; handing it off would make the controller drop the
    // current enclosure, which is still attached.
    if (_isEvent && !_removalMatched && getDeviceCount() > 0)
        return;
    queueHandOff({serialNumber(_deviceIndex), _isEvent, _eventMsgIdx, _isParse, _configDict});
}

// Waiting hand-offs are coalesced: the pass reads the whole table, so a newer answer
// replaces a waiting answer with the same verdict (and goes behind what came in between),
// while a removal waits once per enclosure. At most two answers and one removal per
// enclosure of the table wait at any time.
void ParseRaidInfo::queueHandOff(const HandOff& handOff)
{
    if (handOff.isRemoval()) {
        for (const HandOff& waiting : std::as_const(_handOffs)) {
            if (waiting.isRemoval() && waiting.key == handOff.key)
                return;
        }
    } else {
        _handOffs.removeIf([&handOff](const HandOff& waiting) {
            return !waiting.isRemoval() && waiting.isParse == handOff.isParse;
        });
    }
    _handOffs.append(handOff);
    scheduleHandOff(_isProcess ? _handOffBusyMs : _handOffIdleMs);
}

void ParseRaidInfo::scheduleHandOff(int delayMs)
{
    if (_handOffTimer.isActive() || _deliveryQueued)
        return;
    _handOffTimer.start(delayMs);
}

void ParseRaidInfo::deliverHandOff()
{
    if (_handOffs.isEmpty())
        return;
    if (_isProcess) {
        // The controller is still busy with an earlier hand-off: try again later.
        _handOffTimer.start(_handOffBusyMs);
        return;
    }
    const HandOff next = _handOffs.takeFirst();
    parseData(next);
    // The rest follow at once, unless a document that ended during the pass set its delay.
    if (!_handOffs.isEmpty())
        scheduleHandOff(0);
}

void ParseRaidInfo::parseData(const HandOff& handOff)
{
    if (handOff.isRemoval() && getDeviceCount() > 0 && !_keyIndex.contains(handOff.key)) {
        // A removal whose enclosure has left the table meanwhile (the same removal sent
        // twice, say) has nothing left to remove: falling back to index 0 would make the
        // controller drop an enclosure that is still there.
        qCInfo(lcService) << "removal of enclosure" << handOff.key << "that is no longer listed";
        return;
    }
    _deviceIndex = getDeviceIndexFromSerialNumber(handOff.key);
    _isEvent = handOff.isEvent;
    _eventMsgIdx = handOff.eventMsgIdx;
    // The pass judges this document, whatever was read after it.
    _isParse = handOff.isParse;
    _configDict = handOff.config;
    if (!_appController)
        return;
    _isProcess = true;
    const QPointer<ParseRaidInfo> self(this);
    const auto done = qScopeGuard([self] {
        if (self)
            self->_isProcess = false;
    });
    _appController->processRaidInfo();
}

// Merges the enclosure (or the event) just collected into the device table.
void ParseRaidInfo::buildParseParam()
{
    const QString keyText =
        _isEvent ? _eventLogDict.value(QStringLiteral("BoxSN")) : _boxDict.value(kSerialNumber);
    if (keyText.isEmpty())
        return;
    const int key = intValue(convertUniData(keyText));
    const int found = _keyIndex.value(key, -1);
    if (found >= 0) {
        if (!_isEvent) {
            _boxAry[found] = _boxDict;
            _drive0Ary[found] = _drive0Dict;
            _drive1Ary[found] = _drive1Dict;
        } else if (_eventMsgIdx != kRemovalEvent) {
            _deviceIndex = found;
        } else {
            _configDict.insert(kExecInfo, kRemovalText);
            _drive0Ary[found] = _drive0Dict;
            _drive1Ary[found] = _drive1Dict;
            AttrRecord reduced;
            reduced.insert(kSerialNumber, _boxAry.at(found).value(kSerialNumber));
            _boxAry[found] = reduced;
            _deviceIndex = found;
            _removalMatched = true;
        }
    } else if (!_isEvent) {
        if (getDeviceCount() >= kTableRoom) {
            // More enclosures than the controller has slots for: the pass ends the program
            // at its enclosure limit; merging the rest would only cost time.
            ++_boxesRefused;
            return;
        }
        _deviceIndex = getDeviceCount();
        _keyIndex.insert(key, _deviceIndex);
        _keys.append(key);
        _boxAry.append(_boxDict);
        _drive0Ary.append(_drive0Dict);
        _drive1Ary.append(_drive1Dict);
    }
}

void ParseRaidInfo::clearParseParam()
{
    _boxDict = AttrRecord();
    _drive0Dict = AttrRecord();
    _drive1Dict = AttrRecord();
}

// Decodes a code list ("70, 97" -> "Fa"). Codes above 122 turn the whole text into "-";
// only the first 255 codes are read. The codes are separated by runs of commas and spaces; a
// NUL character ends the list. Tokens are read in place, nothing is copied but the result.
QString ParseRaidInfo::convertUniData(const QString& codeList)
{
    const QStringView list(codeList);
    const qsizetype n = list.size();
    const auto atEnd = [&list, n](qsizetype i) { return i >= n || list[i].unicode() == 0; };
    const auto isDelimiter = [&list](qsizetype i) { return list[i] == u',' || list[i] == u' '; };
    QString text;
    qsizetype i = 0;
    for (int count = 0; count < kCodeListRoom; ++count) {
        while (!atEnd(i) && isDelimiter(i))
            ++i;
        if (atEnd(i))
            break;
        const qsizetype start = i;
        while (!atEnd(i) && !isDelimiter(i))
            ++i;
        const auto code = quint16(quint32(intValue(list.sliced(start, i - start))));
        if (code > 122)
            return QStringLiteral("-");
        if (text.isEmpty())
            text.reserve(std::min<qsizetype>(kCodeListRoom, n / 2 + 1));
        text.append(QChar(code));
    }
    return text;
}

// The key of an entry is that of its decoded SerialNumber; entries are only ever replaced
// by one with the same key, so it is kept beside the table.
int ParseRaidInfo::serialNumber(int index) const
{
    if (index < 0 || index >= getDeviceCount())
        return 0;
    return _keys.at(index);
}

int ParseRaidInfo::getDeviceIndexFromSerialNumber(int key) const
{
    return _keyIndex.value(key, 0);
}

void ParseRaidInfo::removeDictAry(int index)
{
    if (index >= 0 && index < getDeviceCount()) {
        _boxAry.removeAt(index);
        _drive0Ary.removeAt(index);
        _drive1Ary.removeAt(index);
        _keys.removeAt(index);
        _keyIndex.clear();
        for (int i = 0; i < _keys.size(); ++i)
            _keyIndex.insert(_keys.at(i), i);
    }
    _deviceIndex = 0;
}

// --- Queries

// The table entry, or the working record while the table is empty. An index outside the
// table reads as an empty record rather than past the end.
const AttrRecord& ParseRaidInfo::entryAt(const QList<AttrRecord>& ary, const AttrRecord& working,
                                         int index) const
{
    static const AttrRecord empty;
    if (ary.isEmpty())
        return working;
    if (index < 0 || index >= ary.size())
        return empty;
    return ary.at(index);
}

AttrRecord ParseRaidInfo::boxDict(int index) const
{
    return entryAt(_boxAry, _boxDict, index);
}

AttrRecord ParseRaidInfo::drive0Dict(int index) const
{
    return entryAt(_drive0Ary, _drive0Dict, index);
}

AttrRecord ParseRaidInfo::drive1Dict(int index) const
{
    return entryAt(_drive1Ary, _drive1Dict, index);
}

bool ParseRaidInfo::isFailedDrive(const AttrRecord& drive)
{
    return intValue(drive.value(QStringLiteral("PluggedIn"))) != 0 &&
           intValue(drive.value(QStringLiteral("Failed"))) != 0;
}

bool ParseRaidInfo::driveFailed(int index, int drive) const
{
    if (getDeviceCount() == 0)
        return false;
    return isFailedDrive(drive == 0 ? entryAt(_drive0Ary, _drive0Dict, index)
                                    : entryAt(_drive1Ary, _drive1Dict, index));
}

int ParseRaidInfo::plugStatus(int index) const
{
    if (getDeviceCount() == 0)
        return 3;
    // A drive that is attached but failed no longer serves the volume: it counts out like a
    // pulled one, so the enclosure gets the same problem state.
    const auto out = [](const AttrRecord& drive) {
        return intValue(drive.value(QStringLiteral("PluggedIn"))) == 0 || isFailedDrive(drive);
    };
    int status = 0;
    if (out(entryAt(_drive0Ary, _drive0Dict, index)))
        status |= 1;
    if (out(entryAt(_drive1Ary, _drive1Dict, index)))
        status |= 2;
    return status;
}

int ParseRaidInfo::mode(int index) const
{
    return intValue(entryAt(_boxAry, _boxDict, index).value(QStringLiteral("mode")));
}

QString ParseRaidInfo::friendlyMode(int index) const
{
    return convertUniData(entryAt(_boxAry, _boxDict, index).value(QStringLiteral("FriendlyMode")));
}

int ParseRaidInfo::eResult() const
{
    return intValue(_configDict.value(QStringLiteral("eResult")));
}

QString ParseRaidInfo::execInfo() const
{
    return convertUniData(_configDict.value(kExecInfo));
}

QString ParseRaidInfo::plugInfo(int index) const
{
    // A drive counted out for having failed says so; when one drive failed and the other is
    // missing, the enclosure keeps the sentence for two missing drives.
    switch (plugStatus(index)) {
    case 0:
        return QStringLiteral("Retrieved configuration.");
    case 1:
        return driveFailed(index, 0) ? QStringLiteral("Disk1 has failed.")
                                     : QStringLiteral("Disk1 is not connected.");
    case 2:
        return driveFailed(index, 1) ? QStringLiteral("Disk2 has failed.")
                                     : QStringLiteral("Disk2 is not connected.");
    default:
        if (driveFailed(index, 0) && driveFailed(index, 1))
            return QStringLiteral("Disk1/2 have failed.");
        if (!friendlyMode(index).isEmpty())
            return QStringLiteral("Disk1/2 is not connected.");
        if (_eventMsgIdx == kRemovalEvent)
            return QStringLiteral("Failed configuration.");
        return QStringLiteral("Device re-scan did not find any devices.");
    }
}
