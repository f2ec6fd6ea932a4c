// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/evaluationpass.h"

#include "platform/logging.h"
#include "platform/ports.h"
#include "service/parseraidinfo.h"
#include "settings/optionflags.h"
#include "util/intvalue.h"

#include <QScopeGuard>

static_assert(ParseRaidInfo::kTableRoom == EvaluationPass::kSlots,
              "the table holds what the slots hold");

namespace {

const QString kNormal = QStringLiteral("Normal");

// The enclosures a loop may visit: the table's count, read afresh at each call. The table can
// grow while a mail is being sent; indexes past the slots are left for the next pass, which
// ends the program at the enclosure limit.
int slotCount(const ParseRaidInfo& client)
{
    return qMin(client.getDeviceCount(), int(EvaluationPass::kSlots));
}

RebuildPhase phaseAt(const std::array<EnclosureState, EvaluationPass::kSlots>& states, int index)
{
    return index >= 0 && index < EvaluationPass::kSlots ? states.at(index)._rebuildPhase
                                                        : RebuildPhase::Idle;
}

} // namespace

EvaluationPass::EvaluationPass(QObject* parent) : QObject(parent) {}

void EvaluationPass::setInputs(Inputs inputs)
{
    _in = std::move(inputs);
}

void EvaluationPass::reset()
{
    _enclosures.fill(EnclosureState{});
    _rescanCount = 0;
    _listedCount = 0;
}

void EvaluationPass::showWaiting()
{
    setStatusIcon(StatusIcon::Waiting);
    qCInfo(lcMonitor, "icon: %s", iconWords(int(StatusIcon::Waiting)));
    updateSummary();
}

void EvaluationPass::processRaidInfo(const ServiceAnswer& answer)
{
    if (_stopped)
        return;
    _answer = answer;
    ParseRaidInfo& client = *_in.client;
    _passRunning = true;
    _passIcon = _statusIcon;
    if (_connectionLost && client.isConnected())
        _connectionLost = false;
    const auto finish = qScopeGuard([this, &client] {
        _passRunning = false;
        _hasEvaluated = true;
        StatusIcon icon = _passIcon;
        if (icon == StatusIcon::AllWell && _connectionLost)
            icon = StatusIcon::Problem;
        applyStatusIcon(icon);
        if (!_in.isRefetchActive())
            _in.startRefetch();
        updateSummary();
        qCInfo(lcMonitor, "pass: %d enclosure(s), icon: %s", client.getDeviceCount(),
               iconWords(int(_statusIcon)));
        emit passFinished();
    });

    const int ev = answer.eventMsgIdx;
    _devIdx = qint8(answer.deviceIndex);

    // The service answers again after it was reported out of reach.
    if (_serviceLostSaid) {
        _serviceLostSaid = false;
        emit serviceBack();
    }

    // A document that did not parse: ask for a device scan, unless a command is pending or
    // the retries are spent. A removal event is still carried out.
    if (!answer.isParse) {
        setStatusIcon(StatusIcon::Problem);
        if (client.getCommand() == ParseRaidInfo::kIdle && _rescanCount <= kMaxRetries - 1) {
            client.setCommand(ParseRaidInfo::kScanDevices);
            _in.rescanSoon();
            ++_rescanCount;
            qCInfo(lcMonitor, "retry %d of %d: device scan", _rescanCount, kMaxRetries);
        }
        if (ev != ParseRaidInfo::kRemovalEvent)
            return;
    }

    if (client.getDeviceCount() > kMaxEnclosures) {
        _in.modal->alert(qtTrId("MSG_ErrorMessage3"), false);
        _in.system->terminate();
        return;
    }

    if (client.getDeviceCount() == 0) {
        _enclosures[0]._errorType = ErrorType::NoDrive;
        setStatusIcon(StatusIcon::Problem);
        if (_in.flags->_isMakeLog && !answer.execInfo().isEmpty())
            emit logRow(QString(), 0);
        emit showEnclosure(0);
        return;
    }

    _rescanCount = 0;
    setStatusIcon(StatusIcon::AllWell);

    for (int i = 0; i < slotCount(client); ++i) {
        if (ev == ParseRaidInfo::kRemovalEvent && i != _devIdx)
            continue;
        buildParam(i);
        if (_in.flags->_isMakeLog && _isAddLogData)
            emit logRow(QString(), i);

        // A problem after a healthy evaluation is reported once.
        EnclosureState& slot = _enclosures.at(i);
        if (slot._errorType != ErrorType::NoProblem &&
            slot._recoveryType == RecoveryType::Healthy) {
            slot._recoveryType = RecoveryType::ProblemSeen;
            slot._rebuildPhase = RebuildPhase::Idle;
            emit problemFound(enclosureEvent(AlertEvent::Kind::Problem, i));
        }

        // A tracked rebuild has finished: the mail while the phase still reads 2, then, when no
        // other enclosure is still rebuilding, the shutdown it may wait for.
        if (slot._rebuildPhase == RebuildPhase::Finished) {
            qCInfo(lcMonitor).noquote() << "rebuild finished:" << _in.deviceName(i);
            emit rebuildFinished(enclosureEvent(AlertEvent::Kind::RebuildFinished, i));
            bool stillRebuilding = false;
            for (int j = 0; j < slotCount(client); ++j)
                stillRebuilding =
                    stillRebuilding || _enclosures.at(j)._rebuildPhase == RebuildPhase::Running;
            if (!stillRebuilding)
                emit allRebuildsFinished();
            slot._rebuildPhase = RebuildPhase::Idle;
        }
    }

    // After a removal event the enclosure leaves the table and the slots behind it move down.
    if (ev == ParseRaidInfo::kRemovalEvent && _devIdx >= 0 && _devIdx < client.getDeviceCount()) {
        client.removeDictAry(_devIdx);
        const int newCount = client.getDeviceCount();
        int k = _devIdx;
        for (; k < newCount && k + 1 < kSlots; ++k)
            _enclosures[k] = _enclosures.at(k + 1);
        if (k < kSlots)
            _enclosures[k] = EnclosureState{};
        emit enclosureRemoved(_devIdx);
    }

    const int count = client.getDeviceCount();
    if (count != _listedCount) {
        QStringList names;
        for (int i = 0; i < count; ++i)
            names << _in.deviceName(i);
        _listedCount = count;
        emit deviceNamesChanged(names);
    }

    emit showSelected();

    // The client follows a rebuild: the highest-indexed rebuilding enclosure, unless the
    // current one is rebuilding itself.
    for (int i = 0; i < slotCount(client); ++i) {
        if (_enclosures.at(i)._rebuildPhase == RebuildPhase::Running &&
            phaseAt(_enclosures, _devIdx) != RebuildPhase::Running)
            client.setDeviceIndex(i);
    }
}

