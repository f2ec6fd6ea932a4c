// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/parseraidinfo.h"

#include "service/raidinfolistener.h"
#include "util/intvalue.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QScopeGuard>

namespace {

// Parse diagnostics; quiet unless enabled (QT_LOGGING_RULES).
Q_LOGGING_CATEGORY(lcService, "tamro.service", QtWarningMsg)

const QString kExecInfo = QStringLiteral("ExecInfo");

// "Failed configuration." as a code list: what a removal event stores as ExecInfo.
const QString kRemovalText = QStringLiteral("70, 97, 105, 108, 101, 100, 32, 99, 111, 110, 102, "
                                            "105, 103, 117, 114, 97, 116, 105, 111, 110, 46");

} // namespace

int ServiceAnswer::eResult() const
{
    return intValue(command.value(QStringLiteral("eResult")));
}

QString ServiceAnswer::execInfo() const
{
    return decodeCodeList(command.value(kExecInfo));
}

ParseRaidInfo::ParseRaidInfo(RaidInfoListener* appController, QObject* parent)
    : QObject(parent), _appController(appController)
{
    _answer.table = &_table;
    _connection.onDocument = [this](const DocumentSplitter::Piece& piece) { parseDocument(piece); };
    _connection.onHandOff = [this](const ServiceAnswer& answer) { parseData(answer); };
    _connection.onLost = [this] {
        if (_appController)
            _appController->errorOccurredStreamEvent();
    };
    connect(&_connection, &ServiceConnection::connectionStateChanged, this,
            &ParseRaidInfo::connectionStateChanged);
}

ParseRaidInfo::~ParseRaidInfo()
{
    // Closed without a word: nobody hears from a client that is going away.
    blockSignals(true);
    _connection.closeStream();
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
    _document.clear();
    parserDidStartDocument();
    parserDidEndDocument();
    emit documentParsed(false);
}

void ParseRaidInfo::parseStreamData()
{
    parserDidStartDocument();
    DocumentReader::read(_data, _document,
                         [this](const MergeStep& step) { buildParseParam(step); });
    if (!_document.isParse)
        qCInfo(lcService) << "parse failed at" << _document.error;
    parserDidEndDocument();
    emit documentParsed(_answer.isParse);
}

// Document start: a fresh answer, merged into as the document is read.
void ParseRaidInfo::parserDidStartDocument()
{
    _answer = ServiceAnswer();
    _answer.table = &_table;
    _removalMatched = false;
    _boxesRefused = 0;
    _commandsMerged = 0;
}

// Each closed enclosure or event merges into the table as soon as it is read, so the records
// it replaces are freed while the document is still being read. The command attributes are
// merged in document order with the steps, so a removal's ExecInfo stands where it stood
// among them.
void ParseRaidInfo::buildParseParam(const MergeStep& step)
{
    mergeCommands(step.commandsRead);
    const EnclosureTable::Merged merged = _table.merge(step);
    if (merged.index >= 0)
        _deviceIndex = merged.index;
    if (merged.removalMatched) {
        _answer.command.insert(kExecInfo, kRemovalText);
        _removalMatched = true;
    }
    if (merged.refused)
        ++_boxesRefused;
}

void ParseRaidInfo::mergeCommands(int upTo)
{
    for (; _commandsMerged < upTo; ++_commandsMerged)
        mergeInto(_answer.command, _document.commands.at(_commandsMerged));
}

// Document end: hands the result to the controller after a short delay, except for an event
// that only moves the current enclosure.
void ParseRaidInfo::parserDidEndDocument()
{
    _answer.isParse = _document.isParse;
    _answer.isEvent = _document.isEvent;
    _answer.eventMsgIdx = _document.eventMsgIdx;
    mergeCommands(int(_document.commands.size()));
    _table.setLoose(_document.working);

    if (_boxesRefused > 0)
        qCInfo(lcService) << "the table holds" << kTableRoom << "enclosures; left out"
                          << _boxesRefused << "more";
    // Anything but an event message answers the command (a failed one included).
    if (!_answer.isEvent)
        _connection.answerArrived();
    if (_answer.isEvent && _answer.eventMsgIdx != kRemovalEvent)
        return;
    // A removal naming no enclosure of the table (one plugged in and out between two
    // fetches, say) has nothing to drop; handing it off would make the controller drop the
    // current enclosure, which is still attached.
    if (_answer.isEvent && !_removalMatched && getDeviceCount() > 0)
        return;
    _answer.key = serialNumber(_deviceIndex);
    _connection.queueHandOff(_answer);
}

void ParseRaidInfo::parseData(const ServiceAnswer& answer)
{
    if (answer.isRemoval() && getDeviceCount() > 0 && _table.indexOf(answer.key) < 0) {
        // A removal whose enclosure has left the table meanwhile (the same removal sent
        // twice, say) has nothing left to remove: falling back to index 0 would make the
        // controller drop an enclosure that is still there.
        qCInfo(lcService) << "removal of enclosure" << answer.key << "that is no longer listed";
        return;
    }
    _deviceIndex = getDeviceIndexFromSerialNumber(answer.key);
    // The pass judges this document, whatever was read after it.
    _answer = answer;
    _answer.deviceIndex = _deviceIndex;
    if (!_appController)
        return;
    _connection.setProcessing(true);
    const QPointer<ParseRaidInfo> self(this);
    const auto done = qScopeGuard([self] {
        if (self)
            self->_connection.setProcessing(false);
    });
    const ServiceAnswer delivered = _answer;
    _appController->processRaidInfo(delivered);
}

int ParseRaidInfo::getDeviceIndexFromSerialNumber(int key) const
{
    return std::max(0, _table.indexOf(key));
}

void ParseRaidInfo::removeDictAry(int index)
{
    _table.removeAt(index);
    _deviceIndex = 0;
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
        if (_answer.eventMsgIdx == kRemovalEvent)
            return QStringLiteral("Failed configuration.");
        return QStringLiteral("Device re-scan did not find any devices.");
    }
}
