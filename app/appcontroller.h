// SPDX-License-Identifier: GPL-3.0-or-later
// The monitoring controller: start-up, timers and retries, and the evaluation pass that turns
// each answer of the storage service into icon, log rows, published alerts and shutdown
// decisions. It owns and wires the status presentation, the event log actions, the shutdown
// action, the preferences and the alert center with its channels, which the windows reach
// through it. It holds no widget:
// it reaches the screen and the desktop through the interfaces of platform/ports.h, so a test can
// run whole passes and read what happened.
#pragma once

#include "alerts/alertcenter.h"
#include "alerts/alertevent.h"
#include "app/enclosurestate.h"
#include "app/monitorsnapshot.h"
#include "platform/ports.h"
#include "platform/systemversion.h"
#include "presentation/statusdisplay.h"
#include "service/parseraidinfo.h"
#include "service/raidinfolistener.h"
#include "settings/eventlog.h"
#include "settings/optionflags.h"
#include "settings/preferences.h"
#include "settings/secretstore.h"
#include "settings/settingsform.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <array>
#include <functional>
#include <memory>

class DefaultsStore;
class DesktopNotificationChannel;
class DeviceListModel;
class EventLogActions;
class LogTableModel;
class MailChannel;
class NoticePanelChannel;
class WebhookChannel;
class MetricsExporter;
class QTimer;
class ShutdownAction;
class StatusPresentation;

// Timing of the controller and its client. Defaults are the designed values; tests inject
// short ones.
struct ControllerTiming
{
    int rescanMs = 1000;          // kRescanInterval
    int loginMs = 6000;           // kLoginInterval
    int refetchMs = 3600000;      // kRefetchInterval (repeating)
    int handOffIdleMs = 100;      // hand-off after a document
    int handOffBusyMs = 1000;     // hand-off re-armed while a pass runs
    int answerMs = 30000;         // a command unanswered this long counts as a lost connection
    int unfinishedMs = 2000;      // a document with no further byte this long is a failed parse
    int mailTimeoutMs = 120000;   // a mail tool still running then is stopped: a failure
    int sudoTimeoutMs = 60000;    // a sudo command still running then is stopped
    int reminderHourMs = 3600000; // one hour of ReminderHours
    int flapWindowMs = 600000;    // one problem alert per enclosure and channel in this time
    int webhookTimeoutMs = 30000; // a web request unanswered then is stopped: a failure

    // The metrics file is rewritten at least this often.
    int metricsRefreshMs = 60000;
};

// Everything the controller is built with. Null presenters are replaced by do-nothing ones.
struct ControllerConfig
{
    StatusPresenter* status = nullptr;
    ModalPresenter* modal = nullptr;
    WindowPresenter* windows = nullptr;
    SystemPort* system = nullptr;
    DefaultsStore* store = nullptr; // null: the user's store, owned by the controller
    SecretStore* secrets = nullptr; // null: no keyring, the settings file keeps the SMTP password
    ControllerTiming timing;
    quint16 servicePort = ParseRaidInfo::kDefaultPort;
    Misc::VersionQuery versionQuery = Misc::runningSystemVersion;
    QString mailToolPath;                         // empty: popbsmtp found beside the executable
    QString helpFolder;                           // empty: the installed or build-tree help folder
    QString sudoProgram = QStringLiteral("sudo"); // found on PATH
    QString executablePath; // for the autostart entry; empty: this process's executable
    QList<QSslCertificate> webhookCaCertificates; // trusted besides the system's (tests)
};

class AppController : public QObject, public RaidInfoListener
{
    Q_OBJECT
public:
    static constexpr int kMaxEnclosures = 8;
    static constexpr int kSlots = 16;
    static constexpr int kMaxRetries = 10;
    static_assert(ParseRaidInfo::kTableRoom == kSlots, "the table holds what the slots hold");

    explicit AppController(const ControllerConfig& config, QObject* parent = nullptr);
    ~AppController() override;

    // --- Start-up, timers, retries, quitting
    // The version gate, slots, lists, the client and the registered defaults. False when
    // the gate failed: the alert was shown and termination requested.
    bool init();
    void applicationDidFinishLaunching();
    void startTimerAtRescan();
    void startTimerAtLogIn();
    void startTimer();
    void stopTimer();
    bool isRefetchTimerActive() const;
    void refetch();
    void errorOccurredStreamEvent() override;
    void terminateApp();
    void showHelp();
    // The help file for the user's language, or empty when there is none.
    QString helpFilePath() const;

    // --- The evaluation pass
    void processRaidInfo(const ServiceAnswer& answer) override;
    void buildParam(int index);

    // --- Status window and device list
    StatusPresentation& statusPresentation() { return *_presentation; }
    void displayRaidInfo(int index);
    QString localizedErrorString(int index) const;
    QString deviceName(int index) const;
    void displayPanel(const QString& text);

    // --- Alerts: the pass publishes, the alert center's channels deliver
    AlertCenter& alerts() { return *_alerts; }
    MailChannel& mail() { return *_mail; }
    WebhookChannel& webhook() { return *_webhook; }
    // An event about enclosure i as it is now.
    AlertEvent enclosureEvent(AlertEvent::Kind kind, int index) const;

    // --- Administrator password and shutdown
    ShutdownAction& shutdownAction() { return *_shutdown; }
    // The settings window's shutdown box was clicked.
    void w1_GetRootPassword();
    void execShutdown();

