// The status window's side of the controller: what it shows for an enclosure, the display
// name and plug-state text shared with mail and log, the device list's selection and
// renaming, the notice panel and the window commands.
#include "app/appcontroller.h"
#include "app/logging.h"
#include "settings/defaultsstore.h"
#include "ui/devicelistmodel.h"

namespace {

// A row of the device list that also names an entry of the device table.
bool isDeviceRow(const ParseRaidInfo& client, const QStringList& names, int row)
{
    return row >= 0 && row < names.size() && row < client.getDeviceCount();
}

// An index the client's queries may be asked about: any index of an empty table (the
// queries then answer from the working records), else an entry of the table.
bool isQueryIndex(const ParseRaidInfo& client, int index)
{
    const int count = client.getDeviceCount();
    return count == 0 || (index >= 0 && index < count);
}

} // namespace

void AppController::displayRaidInfo(int index)
{
    if (!isQueryIndex(*_raidInfo, index))
        return;
    const int errorType = (index >= 0 && index < kSlots) ? _errorType[index] : 0;
    _statusDisplay = status::displayRaidInfo(*_raidInfo, index, errorType, _statusDisplay);
    _status->showStatus(_statusDisplay);
}

QString AppController::localizedErrorString(int index) const
{
    if (!isQueryIndex(*_raidInfo, index))
        return {};
    return status::localizedPlugText(_raidInfo->plugInfo(index));
}

QString AppController::deviceName(int index) const
{
    if (_raidInfo->getDeviceCount() == 0 || !isQueryIndex(*_raidInfo, index))
        return QStringLiteral("-");
    const QString key = QString::number(_raidInfo->serialNumber(index));
    const QString name = _nameDict.value(key).toString();
    return name.isEmpty() ? key : name;
}

void AppController::displayPanel(const QString& text)
{
    if (_modal)
        _modal->displayPanel(text);
}

void AppController::deviceListSelectionChanged(int row)
{
    // No selected row (-1), or a row the table no longer has: the window keeps showing the
    // enclosure it shows.
    if (!isDeviceRow(*_raidInfo, _targetName, row))
        return;
    if (row == _selIdx)
        return;
    _selIdx = qint8(row);
    displayRaidInfo(row);
}

void AppController::renameDevice(int row, const QString& value)
{
    if (!isDeviceRow(*_raidInfo, _targetName, row))
        return;
    if (value == _targetName.at(row))
        return;
    _targetName[row] = value;
    // Keyed by the serial number of the row being edited: the edited row is the enclosure
    // the name belongs to, even when the selection has moved meanwhile.
    const QString key = QString::number(_raidInfo->serialNumber(row));
    _nameDict.insert(key, value);
    _store->setDictionary(QStringLiteral("RAIDName"), _nameDict);
    if (!_store->synchronize())
        qCWarning(lcMonitor, "could not write the enclosure names to %s",
                  qPrintable(_store->fileName()));
    // The tray's summary and the published snapshot carry the new name.
    updateSummary();
}

void AppController::w0_OrderFront()
{
    if (_windows)
        _windows->showStatusWindow();
}

void AppController::w0_Close()
{
    if (_windows)
        _windows->closeStatusWindow();
}

void AppController::w0_Rescan()
{
    if (_raidInfo->getCommand() != ParseRaidInfo::kIdle)
        return; // a fetch is still pending
    // The client's index must name an entry when the answer ends; a shown index the table
    // no longer has falls back to the first enclosure.
    _raidInfo->setDeviceIndex(isQueryIndex(*_raidInfo, _selIdx) ? int(_selIdx) : 0);
    _raidInfo->setCommand(ParseRaidInfo::kScanDevices);
    startTimerAtRescan();
}

void AppController::w2_Rescan()
{
    w0_Rescan();
}
