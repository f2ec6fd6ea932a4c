// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated storage service's model: its enclosures and drives, the documents it sends
// for them, and the control commands that change them. No sockets here; SimServer does the I/O.
#pragma once

#include "protocol/codelist.h"
#include "protocol/documents.h"
#include "protocol/enclosure.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace tamro::sim {

// The service's text encoding (see protocol/codelist.h). Every character is encoded as it is,
// so a text holding a character above 122 yields a code list that a client must reject; fault
// tests use that on purpose.
using protocol::encodeCodeList;

using SimDrive = protocol::Drive;

struct SimEnclosure : protocol::Enclosure
{
    SimEnclosure()
    {
        productName = QStringLiteral("SIM RAID Enclosure");
        volumeCapacityGb = 465.76;
        for (SimDrive& drive : drives) {
            drive.actualCapacityGb = 500.11;
            drive.partitionCapacityGb = 465.76;
        }
    }
    // The drive that a rebuild runs on: the one plugged in most recently.
    int rebuildDrive = 1;
};

// What a control command asks the server to send afterwards.
struct SimOutcome
{
    enum class Push {
        None,       // nothing to send
        Change,     // event (MsgIdx 5) for boxSerial, then a fresh configuration
        Removal,    // removal event (MsgIdx 13) for boxSerial, then a fresh configuration
        EventOnly,  // just the event message msgIdx/boxSerial
        ConfigOnly, // just a fresh configuration
    };
    bool handled = false; // false: not a state command, the server should try its own
    QString error;        // empty on success
    Push push = Push::None;
    QString boxSerial;
    int msgIdx = 0;
};

class SimState
{
public:
    static constexpr int ChangeEventMsgIdx = protocol::ChangeEventMsgIdx;
    static constexpr int RemovalEventMsgIdx = protocol::RemovalEventMsgIdx;

    SimState();

    // Two healthy enclosures with serial numbers 100001 and 100002.
    static QList<SimEnclosure> defaultEnclosures();
    static SimEnclosure makeEnclosure(const QString& serial, const QString& model = QString());

    // Fills the state from a scenario object; returns an error text, empty on success.
    QString loadScenario(const QJsonObject& scenario);

    // Full configuration document with the given root element name (SVConfigCmd or
    // SVScanDevicesCmd), ending in "\r\n".
    QByteArray configDocument(const QByteArray& rootName) const;
    static QByteArray eventMessage(int msgIdx, const QString& boxSerial);
    // A well-formed document of exactly `size` bytes (padded with a filler element);
    // empty when `size` is below the size of the plain configuration document.
    QByteArray oversizedDocument(qsizetype size) const;

    // Applies one state command (plug, unplug, fail, repair, rebuild, progress, finish,
    // eresult, execinfo, add, remove, drive-status, box-status, mode, event, push). `words` is the
    // whitespace-split line, `line` the whole trimmed line (for commands that take free text).
    SimOutcome apply(const QStringList& words, const QString& line);

    QStringList describe() const;

    const QList<SimEnclosure>& enclosures() const { return _enclosures; }
    int eResult() const { return _eResult; }
    const QString& execInfo() const { return _execInfo; }

private:
    QString checkEnclosure(const QString& word, int* index) const;
    static QString checkDrive(const QString& word, int* drive);
    QString checkNewSerial(const QString& serial) const;

    QList<SimEnclosure> _enclosures;
    int _eResult = 0;
    QString _execInfo = QStringLiteral("Retrieved configuration.");
};

// The text after the first `count` whitespace-separated words of `line`, spacing kept.
QString textAfterWords(const QString& line, int count);

} // namespace tamro::sim