    // --- Preferences and the settings window
    Preferences& preferences() { return *_preferences; }
    static QVariantMap registeredDefaults() { return Preferences::registeredDefaults(); }

    // --- The metrics file for Prometheus (ExportMetrics, MetricsFolder)
    void w1_SetMetricsFolder();
    MetricsExporter& metrics() { return *_metrics; }

    // --- Event log
    EventLogActions& eventLogActions() { return *_eventLogActions; }
    void readCSVFile();
    void writeCSVFile(const QString& message, int index);

    // --- State, for the windows and for tests
    ParseRaidInfo& client() { return *_raidInfo; }
    const ParseRaidInfo& client() const { return *_raidInfo; }
    SettingsForm& form() { return _form; }
    DefaultsStore& store() { return *_store; }
    EventLog& eventLog() { return _eventLog; }
    DeviceListModel* deviceListModel() const { return _deviceListModel; }
    LogTableModel* logTableModel() const { return _logTableModel; }
    const QStringList& targetNames() const { return _targetName; }
    const QVariantMap& nameDict() const { return _nameDict; }
    const StatusDisplay& statusDisplay() const { return _statusDisplay; }
    StatusIcon statusIcon() const { return _statusIcon; }
    ErrorType errorType(int i) const { return _enclosures.at(i)._errorType; }
    RecoveryType recoveryType(int i) const { return _enclosures.at(i)._recoveryType; }
    RebuildPhase rebuildPhase(int i) const { return _enclosures.at(i)._rebuildPhase; }
    int rescanCount() const { return _rescanCount; }
    int selIdx() const { return _selIdx; }
    int devIdx() const { return _devIdx; }
    bool isPassRunning() const { return _passRunning; }
    bool isConnectionLost() const { return _connectionLost; }
    bool hasEvaluated() const { return _hasEvaluated; }
    // What the monitor knows now, published with the tray summary (snapshotChanged).
    const MonitorSnapshot& snapshot() const { return _snapshot; }

    // The option flags (loaded from the preferences; the shutdown flag from the password).
    using Flags = OptionFlags;
    Flags& flags() { return _flags; }
    const Flags& flags() const { return _flags; }
    const ControllerTiming& timing() const { return _config.timing; }
    // Calls back at the end of each evaluation pass while the context lives, for tools that
    // wait for one.
    QMetaObject::Connection onPassFinished(const QObject* context, std::function<void()> callback);

signals:
    // Diagnostics for observers (the executable's log category, end-to-end tests).
    void statusIconChanged(int status);
    void passFinished();
    void logWritten(bool ok);
    // The published snapshot changed.
    void snapshotChanged();

private:
    void setStatusIcon(StatusIcon status);
    void updateSummary();
    // Shows an icon on the presenter (setStatusIcon decides when, during a pass).
    void applyStatusIcon(StatusIcon status);
    void makeClient();
    void onConnectionStateChanged(bool connected);
    void makeAlerts();
    // The current index of the event's enclosure, -1 when it is no longer in the table.
    int currentIndex(const AlertEvent& event) const;
    // After each pass: the enclosures in a problem state, for the reminders.
    void reportProblemStates();
    // The metrics file's two settings, loaded, shown and saved with the preferences.
    void loadMetricsSettings();
    void showMetricsSettings();
    void saveMetricsSettings();

    ControllerConfig _config;
    NullStatusPresenter _nullStatus;
    std::unique_ptr<DefaultsStore> _ownedStore;
    DefaultsStore* _store = nullptr;
    StatusPresenter* _status = nullptr;
    ModalPresenter* _modal = nullptr;
    WindowPresenter* _windows = nullptr;
    SystemPort* _system = nullptr;
    NoSecretStore _noSecrets;
    std::unique_ptr<ShutdownAction> _shutdown;
    std::unique_ptr<EventLogActions> _eventLogActions;
    std::unique_ptr<StatusPresentation> _presentation;
    std::unique_ptr<MetricsExporter> _metrics;

    QPointer<QTimer> _reloadTimer;
    std::unique_ptr<ParseRaidInfo> _raidInfo;
    qint8 _devIdx = 0;
    qint8 _selIdx = 0;
    EventLog _eventLog; // _logAry
    QStringList _targetName;
    QVariantMap _nameDict;
    Flags _flags;
    std::array<EnclosureState, kSlots> _enclosures{}; // by position in the table
    bool _isAddLogData = false;
    int _rescanCount = 0;

    SettingsForm _form;
    std::unique_ptr<Preferences> _preferences;
    StatusDisplay _statusDisplay;
    StatusIcon _statusIcon = StatusIcon::Waiting;
    QString _lastSummary;
    MonitorSnapshot _snapshot;
    bool _passRunning = false;
    DeviceListModel* _deviceListModel = nullptr; // owned through QObject parenting
    LogTableModel* _logTableModel = nullptr;     // owned through QObject parenting
    StatusIcon _passIcon = StatusIcon::Waiting;  // the icon the running pass has chosen so far
    bool _connectionLost = false;                // the connection failed or the service went away
    bool _hasEvaluated = false;                  // at least one pass has run
    bool _refetchQueued = false;                 // a repeating refetch waits behind a modal panel
    bool _destroying = false;

    std::unique_ptr<DesktopNotificationChannel> _desktopChannel;
    std::unique_ptr<MailChannel> _mail;
    std::unique_ptr<WebhookChannel> _webhook;
    std::unique_ptr<NoticePanelChannel> _panelChannel;
    std::unique_ptr<AlertCenter> _alerts; // last: it goes first, before the channels it calls
};
