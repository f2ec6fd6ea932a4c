// SPDX-License-Identifier: GPL-3.0-or-later
// The status window's side of the monitor: what it shows for an enclosure, the display
// name and plug-state text shared with mail and log, the device list's selection and
// renaming, the notice panel and the window commands.
#include "presentation/statuspresentation.h"

#include "platform/logging.h"
#include "platform/ports.h"
#include "presentation/statusdisplay.h"
#include "service/parseraidinfo.h"
#include "settings/defaultsstore.h"

#include <utility>

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

StatusPresentation::StatusPresentation(Setup setup) : _setup(std::move(setup)) {}

void StatusPresentation::displayRaidInfo(int index)
{
    if (!isQueryIndex(*_setup.client, index))
        return;
    const int errorType = _setup.errorType ? _setup.errorType(index) : 0;
    *_setup.display = status::displayRaidInfo(*_setup.client, index, errorType, *_setup.display);
    _setup.status->showStatus(*_setup.display);
}

void StatusPresentation::displaySelected()
{
    displayRaidInfo(*_setup.selectedIndex);
}

void StatusPresentation::enclosureRemoved(int index)
{
    qint8& selected = *_setup.selectedIndex;
    if (selected != 0 && selected >= index)
        --selected;
}

QString StatusPresentation::localizedErrorString(int index) const
{
    if (!isQueryIndex(*_setup.client, index))
        return {};
    return status::localizedPlugText(_setup.client->plugInfo(index));
}

QString StatusPresentation::deviceName(int index) const
{
    if (_setup.client->getDeviceCount() == 0 || !isQueryIndex(*_setup.client, index))
        return QStringLiteral("-");
    const QString key = QString::number(_setup.client->serialNumber(index));
    const QString name = _setup.nameDict->value(key).toString();
    return name.isEmpty() ? key : name;
}

void StatusPresentation::displayPanel(const QString& text)
{
    if (_setup.modal)
        _setup.modal->displayPanel(text);
}

void StatusPresentation::deviceListSelectionChanged(int row)
{
    // No selected row (-1), or a row the table no longer has: the window keeps showing the
    // enclosure it shows.
    if (!isDeviceRow(*_setup.client, *_setup.targetNames, row))
        return;
    if (row == *_setup.selectedIndex)
        return;
    *_setup.selectedIndex = qint8(row);
    displayRaidInfo(row);
}

void StatusPresentation::renameDevice(int row, const QString& value)
{
    if (!isDeviceRow(*_setup.client, *_setup.targetNames, row))
        return;
    if (value == _setup.targetNames->at(row))
        return;
    (*_setup.targetNames)[row] = value;
    // Keyed by the serial number of the row being edited: the edited row is the enclosure
    // the name belongs to, even when the selection has moved meanwhile.
    const QString key = QString::number(_setup.client->serialNumber(row));
    _setup.nameDict->insert(key, value);
    _setup.store->setDictionary(QStringLiteral("RAIDName"), *_setup.nameDict);
    if (!_setup.store->synchronize())
        qCWarning(lcMonitor, "could not write the enclosure names to %s",
                  qPrintable(_setup.store->fileName()));
    // The tray's summary and the published snapshot carry the new name.
    if (_setup.namesChanged)
        _setup.namesChanged();
}

void StatusPresentation::w0_OrderFront()
{
    if (_setup.windows)
        _setup.windows->showStatusWindow();
}

void StatusPresentation::w0_Close()
{
    if (_setup.windows)
        _setup.windows->closeStatusWindow();
}

void StatusPresentation::w0_Rescan()
{
    if (_setup.client->getCommand() != ParseRaidInfo::kIdle)
        return; // a fetch is still pending
    // The client's index must name an entry when the answer ends; a shown index the table
    // no longer has falls back to the first enclosure.
    _setup.client->setDeviceIndex(
        isQueryIndex(*_setup.client, *_setup.selectedIndex) ? int(*_setup.selectedIndex) : 0);
    _setup.client->setCommand(ParseRaidInfo::kScanDevices);
    if (_setup.rescanArmed)
        _setup.rescanArmed();
}

void StatusPresentation::w2_Rescan()
{
    w0_Rescan();
}
