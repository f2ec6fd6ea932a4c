// SPDX-License-Identifier: GPL-3.0-or-later
// The evaluation pass: each answer the service client hands over is turned, enclosure by
// enclosure, into the enclosure's state (error type, recovery type, rebuild phase) and from
// its transitions into what happened: the icon, log rows, a problem found, a rebuild
// finished, all rebuilds finished, the service lost or back, a changed device list, and the
// snapshot of what the monitor knows. It owns that state and decides; the outputs (alerts,
// event log, shutdown, device list, status window, tray text, metrics, bus) subscribe to its
// signals and decide nothing about the enclosures. It also answers a lost connection with
// the retries, asking its owner's timers for them.
#pragma once

#include "alerts/alertevent.h"
#include "app/enclosurestate.h"
#include "presentation/monitorsnapshot.h"
#include "presentation/traytext.h"
#include "service/raidinfolistener.h"
#include "service/serviceanswer.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

class ModalPresenter;
class ParseRaidInfo;
class SystemPort;
struct OptionFlags;

class EvaluationPass : public QObject, public RaidInfoListener
{
    Q_OBJECT
public:
    static constexpr int kMaxEnclosures = 8;
    static constexpr int kSlots = 16;
    static constexpr int kMaxRetries = 10;

    // What the pass reads and whom it asks, handed over by its owner.
    struct Inputs
    {
        ParseRaidInfo* client = nullptr;
        const OptionFlags* flags = nullptr;
        ModalPresenter* modal = nullptr; // the alerts for too many enclosures and a lost service
        SystemPort* system = nullptr;    // ends the program at the enclosure limit
        std::function<QString(int index)> deviceName;
        std::function<QString(int index)> plugText; // the localized plug-state text
        // The owner's timers: a device scan soon, a reconnection after a log-in delay, and
        // the repeating refetch.
        std::function<void()> rescanSoon;
        std::function<void()> reconnectSoon;
        std::function<bool()> isRefetchActive;
        std::function<void()> startRefetch;
    };

    explicit EvaluationPass(QObject* parent = nullptr);
    void setInputs(Inputs inputs);

    // Forgets everything evaluated: a new start.
    void reset();
    // The grey icon and the tray text of a monitor that has evaluated nothing yet.
    void showWaiting();
    // Nothing the client reports any more is evaluated (the owner is going).
    void stop() { _stopped = true; }

    // A parsed document is handed over.
    void processRaidInfo(const ServiceAnswer& answer) override;
    // Evaluates enclosure index of the answer being evaluated.
    void buildParam(int index);
    // The connection failed or the service went away: retry, or give up and say so.
    void errorOccurredStreamEvent() override;
    // The client's connection came up or went down.
    void connectionStateChanged(bool connected);
    // Recomputes the tray text and the snapshot (a name changed, a retry started, ...).
    void updateSummary();

    // An alert about enclosure index as it is now.
    AlertEvent enclosureEvent(AlertEvent::Kind kind, int index) const;
    // The serial numbers of the enclosures in a problem state now.
    QSet<QString> problemSerials() const;

    ErrorType errorType(int i) const { return stateAt(i)._errorType; }
    RecoveryType recoveryType(int i) const { return stateAt(i)._recoveryType; }
    RebuildPhase rebuildPhase(int i) const { return stateAt(i)._rebuildPhase; }
    StatusIcon statusIcon() const { return _statusIcon; }
    int rescanCount() const { return _rescanCount; }
    int devIdx() const { return _devIdx; }
    bool isPassRunning() const { return _passRunning; }
    bool isConnectionLost() const { return _connectionLost; }
    bool hasEvaluated() const { return _hasEvaluated; }
    const MonitorSnapshot& snapshot() const { return _snapshot; }

signals:
    void iconChanged(int status);
    // A row for the event log: message empty for the enclosure's state, else the message.
    void logRow(const QString& message, int index);
    void problemFound(const AlertEvent& event);
    void rebuildFinished(const AlertEvent& event);
    // A rebuild finished and no enclosure is rebuilding any more.
    void allRebuildsFinished();
    // The service stayed out of reach through every retry; back: it answers again.
    void serviceLost();
    void serviceBack();
    // The enclosure at index left the table; those behind it moved down by one.
    void enclosureRemoved(int index);
    // The device list holds these names now.
    void deviceNamesChanged(const QStringList& names);
    // Show enclosure index in the status window; showSelected: the one the user selected.
    void showEnclosure(int index);
    void showSelected();
    void summaryChanged(const TrayText::Input& summary);
    void snapshotChanged(const MonitorSnapshot& snapshot);
    void passFinished();

private:
    const EnclosureState& stateAt(int i) const;
    void setStatusIcon(StatusIcon status);
    void applyStatusIcon(StatusIcon status);
    void writeRow(int index);
    MonitorSnapshot capture() const;
    // The tray text's inputs: the snapshot's names and states, with the rebuild progress.
    TrayText::Input trayInput(const MonitorSnapshot& snapshot) const;

    Inputs _in;
    ServiceAnswer _answer; // the answer the pass evaluates, or evaluated last
    std::array<EnclosureState, kSlots> _enclosures{}; // by position in the table
    qint8 _devIdx = 0;
    int _rescanCount = 0;
    int _listedCount = 0; // names on the device list
    bool _isAddLogData = false;
    StatusIcon _statusIcon = StatusIcon::Waiting;
    StatusIcon _passIcon = StatusIcon::Waiting; // the icon the running pass has chosen so far
    bool _passRunning = false;
    bool _connectionLost = false;  // the connection failed or the service went away
    bool _serviceLostSaid = false; // serviceLost was emitted and the service is not back
    bool _hasEvaluated = false;    // at least one pass has run
    bool _stopped = false;
    MonitorSnapshot _snapshot;
};
