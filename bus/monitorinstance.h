// SPDX-License-Identifier: GPL-3.0-or-later
// The one monitor of a user. The first start takes a lock in the user's runtime folder and,
// when there is a session bus, the bus name; it then answers other processes on the bus and
// on a local socket beside the lock. A later start finds either taken and only asks the
// running monitor to show its status window (see monitorlink.h).
//
// On the bus the object exposes the snapshot it is given, and forwards two requests to the
// calls it is given; it decides nothing itself.
#pragma once

#include "presentation/monitorsnapshot.h"

#include <QDBusAbstractAdaptor>
#include <QObject>

#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

class MonitorInstance : public QObject
{
    Q_OBJECT
public:
    enum class Claim { Primary, Secondary };

    explicit MonitorInstance(QObject* parent = nullptr);
    ~MonitorInstance() override;

    // Becomes the user's monitor, or finds that another process is, in two steps. The lock
    // first: it needs no application object, so a second start ends without opening a
    // display. Then, with the application object, the session-bus name (unless useSessionBus
    // is false) and the local socket.
    Claim claimLock();
    Claim claimRest(bool useSessionBus = true);
    // Both steps.
    Claim claim(bool useSessionBus = true);
    bool isOnSessionBus() const { return _onBus; }

    // What the requests read and reach.
    struct Wiring
    {
        std::function<MonitorSnapshot()> snapshot; // what the monitor knows now
        std::function<void()> showStatusWindow;    // the status window, in front
        std::function<void()> rescan;              // the status window's Rescan
    };

    // Starts answering with the monitor's snapshot and calls. A request to show the status
    // window that came before is carried out now.
    void attach(Wiring wiring);
    // Stops: the requests read an empty snapshot and reach nothing. Call it before the parts
    // the calls reach go.
    void detach();
    // The snapshot changed: tells the bus's watchers (connect it to whoever publishes it).
    // Nothing while detached.
    void publishChange();

    // What the requests read and do.
    MonitorSnapshot snapshot() const;
    void showStatusWindow();
    void rescan();

signals:
    // The published snapshot changed; the overall state in its words ("ok", "problem", ...).
    void stateChanged(const QString& state);

private:
    bool claimBus();
    void listenLocally();
    void answerLocal(QLocalSocket* socket);

    std::unique_ptr<QLockFile> _lock;
    QLocalServer* _server = nullptr; // child of this object
    Wiring _wiring;
    bool _attached = false;
    bool _onBus = false;
    bool _showPending = false;
};

// The object's interface on the session bus.
class MonitorBusAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tamro.RaidMonitor")
    // The overall state: "waiting", "ok", "problem", "rebuilding" or "no-service".
    Q_PROPERTY(QString State READ state)
    // The enclosures as a JSON array (the "enclosures" member of GetStatus).
    Q_PROPERTY(QString Enclosures READ enclosures)
public:
    explicit MonitorBusAdaptor(MonitorInstance* instance);

    QString state() const;
    QString enclosures() const;

public slots:
    // The whole snapshot as one JSON document.
    QString GetStatus() const;
    // The status window's Rescan button.
    void Rescan();
    // Shows the status window, in front.
    void ShowStatusWindow();

signals:
    void StateChanged(const QString& state);

private:
    MonitorInstance* _instance;
};
