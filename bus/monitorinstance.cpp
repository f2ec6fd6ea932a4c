// SPDX-License-Identifier: GPL-3.0-or-later
#include "bus/monitorinstance.h"

#include "app/appcontroller.h"
#include "bus/monitorlink.h"
#include "platform/logging.h"
#include "presentation/statuspresentation.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

namespace {

// A request line longer than this is no request of ours.
constexpr qint64 kMaxRequestLine = 64;

QString compactJson(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace

MonitorInstance::MonitorInstance(QObject* parent) : QObject(parent) {}

MonitorInstance::~MonitorInstance()
{
    if (_onBus) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterService(QLatin1String(monitorlink::kService));
        bus.unregisterObject(QLatin1String(monitorlink::kPath));
    }
    if (_server)
        _server->close();
}

MonitorInstance::Claim MonitorInstance::claim(bool useSessionBus)
{
    if (claimLock() == Claim::Secondary)
        return Claim::Secondary;
    return claimRest(useSessionBus);
}

MonitorInstance::Claim MonitorInstance::claimLock()
{
    const QString lockPath = monitorlink::lockPath();
    if (!lockPath.isEmpty()) {
        _lock = std::make_unique<QLockFile>(lockPath);
        // A lock whose process has ended is taken over at once, however young it is.
        _lock->setStaleLockTime(0);
        if (!_lock->tryLock(0)) {
            if (_lock->error() == QLockFile::LockFailedError) {
                _lock.reset();
                return Claim::Secondary;
            }
            // A runtime folder we cannot write to: the session bus alone keeps the monitor
            // single, or nothing does; the monitor still runs.
            qCWarning(lcMonitor, "could not take the lock %s", qPrintable(lockPath));
            _lock.reset();
        }
    }
    return Claim::Primary;
}

MonitorInstance::Claim MonitorInstance::claimRest(bool useSessionBus)
{
    if (useSessionBus && QDBusConnection::sessionBus().isConnected() && !claimBus()) {
        _lock.reset();
        return Claim::Secondary;
    }
    listenLocally();
    return Claim::Primary;
}

bool MonitorInstance::claimBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    new MonitorBusAdaptor(this);
    // The object first, so whoever sees the name finds the object behind it.
    if (!bus.registerObject(QLatin1String(monitorlink::kPath), this,
                            QDBusConnection::ExportAdaptors)) {
        qCWarning(lcMonitor, "could not register the session-bus object: %s",
                  qPrintable(bus.lastError().message()));
        return true; // the lock decides alone
    }
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus.interface()->registerService(QLatin1String(monitorlink::kService),
                                         QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        _onBus = true;
        return true;
    }
    bus.unregisterObject(QLatin1String(monitorlink::kPath));
    if (!reply.isValid()) {
        qCWarning(lcMonitor, "could not ask for the session-bus name: %s",
                  qPrintable(reply.error().message()));
        return true;
    }
    return false; // someone else owns the name
}

void MonitorInstance::listenLocally()
{
    const QString path = monitorlink::socketPath();
    if (path.isEmpty() || !_lock)
        return; // without the lock the socket may be another monitor's
    _server = new QLocalServer(this);
    _server->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket file left there is from a monitor that has ended.
    QLocalServer::removeServer(path);
    if (!_server->listen(path)) {
        qCWarning(lcMonitor, "could not listen on %s: %s", qPrintable(path),
                  qPrintable(_server->errorString()));
        return;
    }
    connect(_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = _server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this,
                    [this, socket] { answerLocal(socket); });
            if (socket->bytesAvailable() > 0)
                answerLocal(socket);
        }
    });
}

void MonitorInstance::answerLocal(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        const QByteArray word = socket->readLine(kMaxRequestLine + 1).trimmed();
        QByteArray answer = "ok";
        if (word == monitorlink::requestWord(monitorlink::Request::Show))
            showStatusWindow();
        else if (word == monitorlink::requestWord(monitorlink::Request::Rescan))
            rescan();
        else if (word == monitorlink::requestWord(monitorlink::Request::Status))
            answer = compactJson(snapshot().toJson()).toUtf8();
        else
            answer = "error: unknown request";
        socket->write(answer + '\n');
    }
    if (socket->bytesAvailable() > kMaxRequestLine)
        socket->abort();
}

void MonitorInstance::attach(AppController& controller)
{
    _controller = &controller;
    connect(&controller, &AppController::snapshotChanged, this, &MonitorInstance::publishChange);
    if (_showPending) {
        _showPending = false;
        controller.statusPresentation().w0_OrderFront();
    }
}

void MonitorInstance::detach()
{
    if (_controller)
        disconnect(_controller, nullptr, this, nullptr);
    _controller = nullptr;
}

MonitorSnapshot MonitorInstance::snapshot() const
{
    return _controller ? _controller->pass().snapshot() : MonitorSnapshot();
}

void MonitorInstance::showStatusWindow()
{
    qCInfo(lcMonitor, "asked to show the status window");
    if (_controller)
        _controller->statusPresentation().w0_OrderFront();
    else
        _showPending = true;
}

void MonitorInstance::rescan()
{
    qCInfo(lcMonitor, "asked to rescan");
    if (_controller)
        _controller->statusPresentation().w0_Rescan();
}

void MonitorInstance::publishChange()
{
    const MonitorSnapshot current = snapshot();
    const QString state = MonitorSnapshot::stateName(current.state);
    emit stateChanged(state);
    if (!_onBus)
        return;
    // For property watchers (gdbus monitor, busctl --watch and the like).
    QDBusMessage changed = QDBusMessage::createSignal(
        QLatin1String(monitorlink::kPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    const QJsonArray enclosures = current.toJson().value(QLatin1String("enclosures")).toArray();
    changed << QLatin1String(monitorlink::kInterface)
            << QVariantMap{{QStringLiteral("State"), state},
                           {QStringLiteral("Enclosures"),
                            QString::fromUtf8(
                                QJsonDocument(enclosures).toJson(QJsonDocument::Compact))}}
            << QStringList();
    QDBusConnection::sessionBus().send(changed);
}

MonitorBusAdaptor::MonitorBusAdaptor(MonitorInstance* instance)
    : QDBusAbstractAdaptor(instance), _instance(instance)
{
    connect(instance, &MonitorInstance::stateChanged, this, &MonitorBusAdaptor::StateChanged);
}

QString MonitorBusAdaptor::state() const
{
    return MonitorSnapshot::stateName(_instance->snapshot().state);
}

QString MonitorBusAdaptor::enclosures() const
{
    const QJsonArray list =
        _instance->snapshot().toJson().value(QLatin1String("enclosures")).toArray();
    return QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact));
}

QString MonitorBusAdaptor::GetStatus() const
{
    return compactJson(_instance->snapshot().toJson());
}

void MonitorBusAdaptor::Rescan()
{
    _instance->rescan();
}

void MonitorBusAdaptor::ShowStatusWindow()
{
    _instance->showStatusWindow();
}
