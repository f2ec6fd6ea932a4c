// SPDX-License-Identifier: GPL-3.0-or-later
#include "storageservice.h"

#include "peeruser.h"
#include "protocol/clientlink.h"
#include "protocol/documents.h"

#include <QTcpSocket>

#include <algorithm>
#include <cstdio>

namespace tamro::storage {

namespace {

const QString ExecInfo = QStringLiteral("Retrieved configuration.");
const QString ConfigCmd = QStringLiteral("SVConfigCmd");
const QString ScanCmd = QStringLiteral("SVScanDevicesCmd");
constexpr int ComplaintsPerMinute = 20;

} // namespace

StorageService::StorageService(const ServiceOptions& options, Inventory* inventory, QObject* parent)
    : QObject(parent), _options(options), _inventory(inventory),
      _watcher([this] { scheduleScan(); })
{
    _intervalTimer.setInterval(_options.intervalMs);
    connect(&_intervalTimer, &QTimer::timeout, this, &StorageService::rescan);
    _wakeTimer.setSingleShot(true);
    _wakeTimer.setInterval(_options.wakeDelayMs);
    connect(&_wakeTimer, &QTimer::timeout, this, &StorageService::rescan);
    _saveTimer.setSingleShot(true);
    _saveTimer.setInterval(_options.saveDelayMs);
    connect(&_saveTimer, &QTimer::timeout, this, [this] { _inventory->saveState(); });
    connect(&_server, &QTcpServer::newConnection, this, &StorageService::onNewConnection);
    _server.setMaxPendingConnections(_options.maxClients);
}

StorageService::~StorageService() = default;

void StorageService::log(const QString& text)
{
    std::fprintf(stderr, "tamro-storage-service: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

QString StorageService::start()
{
    _inventory->refresh();
    _inventory->saveState();
    _watcher.setFiles(_inventory->wakeFiles());
    for (const QString& line : _inventory->describe())
        log(line);
    if (_options.listenFd >= 0) {
        if (!_server.setSocketDescriptor(_options.listenFd))
            return QStringLiteral("cannot take the socket systemd passed: %1")
                .arg(_server.errorString());
    } else if (!_server.listen(_options.host, _options.port)) {
        return QStringLiteral("cannot listen on %1:%2: %3")
            .arg(_options.host.toString())
            .arg(_options.port)
            .arg(_server.errorString());
    }
    bool uevents = false;
    if (_options.uevents) {
        QString error;
        uevents = _watcher.openUevents(&error);
        if (!uevents)
            log(QStringLiteral("no uevents (%1): arrays and drives that come and go are found "
                               "by the read every %2 ms")
                    .arg(error)
                    .arg(_options.intervalMs));
    }
    // Without uevents, or with a source whose changes do not all wake the service, the
    // timer reads everything again; otherwise the service sleeps until the kernel wakes it.
    const bool timer = !uevents || _inventory->needsTimerRead();
    if (timer)
        _intervalTimer.start();
    log(QStringLiteral("listening on %1:%2, %3 wake file(s), %4")
            .arg(_server.serverAddress().toString())
            .arg(_server.serverPort())
            .arg(_watcher.files().size())
            .arg(timer ? QStringLiteral("read every %1 ms").arg(_options.intervalMs)
                       : QStringLiteral("no timer read (every change wakes it)")));
    std::printf("listening %u\n", unsigned(_server.serverPort()));
    std::fflush(stdout);
    return {};
}

void StorageService::scheduleScan()
{
    if (!_wakeTimer.isActive())
        _wakeTimer.start();
}

QByteArray StorageService::document(const QByteArray& rootName) const
{
    return protocol::configDocument(rootName, 0, ExecInfo, _inventory->served());
}

void StorageService::rescan()
{
    const QStringList changed = _inventory->refresh();
    _watcher.setFiles(_inventory->wakeFiles());
    if (changed.isEmpty())
        return;
    // One event message and one fresh configuration per changed enclosure, as a client
    // expects them: each in its own write, the configuration a little after the event.
    const QByteArray config = document("SVConfigCmd");
    for (const QString& serial : changed) {
        log(QStringLiteral("enclosure %1 changed; pushing to %2 client(s)")
                .arg(serial)
                .arg(_clients.size()));
        sendToAll(protocol::eventMessage(protocol::ChangeEventMsgIdx, serial), _options.gapMs);
        sendToAll(config, 0);
    }
    _saveTimer.start();
}

void StorageService::sendToAll(const QByteArray& bytes, int pauseAfterMs)
{
    const QList<Client> clients = _clients;
    for (const Client& client : clients) {
        if (client.link && !client.link->enqueue(bytes, pauseAfterMs))
            endClient(client.link, QStringLiteral("does not read what is sent to it (over %1 "
                                                  "bytes waiting)")
                                       .arg(_options.maxPendingBytes));
    }
}

void StorageService::onNewConnection()
{
    while (QTcpSocket* socket = _server.nextPendingConnection()) {
        // Make room. A newcomer is never turned away, so a crowd of connections cannot lock
        // the monitor out; but the room is taken from the newcomer's own user when that user
        // already holds its share, else from the user who holds the most, so one local user
        // cannot crowd out another user's monitor. Within a user, the connection that has
        // not sent a command yet goes first, else the one whose last command is the oldest.
        const qint64 uid = peerUser(*socket);
        const auto held = [this](qint64 user) {
            return std::count_if(_clients.cbegin(), _clients.cend(),
                                 [user](const Client& c) { return c.uid == user; });
        };
        qint64 crowded = uid;
        if (held(uid) < _options.maxClientsPerUser && _clients.size() >= _options.maxClients) {
            for (const Client& c : std::as_const(_clients)) {
                if (held(c.uid) > held(crowded))
                    crowded = c.uid;
            }
        }
        if (held(uid) >= _options.maxClientsPerUser || _clients.size() >= _options.maxClients) {
            qsizetype victim = -1;
            for (qsizetype i = 0; i < _clients.size(); ++i) {
                if (_clients.at(i).uid == crowded &&
                    (victim < 0 || _clients.at(i).lastCommand < _clients.at(victim).lastCommand))
                    victim = i;
            }
            if (victim >= 0)
                endClient(_clients.at(victim).link,
                          QStringLiteral("closed to make room for a new connection (%1 at most, "
                                         "%2 for one user)")
                              .arg(_options.maxClients)
                              .arg(_options.maxClientsPerUser));
        }
        // Pushes are small and must not wait for the client's delayed acknowledgement.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        auto* link = new protocol::ClientLink(socket, _nextClientId++, _options.maxCommandBytes,
                                              _options.maxPendingBytes);
        link->setParent(this);
        _clients.append({link, 0, uid});
        connect(socket, &QTcpSocket::readyRead, link, [this, link] { onClientData(link); });
        connect(socket, &QTcpSocket::disconnected, link, [this, link] {
            _clients.removeIf([link](const Client& c) { return c.link == link || !c.link; });
            link->deleteLater();
        });
        QPointer<protocol::ClientLink> guard(link);
        QTimer::singleShot(_options.commandWaitMs, link, [this, guard] {
            for (const Client& c : std::as_const(_clients)) {
                if (c.link == guard && c.lastCommand == 0)
                    endClient(guard, QStringLiteral("sent no command"));
            }
        });
    }
}

void StorageService::endClient(protocol::ClientLink* link, const QString& why)
{
    if (!link)
        return;
    _clients.removeIf([link](const Client& c) { return c.link == link || !c.link; });
    if (!_complaintWindow.isValid() || _complaintWindow.elapsed() > 60000) {
        if (_suppressed > 0)
            log(QStringLiteral("(%1 more client(s) ended without a word)").arg(_suppressed));
        _complaintWindow.start();
        _complaints = 0;
        _suppressed = 0;
    }
    if (++_complaints <= ComplaintsPerMinute)
        log(QStringLiteral("client %1 ended: %2").arg(link->id()).arg(why));
    else
        ++_suppressed;
    link->drop();
    link->socket()->abort();
    link->deleteLater();
}

void StorageService::onClientData(protocol::ClientLink* link)
{
    // Never more than the command limit is taken at once; a client that writes more than a
    // command's worth without completing one ends.
    protocol::CommandReader& reader = link->reader();
    QTcpSocket* socket = link->socket();
    while (socket->bytesAvailable() > 0) {
        reader.append(socket->read(_options.maxCommandBytes + 1));
        for (;;) {
            const protocol::CommandReader::Item item = reader.next();
            using Kind = protocol::CommandReader::Item::Kind;
            if (item.kind == Kind::None)
                break;
            if (item.kind == Kind::TooLong) {
                endClient(link, QStringLiteral("command too long (over %1 bytes)")
                                    .arg(_options.maxCommandBytes));
                return;
            }
            if (item.kind == Kind::Stray) {
                endClient(link, QStringLiteral("not a command (%1 stray bytes)").arg(item.count));
                return;
            }
            const QString name = protocol::elementName(item.bytes);
            if (name != ConfigCmd && name != ScanCmd) {
                endClient(link, name.isEmpty()
                                    ? QStringLiteral("command not well-formed")
                                    : QStringLiteral("unknown command %1").arg(name.left(64)));
                return;
            }
            if (!protocol::isBareEmptyElement(item.bytes, name)) {
                endClient(link, QStringLiteral("command not well-formed"));
                return;
            }
            for (Client& c : _clients) {
                if (c.link == link)
                    c.lastCommand = ++_commandCount;
            }
            if (!link->enqueue(document(name.toLatin1()), 0)) {
                endClient(link, QStringLiteral("does not read its answers"));
                return;
            }
        }
    }
}

} // namespace tamro::storage
