// SPDX-License-Identifier: GPL-3.0-or-later
// The monitoring controller: it builds the monitor's parts and wires them, and keeps the
// timers. The evaluation pass decides what each answer of the storage service means and says
// so in signals; the controller connects them to the outputs: the alert center with its
// channels, the event log, the shutdown action, the device list, the status presentation,
// the tray text and the metrics file. It holds no widget: it reaches the screen and the
// desktop through the interfaces of platform/ports.h, so a test can run whole passes and read
// what happened.
#pragma once

#include "alerts/alertcenter.h"
#include "app/evaluationpass.h"
#include "platform/ports.h"
#include "platform/systemversion.h"
#include "presentation/statusdisplay.h"
#include "presentation/traytext.h"
#include "service/parseraidinfo.h"
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
class MetricsPreferences;
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

class AppController : public QObject
{
    Q_OBJECT
public:
    explicit AppController(const ControllerConfig& config, QObject* parent = nullptr);
    ~AppController() override;

    // --- Start-up, timers, retries, quitting
    // The version gate, the pass's state, lists, the client and the registered defaults.
    // False when the gate failed: the alert was shown and termination requested.
    bool init();
    void applicationDidFinishLaunching();
    void startTimerAtRescan();
    void startTimerAtLogIn();
    void startTimer();
    void stopTimer();
    bool isRefetchTimerActive() const;
    void refetch();
    void terminateApp();
    void showHelp();
    // The help file for the user's language, or empty when there is none.
    QString helpFilePath() const;
    static QVariantMap registeredDefaults() { return Preferences::registeredDefaults(); }

    // --- The parts, for the entry point that builds the windows and for tests
    EvaluationPass& pass() { return *_pass; }
    const EvaluationPass& pass() const { return *_pass; }
    StatusPresentation& statusPresentation() { return *_presentation; }
    AlertCenter& alerts() { return *_alerts; }
    MailChannel& mail() { return *_mail; }
    WebhookChannel& webhook() { return *_webhook; }
    ShutdownAction& shutdownAction() { return *_shutdown; }
    Preferences& preferences() { return *_preferences; }
    MetricsExporter& metrics() { return *_metrics; }
    MetricsPreferences& metricsPreferences() { return *_metricsPreferences; }
    EventLogActions& eventLogActions() { return *_eventLogActions; }
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
    int selIdx() const { return _selIdx; }
    // The option flags (loaded from the preferences; the shutdown flag from the password).
    using Flags = OptionFlags;
    Flags& flags() { return _flags; }
    const Flags& flags() const { return _flags; }
    const ControllerTiming& timing() const { return _config.timing; }

signals:
    // Diagnostics for observers (the executable's log category, end-to-end tests).
    void statusIconChanged(int status);
    void passFinished();
    void logWritten(bool ok);
    // The published snapshot changed (pass().snapshot()).
    void snapshotChanged();

private:
    void makeClient();
    void makePass();
    void makeAlerts();

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
    std::unique_ptr<MetricsPreferences> _metricsPreferences;
    std::unique_ptr<TrayText> _trayText;
    std::unique_ptr<EvaluationPass> _pass; // before the client, which reports to it

    QPointer<QTimer> _reloadTimer;
    std::unique_ptr<ParseRaidInfo> _raidInfo;
    qint8 _selIdx = 0;
    EventLog _eventLog; // _logAry
    QStringList _targetName;
    QVariantMap _nameDict;
    Flags _flags;

    SettingsForm _form;
    std::unique_ptr<Preferences> _preferences;
    StatusDisplay _statusDisplay;
    DeviceListModel* _deviceListModel = nullptr; // owned through QObject parenting
    LogTableModel* _logTableModel = nullptr;     // owned through QObject parenting
    bool _refetchQueued = false;                 // a repeating refetch waits behind a modal panel

    std::unique_ptr<DesktopNotificationChannel> _desktopChannel;
    std::unique_ptr<MailChannel> _mail;
    std::unique_ptr<WebhookChannel> _webhook;
    std::unique_ptr<NoticePanelChannel> _panelChannel;
    std::unique_ptr<AlertCenter> _alerts; // last: it goes first, before the channels it calls
};
