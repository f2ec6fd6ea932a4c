// SPDX-License-Identifier: GPL-3.0-or-later
#include "keychain/keychainstore.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QTimer>

#include <qt6keychain/keychain.h>

#include <utility>

namespace {

Q_LOGGING_CATEGORY(lcKeychain, "tamro.keychain")

// Bus names of the keyrings QtKeychain talks to.
const QStringList kKeyringNames = {QStringLiteral("org.freedesktop.secrets"),
                                   QStringLiteral("org.kde.kwalletd6"),
                                   QStringLiteral("org.kde.kwalletd5")};
// How long the bus itself may take to answer a question about its names.
constexpr int kBusCallMs = 2000;

QStringList busNames(QDBusConnection& bus, const char* method)
{
    const QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QString::fromLatin1(method));
    const QDBusMessage reply = bus.call(call, QDBus::Block, kBusCallMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().constFirst().toStringList();
}

// Starts the job and waits for it in a nested event loop, at most timeoutMs. False when the
// limit passed; the job then finishes (and deletes itself) whenever QtKeychain is done.
bool runJob(QKeychain::Job* job, int timeoutMs)
{
    QEventLoop loop;
    bool finished = false;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    job->setAutoDelete(false);
    job->start();
    // A job may finish within start() (no backend at all); quit() before exec() would not
    // end the loop.
    if (!finished) {
        limit.start(timeoutMs);
        loop.exec();
    }
    if (!finished) {
        job->setAutoDelete(true);
        qCWarning(lcKeychain, "the keyring did not answer within %d ms", timeoutMs);
    }
    return finished;
}

} // namespace

KeychainSecretStore::KeychainSecretStore(QString service, int timeoutMs)
    : _service(std::move(service)), _timeoutMs(timeoutMs)
{
}

bool KeychainSecretStore::isAvailable()
{
    if (_unresponsive)
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    // Running now, or started by the bus on the first request.
    const QStringList running = busNames(bus, "ListNames");
    const QStringList startable = busNames(bus, "ListActivatableNames");
    for (const QString& name : kKeyringNames) {
        if (running.contains(name) || startable.contains(name))
            return true;
    }
    return false;
}

SecretStore::Result KeychainSecretStore::read(const QString& key, QString& secret)
{
    if (_unresponsive)
        return Result::Failed;
    auto* job = new QKeychain::ReadPasswordJob(_service);
    job->setKey(key);
    if (!runJob(job, _timeoutMs)) {
        _unresponsive = true;
        return Result::Failed;
    }
    Result result = Result::Ok;
    if (job->error() == QKeychain::EntryNotFound) {
        result = Result::NotFound;
    } else if (job->error() != QKeychain::NoError) {
        qCWarning(lcKeychain) << "the keyring refused to read:" << job->errorString();
        result = Result::Failed;
    } else {
        secret = job->textData();
    }
    delete job;
    return result;
}

SecretStore::Result KeychainSecretStore::write(const QString& key, const QString& secret)
{
    if (_unresponsive)
        return Result::Failed;
    auto* job = new QKeychain::WritePasswordJob(_service);
    job->setKey(key);
    job->setTextData(secret);
    if (!runJob(job, _timeoutMs)) {
        _unresponsive = true;
        return Result::Failed;
    }
    Result result = Result::Ok;
    if (job->error() != QKeychain::NoError) {
        qCWarning(lcKeychain) << "the keyring refused to store:" << job->errorString();
        result = Result::Failed;
    }
    delete job;
    return result;
}