void EvaluationPass::buildParam(int index)
{
    if (index < 0 || index >= kSlots)
        return;
    const int i = index;

    const ParseRaidInfo& client = *_in.client;
    EnclosureState& slot = _enclosures.at(i);
    ErrorType errorType = ErrorType::NoProblem;
    if (_answer.eResult() != 0)
        errorType = ErrorType::CommandFailed;
    const int plug = client.plugStatus(i);
    if (plug != 0 && client.mode(i) != 0)
        errorType = ErrorType::DriveMissing;
    if (plug == 3)
        errorType = ErrorType::NoDrive;
    slot._errorType = errorType;

    // No volume description: a problem for the icon, a log row only for the client's current
    // enclosure when the answer carries an ExecInfo text.
    if (client.friendlyMode(i).isEmpty()) {
        setStatusIcon(StatusIcon::Problem);
        _isAddLogData = !_answer.execInfo().isEmpty() && i == _devIdx;
        return;
    }

    _isAddLogData = false;
    const QString rebuildStatus =
        ParseRaidInfo::convertUniData(client.boxDict(i).value(QStringLiteral("BoxRebuildStatus")));
    if (rebuildStatus != kNormal) {
        slot._rebuildPhase = RebuildPhase::Running;
    } else if (errorType != ErrorType::NoProblem) {
        if (slot._recoveryType == RecoveryType::Unknown) {
            slot._recoveryType = RecoveryType::ProblemSeen;
            _isAddLogData = true;
        } else if (slot._recoveryType == RecoveryType::Healthy) {
            _isAddLogData = true;
        }
    } else {
        const QString status = QStringLiteral("Status");
        const bool driveAtThree = intValue(client.drive0Dict(i).value(status)) == 3 ||
                                  intValue(client.drive1Dict(i).value(status)) == 3;
        if (!driveAtThree) {
            if (slot._recoveryType != RecoveryType::Healthy)
                _isAddLogData = true;
            if (slot._rebuildPhase == RebuildPhase::Running) {
                _isAddLogData = true;
                slot._rebuildPhase = RebuildPhase::Finished;
            }
        }
    }

    if (errorType != ErrorType::NoProblem)
        setStatusIcon(StatusIcon::Problem);
    else
        slot._recoveryType = RecoveryType::Healthy;
}

void EvaluationPass::errorOccurredStreamEvent()
{
    if (_stopped)
        return;
    // Without a connection the state of the enclosures is unknown: never show "all well".
    qCInfo(lcMonitor, "connection lost");
    _connectionLost = true;
    setStatusIcon(StatusIcon::Problem);
    if (_in.flags->_isAddLoginItem && _rescanCount <= kMaxRetries - 1) {
        _in.reconnectSoon();
        ++_rescanCount;
        qCInfo(lcMonitor, "retry %d of %d", _rescanCount, kMaxRetries);
        updateSummary();
        return;
    }
    _in.client->setCommand(ParseRaidInfo::kIdle);
    setStatusIcon(StatusIcon::Problem);
    qCInfo(lcMonitor, "retries given up");
    // Mail and push go out before the alert waits for someone at the desk.
    _serviceLostSaid = true;
    emit serviceLost();
    // The hourly refetch keeps trying, however long the service stays away.
    if (!_in.isRefetchActive())
        _in.startRefetch();
    updateSummary();
    _in.modal->alert(qtTrId("MSG_ErrorMessage2"), false);
}

