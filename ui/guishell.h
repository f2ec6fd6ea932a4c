// The program's face on the desktop: the tray icon with the status menu, the status window,
// the modal panels and alerts, the settings and log windows, and the desktop services. The
// controller reaches all of them through the interfaces it is built with; this object
// implements them with widgets.
//
// Without a system tray (a desktop without a tray host), the status window is shown at
// launch with the tray menu's commands, and closing it only minimizes it; the shell keeps
// looking for a tray and moves the icon there as soon as one appears.
#pragma once

#include "app/ports.h"
#include "ui/statusdisplay.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class AppController;
class LogWindow;
class NoticePanel;
class PasswordPanel;
class QAction;
class QMenu;
class QSystemTrayIcon;
class QTimer;
class QuitPanel;
class SettingsWindow;
class StatusWindow;

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

    // Builds the status window and the status menu for the controller.
    void attach(AppController& controller);
    // Removes every window that refers to the controller; call before the controller goes.
    void detach();
    // Puts the icon into the tray, or, without a tray, shows the status window and starts
    // looking for one.
    void launch();
    // How often to look for a tray that appeared (tests shorten it).
    void setTrayPollInterval(int ms);

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
    void pollTray();
    QIcon statusIconImage(int status) const;

    AppController* _controller = nullptr;
    std::unique_ptr<StatusWindow> _statusWindow;
    std::unique_ptr<QMenu> _menu;
    QSystemTrayIcon* _tray = nullptr; // child of this object
    QTimer* _trayPoll = nullptr;      // child of this object
    std::unique_ptr<NoticePanel> _noticePanel;
    std::unique_ptr<QuitPanel> _quitPanel;
    std::unique_ptr<PasswordPanel> _passwordPanel;
    QPointer<SettingsWindow> _settingsWindow;
    QPointer<LogWindow> _logWindow;
    int _statusIcon = 0;
    QString _summary;
    QString _lastNotification;
};
