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

int slotValue(const std::array<qint8, AppController::kSlots>& values, int index)
{
    return index >= 0 && index < AppController::kSlots ? values.at(index) : 0;
}

} // namespace

void AppController::processRaidInfo()
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
        int icon = _passIcon;
        if (icon == 1 && _connectionLost)
            icon = 2;
        applyStatusIcon(icon);
        if (!isRefetchTimerActive())
            startTimer();
        updateSummary();
        qCInfo(lcMonitor, "pass: %d enclosure(s), icon: %s", _raidInfo->getDeviceCount(),
               iconWords(_statusIcon));
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
        setStatusIcon(2);
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
        _errorType[0] = 3;
        setStatusIcon(2);
        if (_flags._isMakeLog && !_raidInfo->execInfo().isEmpty())
            writeCSVFile(QString(), 0);
        displayRaidInfo(0);
        return;
    }

    _rescanCount = 0;
    setStatusIcon(1);

    for (int i = 0; i < slotCount(*_raidInfo); ++i) {
        if (ev == ParseRaidInfo::kRemovalEvent && i != _devIdx)
            continue;
        buildParam(i);
        if (_flags._isMakeLog && _isAddLogData)
            writeCSVFile(QString(), i);

        // A problem after a healthy evaluation is reported once.
        if (_errorType.at(i) != 0 && _recoveryType.at(i) == 2) {
            _recoveryType[i] = 1;
            _rebuildPhase[i] = 0;
            _alerts->publish(enclosureEvent(AlertEvent::Kind::Problem, i));
        }

        // A tracked rebuild has finished: the mail while the phase still reads 2, then the
        // shutdown when no other enclosure is still rebuilding.
        if (_rebuildPhase.at(i) == 2) {
            qCInfo(lcMonitor).noquote() << "rebuild finished:" << deviceName(i);
            _alerts->publish(enclosureEvent(AlertEvent::Kind::RebuildFinished, i));
            if (_flags._isShutdown) {
                bool stillRebuilding = false;
                for (int j = 0; j < slotCount(*_raidInfo); ++j)
                    stillRebuilding = stillRebuilding || _rebuildPhase.at(j) == 1;
                if (!stillRebuilding)
                    execShutdown();
            }
            _rebuildPhase[i] = 0;
        }
    }

    // After a removal event the enclosure leaves the table and the slots behind it move down.
    if (ev == ParseRaidInfo::kRemovalEvent && _devIdx >= 0 &&
        _devIdx < _raidInfo->getDeviceCount()) {
        _raidInfo->removeDictAry(_devIdx);
        const int newCount = _raidInfo->getDeviceCount();
        int k = _devIdx;
        for (; k < newCount && k + 1 < kSlots; ++k) {
            _errorType[k] = _errorType.at(k + 1);
            _recoveryType[k] = _recoveryType.at(k + 1);
            _rebuildPhase[k] = _rebuildPhase.at(k + 1);
        }
        if (k < kSlots) {
            _errorType[k] = 0;
            _recoveryType[k] = 0;
            _rebuildPhase[k] = 0;
        }
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
        if (_rebuildPhase.at(i) == 1 && slotValue(_rebuildPhase, _devIdx) != 1)
            _raidInfo->setDeviceIndex(i);
    }
}

void AppController::buildParam(int index)
{
    if (index < 0 || index >= kSlots)
        return;
    const int i = index;

    qint8 errorType = 0;
    if (_raidInfo->eResult() != 0)
        errorType = 1;
    const int plug = _raidInfo->plugStatus(i);
    if (plug != 0 && _raidInfo->mode(i) != 0)
        errorType = 2;
    if (plug == 3)
        errorType = 3;
    _errorType[i] = errorType;

    // No volume description: a problem for the icon, a log row only for the client's current
    // enclosure when the answer carries an ExecInfo text.
    if (_raidInfo->friendlyMode(i).isEmpty()) {
        setStatusIcon(2);
        _isAddLogData = !_raidInfo->execInfo().isEmpty() && i == _devIdx;
        return;
    }

    _isAddLogData = false;
    const QString rebuildStatus = ParseRaidInfo::convertUniData(
        _raidInfo->boxDict(i).value(QStringLiteral("BoxRebuildStatus")));
    if (rebuildStatus != kNormal) {
        _rebuildPhase[i] = 1;
    } else if (errorType != 0) {
        if (_recoveryType.at(i) == 0) {
            _recoveryType[i] = 1;
            _isAddLogData = true;
        } else if (_recoveryType.at(i) == 2) {
            _isAddLogData = true;
        }
    } else {
        const QString status = QStringLiteral("Status");
        const bool driveAtThree = intValue(_raidInfo->drive0Dict(i).value(status)) == 3 ||
                                  intValue(_raidInfo->drive1Dict(i).value(status)) == 3;
        if (!driveAtThree) {
            if (_recoveryType.at(i) != 2)
                _isAddLogData = true;
            if (_rebuildPhase.at(i) == 1) {
                _isAddLogData = true;
                _rebuildPhase[i] = 2;
            }
        }
    }

    if (errorType != 0)
        setStatusIcon(2);
    else
        _recoveryType[i] = 2;
}