void EvaluationPass::connectionStateChanged(bool connected)
{
    if (!connected)
        return;
    // The icon stays as it is until the next pass says how the enclosures are.
    _connectionLost = false;
    qCInfo(lcMonitor, "connected");
}

AlertEvent EvaluationPass::enclosureEvent(AlertEvent::Kind kind, int index) const
{
    const ParseRaidInfo& client = *_in.client;
    AlertEvent event;
    event.kind = kind;
    event.index = index;
    event.name = _in.deviceName(index);
    event.plugText = _in.plugText(index);
    if (index >= 0 && index < client.getDeviceCount()) {
        event.serial = QString::number(client.serialNumber(index));
        event.mode = client.friendlyMode(index);
        event.plugInfo = client.plugInfo(index);
    }
    return event;
}

QSet<QString> EvaluationPass::problemSerials() const
{
    QSet<QString> problems;
    for (int i = 0; i < slotCount(*_in.client); ++i) {
        if (_enclosures.at(i)._errorType != ErrorType::NoProblem)
            problems.insert(QString::number(_in.client->serialNumber(i)));
    }
    return problems;
}

const EnclosureState& EvaluationPass::stateAt(int i) const
{
    static const EnclosureState none;
    return i >= 0 && i < kSlots ? _enclosures.at(i) : none;
}

void EvaluationPass::setStatusIcon(StatusIcon status)
{
    if (status == StatusIcon::AllWell && _connectionLost)
        status = StatusIcon::Problem;
    if (_passRunning) {
        // A pass may pass through status1 before it finds a problem: "all well" is shown
        // only when the pass has ended, a problem at once.
        _passIcon = status;
        if (status != StatusIcon::Problem)
            return;
    }
    applyStatusIcon(status);
}

void EvaluationPass::applyStatusIcon(StatusIcon status)
{
    if (status != _statusIcon)
        qCInfo(lcMonitor, "icon: %s", iconWords(int(status)));
    _statusIcon = status;
    emit iconChanged(int(status));
}

void EvaluationPass::updateSummary()
{
    MonitorSnapshot snapshot = capture();
    emit summaryChanged(trayInput(snapshot));
    if (snapshot != _snapshot) {
        _snapshot = std::move(snapshot);
        emit snapshotChanged(_snapshot);
    }
}

TrayText::Input EvaluationPass::trayInput(const MonitorSnapshot& snapshot) const
{
    const ParseRaidInfo& client = *_in.client;
    TrayText::Input input;
    input.connectionLost = _connectionLost;
    input.evaluated = _hasEvaluated;
    if (_hasEvaluated && snapshot.enclosures.isEmpty())
        input.noDeviceText = _in.plugText(0);
    for (int i = 0; i < snapshot.enclosures.size(); ++i) {
        const EnclosureSnapshot& e = snapshot.enclosures.at(i);
        TrayText::Enclosure line{e.name, e.state, {}};
        // The service's own progress text, so one that is no number shows none.
        if (e.state == EnclosureSnapshot::State::Rebuilding)
            line.progress =
                TrayText::rebuildProgressText(client.drive0Dict(i), client.drive1Dict(i));
        input.enclosures.append(line);
    }
    return input;
}

MonitorSnapshot EvaluationPass::capture() const
{
    using EState = EnclosureSnapshot::State;
    using State = MonitorSnapshot::State;
    const ParseRaidInfo& client = *_in.client;
    MonitorSnapshot snapshot;
    const int count = slotCount(client);
    bool problem = _statusIcon == StatusIcon::Problem;
    bool rebuilding = false;
    for (int i = 0; i < count; ++i) {
        EnclosureSnapshot e;
        e.name = _in.deviceName(i);
        e.serial =
            ParseRaidInfo::convertUniData(client.boxDict(i).value(QStringLiteral("SerialNumber")));
        e.key = client.serialNumber(i);
        e.mode = client.friendlyMode(i);
        e.plugInfo = client.plugInfo(i);
        const int plug = client.plugStatus(i);
        e.drives[0] = DriveSnapshot::read(client.drive0Dict(i), (plug & 1) == 0);
        e.drives[1] = DriveSnapshot::read(client.drive1Dict(i), (plug & 2) == 0);
        e.rebuilding = _enclosures.at(i)._rebuildPhase == RebuildPhase::Running;
        if (_enclosures.at(i)._errorType != ErrorType::NoProblem || e.mode.isEmpty()) {
            e.state = EState::Problem;
            problem = true;
        } else if (e.rebuilding) {
            e.state = EState::Rebuilding;
            rebuilding = true;
            e.rebuildProgress = e.rebuildingDriveProgress();
        }
        snapshot.enclosures.append(e);
    }

    if (_connectionLost)
        snapshot.state = State::NoService;
    else if (!_hasEvaluated)
        snapshot.state = State::Waiting;
    else if (problem || count == 0)
        snapshot.state = State::Problem;
    else if (rebuilding)
        snapshot.state = State::Rebuilding;
    else
        snapshot.state = State::AllWell;
    return snapshot;
}
