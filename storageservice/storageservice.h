// SPDX-License-Identifier: GPL-3.0-or-later
// tamro-storage-service's network side: it answers <SVConfigCmd/> and <SVScanDevicesCmd/>
// with one configuration document and, on every change, pushes an event message and a fresh
// configuration to every client. What a client sends never changes anything but that
// client's own connection.
#pragma once

#include "inventory.h"
#include "wakewatcher.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>

#include <memory>

namespace tamro::protocol {
class ClientLink;
}

namespace tamro::storage {

struct ServiceOptions
{
    QString root = QStringLiteral("/");
    QHostAddress host = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 51115;
    int listenFd = -1;      // a listening socket handed over by systemd
    int intervalMs = 5000;  // the timer read
    int wakeDelayMs = 10;   // a burst of notifications makes one read
    bool uevents = true;    // listen to the kernel's uevents
    int gapMs = 50;         // between an event message and the configuration after it
    int saveDelayMs = 1000; // the state file is written this long after the last change
    int maxClients = 64;
    int maxClientsPerUser = 16; // of the connections above, what one local user may hold
    qsizetype maxCommandBytes = 256;
    qsizetype maxPendingBytes = 128 * 1024; // a client that does not read is dropped past this
    int commandWaitMs = 10000;              // a client that sends no command in this time is closed
};

class StorageService : public QObject
{
public:
    StorageService(const ServiceOptions& options, Inventory* inventory, QObject* parent = nullptr);
    ~StorageService() override;

    // Reads the arrays once, then listens. Returns an error text; on success prints
    // "listening <port>" to standard output.
    QString start();
    quint16 port() const { return _server.serverPort(); }
    int clientCount() const { return int(_clients.size()); }

    // Reads every array now and pushes what changed: what the timer does.
    void rescan();
    // What a kernel notification or a uevent does: one read shortly after, however many
    // wake-ups come meanwhile.
    void wake() { scheduleScan(); }

private:
    void onNewConnection();
    void onClientData(protocol::ClientLink* link);
    void endClient(protocol::ClientLink* link, const QString& why);
    void sendToAll(const QByteArray& bytes, int pauseAfterMs);
    void scheduleScan();
    void log(const QString& text);
    QByteArray document(const QByteArray& rootName) const;

    ServiceOptions _options;
    Inventory* _inventory;
    QTcpServer _server;
    WakeWatcher _watcher;
    QTimer _intervalTimer;
    QTimer _wakeTimer;
    QTimer _saveTimer;
    struct Client
    {
        QPointer<protocol::ClientLink> link;
        qint64 lastCommand = 0; // when it last sent a valid command (0: never)
        qint64 uid = -1;        // the local user at the other end (-1: not known)
    };
    QList<Client> _clients;
    int _nextClientId = 1;
    qint64 _commandCount = 0;
    // Client complaints are said on standard error, but not more than this many a minute.
    QElapsedTimer _complaintWindow;
    int _complaints = 0;
    int _suppressed = 0;
};

} // namespace tamro::storage
