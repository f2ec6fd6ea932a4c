// SPDX-License-Identifier: GPL-3.0-or-later
// The status window's side of the monitor: what it shows for an enclosure, the display name
// and plug-state text shared with mail and log, the device list's selection and renaming,
// the notice panel and the window commands. It holds no widget; it reaches the screen
// through the presenters and works on the controller's state it is handed.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>

class DefaultsStore;
class ModalPresenter;
class ParseRaidInfo;
class StatusPresenter;
class WindowPresenter;
struct StatusDisplay;

class StatusPresentation
{
public:
    // What the presentation works with, handed over by the controller that owns it.
    struct Setup
    {
        ParseRaidInfo* client = nullptr;
        StatusPresenter* status = nullptr;
        ModalPresenter* modal = nullptr;
        WindowPresenter* windows = nullptr;
        DefaultsStore* store = nullptr;          // keeps the enclosure names ("RAIDName")
        std::function<int(int index)> errorType; // the error type of an enclosure, 0 to 3
        StatusDisplay* display = nullptr;        // what the status window shows now
        qint8* selectedIndex = nullptr;          // the enclosure the status window shows
        QStringList* targetNames = nullptr;      // the device list's names
        QVariantMap* nameDict = nullptr;         // the user's names by serial number
        std::function<void()> namesChanged;      // a name changed: the summary follows
        std::function<void()> rescanArmed;       // a device scan was asked for: the timer starts
    };

    explicit StatusPresentation(Setup setup);

    // Shows the enclosure in the status window.
    void displayRaidInfo(int index);
    // Shows the enclosure the user selected on the device list.
    void displaySelected();
    // The enclosure at index left the table: the selection follows its enclosure down.
    void enclosureRemoved(int index);
    QString localizedErrorString(int index) const;
    QString deviceName(int index) const;
    void displayPanel(const QString& text);
    // The device list's selection moved to row; -1 for no selected row.
    void deviceListSelectionChanged(int row);
    // The user typed value into the name cell of row on the device list.
    void renameDevice(int row, const QString& value);
    void w0_OrderFront();
    void w0_Close();
    void w0_Rescan();
    void w2_Rescan();

private:
    Setup _setup;
};
