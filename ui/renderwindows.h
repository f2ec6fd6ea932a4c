// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the settings window and the log window, with sample contents, into PNG files
// (w1_Window.png, w2_Window.png) in a folder: for screenshots and visual checks. It fills the
// settings form and the option flags with sample values and adds three sample rows to the
// in-memory event log (the log file is not written): use it on parts of their own.
#pragma once

#include "ui/settingswindow.h"

#include <QString>

#include <functional>

class EventLog;
class EventLogActions;
class LogTableModel;
class QWidget;
class StatusPresentation;
struct OptionFlags;

// The parts both windows are built on, and the ones the samples go into.
struct SampleWindows
{
    SettingsWindow::Wiring settings; // its form and the preferences get the sample settings
    OptionFlags* flags = nullptr;    // sample options switched on
    EventLog* log = nullptr;         // three sample rows, in memory
    LogTableModel* logTable = nullptr;
    EventLogActions* logActions = nullptr;      // the log window's OK
    StatusPresentation* presentation = nullptr; // the log window's Rescan
};

// `inspect`, when given, is called with each window while it is shown at the size the program
// opens it at, and the window's name ("w1_Window", "w2_Window").
void renderSettingsWindows(
    const SampleWindows& windows, const QString& outDir,
    const std::function<void(QWidget& window, const QString& name)>& inspect = {});
