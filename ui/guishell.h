// SPDX-License-Identifier: GPL-3.0-or-later
// The program's face on the desktop: the tray icon with the status menu, the status window,
// the modal panels and alerts, the settings and log windows, and the desktop services. The
// controller reaches all of them through the interfaces it is built with; this object
// implements them with widgets, which reach back only through the parts and calls it is
// attached to.
//
// Without a system tray (a desktop without a tray host), the status window is shown at
// launch with the tray menu's commands, and closing it only minimizes it; the shell moves the
// icon to a tray as soon as one appears. It does not poll for one where it can be told: a
// tray host announces itself by the StatusNotifierWatcher's name on the session bus, which
// the shell watches. The X11 tray selection, and a desktop without a session bus, give no
// such notice; there the shell looks once a minute.
#pragma once

#include "platform/ports.h"
#include "presentation/statusdisplay.h"
#include "ui/settingswindow.h"
#include "ui/statuswindow.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class EventLogActions;
class LogTableModel;
class LogWindow;
class NoticePanel;
class PasswordPanel;
class QAction;
class QDBusConnection;
class QDBusServiceWatcher;
class QMenu;
class QSystemTrayIcon;
class QTimer;
class QuitPanel;

class GuiShell : public QObject,
                 public StatusPresenter,
                 public ModalPresenter,
                 public WindowPresenter,
                 public SystemPort
{
    Q_OBJECT
public:
    explicit GuiShell(QObject* parent = nullptr);
    ~GuiShell() override;

    // What the windows and the status menu show and call.
    struct Wiring
    {
        // The status window; its Log, Settings, Help and Quit calls serve the menu too, and
        // its presentation the menu's Status item and the log window's Rescan.
        StatusWindow::Wiring status;
        const StatusDisplay* display = nullptr; // what the status window shows first
        SettingsWindow::Wiring settings;        // the settings window, built when first shown
        LogTableModel* log = nullptr;           // the log window's rows
        EventLogActions* logActions = nullptr;  // the log window's OK
    };

    // Builds the status window and the status menu.
    void attach(Wiring wiring);
    // Removes every window that refers to the parts attached; call before they go.
    void detach();
    // Puts the icon into the tray, or, without a tray, shows the status window and starts
    // looking for one.
    void launch();
    // How often to look for a tray where its appearance cannot be watched (tests shorten it).
    void setTrayPollInterval(int ms);
    // The session bus to watch for a tray host (tests give one of their own); by default the
    // user's session bus.
    void setSessionBus(const QDBusConnection& bus);
    // Looking for a tray: the poll's interval while it runs (0: not polling), whether the
    // session bus is watched, and how often the shell has looked.
    int trayPollInterval() const;
    bool isWatchingForTray() const { return _trayWatcher != nullptr; }
    int trayChecks() const { return _trayChecks; }

    // --- For the render tool and tests
    StatusWindow* statusWindow() const { return _statusWindow.get(); }
    QMenu* statusMenu() const { return _menu.get(); }
    QSystemTrayIcon* trayIcon() const { return _tray; }
    NoticePanel* noticePanel();
    QuitPanel* quitPanel();
    PasswordPanel* passwordPanel();
    SettingsWindow* settingsWindow() const;
    LogWindow* logWindow() const;
    int statusIcon() const { return _statusIcon; }
    QString summary() const { return _summary; }
    // The summary as the tray's tooltip takes it (rich text showing it as it is).
    QString trayToolTip() const;
    // "<title>: <body>" of the last notification, the body as handed to the desktop.
    QString lastNotification() const { return _lastNotification; }
    bool isUsingTray() const;

    // --- StatusPresenter
    void setStatusIcon(int status) override;
    void showStatus(const StatusDisplay& display) override;
    void deviceListReloaded(int selectedRow) override;
    void notify(NoticeKind kind, const QString& title, const QString& text) override;
    void setSummary(const QString& text) override;

    // --- ModalPresenter
    void alert(const QString& message, bool critical) override;
    void displayPanel(const QString& text) override;
    int runQuitPanel(const QString& text) override;
    std::optional<QString> runPasswordPanel(const QString& status) override;
    std::optional<QString> runSaveDialog(const QString& startPath) override;
    std::optional<QString> runOpenDialog(const QString& startPath) override;
    std::optional<QString> runFolderDialog(const QString& startPath) override;

    // --- WindowPresenter
    void showStatusWindow() override;
    void closeStatusWindow() override;
    void showSettingsWindow() override;
    void closeSettingsWindow() override;
    void commitSettingsEditing() override;
    void showLogWindow() override;
    void closeLogWindow() override;

    // --- SystemPort
    void terminate() override;
    bool openWithDefaultApplication(const QString& path) override;

private:
    void buildMenu();
    void moveToTray();
    void watchForTray();
    void pollTray();
    QIcon statusIconImage(int status) const;

    Wiring _wiring;
    bool _attached = false;
    std::unique_ptr<StatusWindow> _statusWindow;
    std::unique_ptr<QMenu> _menu;
    QSystemTrayIcon* _tray = nullptr;             // child of this object
    QTimer* _trayPoll = nullptr;                  // child of this object
    QDBusServiceWatcher* _trayWatcher = nullptr;  // child of this object
    std::unique_ptr<QDBusConnection> _sessionBus; // set by tests; else the user's bus
    int _trayChecks = 0;
    bool _pixmapCacheOff = false; // the pixmap cache was turned off at the first status
    std::unique_ptr<NoticePanel> _noticePanel;
    std::unique_ptr<QuitPanel> _quitPanel;
    std::unique_ptr<PasswordPanel> _passwordPanel;
    QPointer<SettingsWindow> _settingsWindow;
    QPointer<LogWindow> _logWindow;
    int _statusIcon = 0;
    QString _summary;
    QString _lastNotification;
};
