// SPDX-License-Identifier: GPL-3.0-or-later
// The evaluation pass: each document the client hands over is turned, enclosure by enclosure,
// into the three state slots and from their transitions into the icon, log rows, the alerts
// it publishes (a problem found, a rebuild finished), the shutdown after a rebuild, the device
// list and the status window.
#include "app/appcontroller.h"

#include "platform/logging.h"
#include "presentation/devicelistmodel.h"
#include "util/intvalue.h"

#include <QScopeGuard>

namespace {

const QString kNormal = QStringLiteral("Normal");

// The enclosures a loop may visit: the table's count, read afresh at each call. The table can
// grow while a mail is being sent; indexes past the slots are left for the next pass, which
// ends the program at the enclosure limit.
int slotCount(const ParseRaidInfo& client)
{
    return qMin(client.getDeviceCount(), int(AppController::kSlots));
}

RebuildPhase phaseAt(const std::array<EnclosureState, AppController::kSlots>& states, int index)
{
    return index >= 0 && index < AppController::kSlots ? states.at(index)._rebuildPhase
                                                       : RebuildPhase::Idle;
}

} // namespace

void AppController::processRaidInfo(const ServiceAnswer& /*answer*/)
{
    if (_destroying)
        return;
    _passRunning = true;
    _passIcon = _statusIcon;
    if (_connectionLost && _raidInfo->isConnected())
        _connectionLost = false;
    const auto finish = qScopeGuard([this] {
        _passRunning = false;
        _hasEvaluated = true;
        StatusIcon icon = _passIcon;
        if (icon == StatusIcon::AllWell && _connectionLost)
            icon = StatusIcon::Problem;
        applyStatusIcon(icon);
        if (!isRefetchTimerActive())
            startTimer();
        updateSummary();
        qCInfo(lcMonitor, "pass: %d enclosure(s), icon: %s", _raidInfo->getDeviceCount(),
               iconWords(int(_statusIcon)));
        emit passFinished();
    });

    const int ev = _raidInfo->eventMsgIdx();
    _devIdx = qint8(_raidInfo->getDeviceIndex());

    // The service answers again after it was reported out of reach.
    if (_alerts->isServiceDown()) {
        AlertEvent reachable;
        reachable.kind = AlertEvent::Kind::ServiceReachable;
        _alerts->publish(reachable);
    }

    // A document that did not parse: ask for a device scan, unless a command is pending or
    // the retries are spent. A removal event is still carried out.
    if (!_raidInfo->isParse()) {
        setStatusIcon(StatusIcon::Problem);
        if (_raidInfo->getCommand() == ParseRaidInfo::kIdle && _rescanCount <= kMaxRetries - 1) {
            _raidInfo->setCommand(ParseRaidInfo::kScanDevices);
            startTimerAtRescan();
            ++_rescanCount;
            qCInfo(lcMonitor, "retry %d of %d: device scan", _rescanCount, kMaxRetries);
        }
        if (ev != ParseRaidInfo::kRemovalEvent)
            return;
    }

    if (_raidInfo->getDeviceCount() > kMaxEnclosures) {
        _modal->alert(qtTrId("MSG_ErrorMessage3"), false);
        _system->terminate();
        return;
    }

    if (_raidInfo->getDeviceCount() == 0) {
        _enclosures[0]._errorType = ErrorType::NoDrive;
        setStatusIcon(StatusIcon::Problem);
        if (_flags._isMakeLog && !_raidInfo->execInfo().isEmpty())
            writeCSVFile(QString(), 0);
        displayRaidInfo(0);
        return;
    }

    _rescanCount = 0;
    setStatusIcon(StatusIcon::AllWell);

    for (int i = 0; i < slotCount(*_raidInfo); ++i) {
        if (ev == ParseRaidInfo::kRemovalEvent && i != _devIdx)
            continue;
        buildParam(i);
        if (_flags._isMakeLog && _isAddLogData)
            writeCSVFile(QString(), i);

        // A problem after a healthy evaluation is reported once.
        EnclosureState& slot = _enclosures.at(i);
        if (slot._errorType != ErrorType::NoProblem &&
            slot._recoveryType == RecoveryType::Healthy) {
            slot._recoveryType = RecoveryType::ProblemSeen;
            slot._rebuildPhase = RebuildPhase::Idle;
            _alerts->publish(enclosureEvent(AlertEvent::Kind::Problem, i));
        }

        // A tracked rebuild has finished: the mail while the phase still reads 2, then the
        // shutdown when no other enclosure is still rebuilding.
        if (slot._rebuildPhase == RebuildPhase::Finished) {
            qCInfo(lcMonitor).noquote() << "rebuild finished:" << deviceName(i);
            _alerts->publish(enclosureEvent(AlertEvent::Kind::RebuildFinished, i));
            if (_flags._isShutdown) {
                bool stillRebuilding = false;
                for (int j = 0; j < slotCount(*_raidInfo); ++j)
                    stillRebuilding =
                        stillRebuilding || _enclosures.at(j)._rebuildPhase == RebuildPhase::Running;
                if (!stillRebuilding)
                    execShutdown();
            }
            slot._rebuildPhase = RebuildPhase::Idle;
        }
    }

    // After a removal event the enclosure leaves the table and the slots behind it move down.
    if (ev == ParseRaidInfo::kRemovalEvent && _devIdx >= 0 &&
        _devIdx < _raidInfo->getDeviceCount()) {
        _raidInfo->removeDictAry(_devIdx);
        const int newCount = _raidInfo->getDeviceCount();
        int k = _devIdx;
        for (; k < newCount && k + 1 < kSlots; ++k)
            _enclosures[k] = _enclosures.at(k + 1);
        if (k < kSlots)
            _enclosures[k] = EnclosureState{};
        if (_selIdx != 0 && _selIdx >= _devIdx)
            --_selIdx;
    }

    const int count = _raidInfo->getDeviceCount();
    if (count != _targetName.size()) {
        _targetName.clear();
        for (int i = 0; i < count; ++i)
            _targetName << deviceName(i);
        _deviceListModel->reload();
        _status->deviceListReloaded(_selIdx);
    }

    displayRaidInfo(_selIdx);

    // The client follows a rebuild: the highest-indexed rebuilding enclosure, unless the
    // current one is rebuilding itself.
    for (int i = 0; i < slotCount(*_raidInfo); ++i) {
        if (_enclosures.at(i)._rebuildPhase == RebuildPhase::Running &&
            phaseAt(_enclosures, _devIdx) != RebuildPhase::Running)
            _raidInfo->setDeviceIndex(i);
    }
}

