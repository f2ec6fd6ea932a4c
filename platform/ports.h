// SPDX-License-Identifier: GPL-3.0-or-later
// The small interfaces through which the monitoring controller reaches everything that is
// not logic: the tray icon and status window, modal panels and alerts, the windows, and the
// desktop. The GUI library implements them; tests record what a pass asked for.
#pragma once

#include <QString>

#include <optional>

struct StatusDisplay;

// Desktop notifications raised beside the modal notice (never instead of it).
enum class NoticeKind { Problem, RebuildFinished };

class StatusPresenter
{
public:
    virtual ~StatusPresenter() = default;
    // 0: status0 (nothing evaluated yet), 1: status1 (all well), 2: status2 (a problem).
    virtual void setStatusIcon(int status) = 0;
    // The status window's contents for the enclosure shown (displayRaidInfo:).
    virtual void showStatus(const StatusDisplay& display) = 0;
    // The device list model was refilled; select this row without extending the selection.
    virtual void deviceListReloaded(int selectedRow) = 0;
    // A desktop notification through the tray, when the desktop supports it.
    virtual void notify(NoticeKind kind, const QString& title, const QString& text) = 0;
    // The tray tooltip: each enclosure with its state (and progress while rebuilding).
    virtual void setSummary(const QString& text) = 0;
};

// Every modal panel and alert goes through here, so tests can answer them.
// Implementations bracket each modal run with a ModalScope.
class ModalPresenter
{
public:
    virtual ~ModalPresenter() = default;
    // An alert captioned with MSG_Title and a single default button.
    virtual void alert(const QString& message, bool critical) = 0;
    // The notice panel (p0_): returns when the user has confirmed it.
    virtual void displayPanel(const QString& text) = 0;
    // The quit panel (p1_): 1 for OK, 0 for Cancel.
    virtual int runQuitPanel(const QString& text) = 0;
    // The password panel (p2_) with its field emptied: the entered text on OK, nothing on
    // Cancel.
    virtual std::optional<QString> runPasswordPanel(const QString& status) = 0;
    // The modal save dialog: the chosen full path, nothing when cancelled.
    virtual std::optional<QString> runSaveDialog(const QString& startPath) = 0;
    // The modal dialog choosing an existing file: its full path, nothing when cancelled.
    virtual std::optional<QString> runOpenDialog(const QString& /*startPath*/)
    {
        return std::nullopt;
    }
    // The modal dialog choosing an existing folder: its full path, nothing when cancelled.
    virtual std::optional<QString> runFolderDialog(const QString& /*startPath*/)
    {
        return std::nullopt;
    }
};

// The non-modal windows.
class WindowPresenter
{
public:
    virtual ~WindowPresenter() = default;
    virtual void showStatusWindow() = 0; // centred, to the front, key window
    virtual void closeStatusWindow() = 0;
    virtual void showSettingsWindow() = 0; // centred, to the front, key window
    virtual void closeSettingsWindow() = 0;
    // Commits the text being typed in the settings window to its field.
    virtual void commitSettingsEditing() = 0;
    virtual void showLogWindow() = 0; // centred, to the front, not made key
    virtual void closeLogWindow() = 0;
};

// The desktop around the program.
class SystemPort
{
public:
    virtual ~SystemPort() = default;
    // Asks the application to end (after the current event).
    virtual void terminate() = 0;
    // Opens a file with the user's default application.
    virtual bool openWithDefaultApplication(const QString& path) = 0;
};

// Do-nothing implementations, for the parts a program or test does not need.
class NullStatusPresenter : public StatusPresenter
{
public:
    void setStatusIcon(int) override {}
    void showStatus(const StatusDisplay&) override {}
    void deviceListReloaded(int) override {}
    void notify(NoticeKind, const QString&, const QString&) override {}
    void setSummary(const QString&) override {}
};
