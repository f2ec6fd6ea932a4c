// SPDX-License-Identifier: GPL-3.0-or-later
// The event log's actions: reading the log at launch, adding an event row and writing the
// whole log to its file, and the log window's commands.
#pragma once

#include <QString>

#include <functional>

class EventLog;
class LogTableModel;
class ModalPresenter;
class ParseRaidInfo;
class SettingsForm;
class WindowPresenter;

class EventLogActions
{
public:
    // What the actions work with, handed over by the controller that owns them.
    struct Setup
    {
        EventLog* log = nullptr;
        SettingsForm* form = nullptr;          // the log file path
        LogTableModel* table = nullptr;        // the log window's table, reloaded after each change
        ModalPresenter* modal = nullptr;       // the alerts about a log file that failed
        WindowPresenter* windows = nullptr;    // the log window
        const ParseRaidInfo* client = nullptr; // the mode and plug text of an event row
        std::function<QString(int)> deviceName;  // the display name of an enclosure
        std::function<QString()> defaultLogPath; // the program's own log file
        std::function<void(bool)> written;       // told whether each write reached the file
    };

    explicit EventLogActions(Setup setup);

    // Reads the log file named in the settings; an unusable file is said once.
    void readCSVFile();
    // Adds a row for the enclosure (the message, or its mode and plug text when the message
    // is empty) and writes the whole log to the file named in the settings.
    void writeCSVFile(const QString& message, int index);
    void w2_OrderFront();
    void w2_Ok();

private:
    Setup _setup;
};