void AppController::buildParam(int index)
{
    if (index < 0 || index >= kSlots)
        return;
    const int i = index;

    EnclosureState& slot = _enclosures.at(i);
    ErrorType errorType = ErrorType::NoProblem;
    if (_raidInfo->eResult() != 0)
        errorType = ErrorType::CommandFailed;
    const int plug = _raidInfo->plugStatus(i);
    if (plug != 0 && _raidInfo->mode(i) != 0)
        errorType = ErrorType::DriveMissing;
    if (plug == 3)
        errorType = ErrorType::NoDrive;
    slot._errorType = errorType;

    // No volume description: a problem for the icon, a log row only for the client's current
    // enclosure when the answer carries an ExecInfo text.
    if (_raidInfo->friendlyMode(i).isEmpty()) {
        setStatusIcon(StatusIcon::Problem);
        _isAddLogData = !_raidInfo->execInfo().isEmpty() && i == _devIdx;
        return;
    }

    _isAddLogData = false;
    const QString rebuildStatus = ParseRaidInfo::convertUniData(
        _raidInfo->boxDict(i).value(QStringLiteral("BoxRebuildStatus")));
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
        const bool driveAtThree = intValue(_raidInfo->drive0Dict(i).value(status)) == 3 ||
                                  intValue(_raidInfo->drive1Dict(i).value(status)) == 3;
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
