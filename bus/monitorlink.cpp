// SPDX-License-Identifier: GPL-3.0-or-later
#include "bus/monitorlink.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace monitorlink {

namespace {

QString runtimeFile(const QString& name)
{
    // Looked up once: Qt warns at every look-up when $XDG_RUNTIME_DIR is not set.
    static const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return folder.isEmpty() ? QString() : QDir(folder).filePath(name);
}

QString busMethod(Request request)
{
    switch (request) {
    case Request::Show:
        return QStringLiteral("ShowStatusWindow");
    case Request::Rescan:
        return QStringLiteral("Rescan");
    case Request::Status:
        return QStringLiteral("GetStatus");
    }
    return {};
}

int remaining(const QDeadlineTimer& deadline)
{
    return int(qMax<qint64>(1, deadline.remainingTime()));
}

// Over the session bus; nothing reached when there is no bus or no one owns the name.
Reply sendOnBus(Request request, const QDeadlineTimer& deadline)
{
    Reply reply;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return reply;
    QDBusMessage call =
        QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                       QLatin1String(kInterface), busMethod(request));
    // Never start a monitor just to ask it something.
    call.setAutoStartService(false);
    const QDBusMessage answer = bus.call(call, QDBus::Block, remaining(deadline));
    if (answer.type() != QDBusMessage::ReplyMessage) {
        if (answer.errorName() != QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") &&
            answer.errorName() != QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
            reply.error = QStringLiteral("session bus: %1").arg(answer.errorMessage());
        return reply;
    }
    reply.reached = true;
    if (!answer.arguments().isEmpty())
        reply.text = answer.arguments().constFirst().toString();
    return reply;
}

Reply sendOnSocket(Request request, const QDeadlineTimer& deadline)
{
    Reply reply;
    const QString path = socketPath();
    if (path.isEmpty())
        return reply;
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(remaining(deadline)))
        return reply; // no one listens: no monitor without a bus either
    socket.write(requestWord(request) + '\n');
    QByteArray line;
    while (!line.contains('\n') && !deadline.hasExpired()) {
        if (!socket.waitForReadyRead(remaining(deadline)))
            break;
        line += socket.readAll();
    }
    if (!line.endsWith('\n')) {
        reply.error = QStringLiteral("%1: the monitor did not answer").arg(path);
        return reply;
    }
    line.chop(1);
    if (line.startsWith("error: ")) {
        reply.error = QString::fromUtf8(line.mid(7));
        return reply;
    }
    reply.reached = true;
    if (request == Request::Status)
        reply.text = QString::fromUtf8(line);
    return reply;
}

} // namespace

QString lockPath()
{
    return runtimeFile(QStringLiteral("tamro-raid-monitor.lock"));
}

QString socketPath()
{
    return runtimeFile(QStringLiteral("tamro-raid-monitor.socket"));
}

QByteArray requestWord(Request request)
{
    switch (request) {
    case Request::Show:
        return "show";
    case Request::Rescan:
        return "rescan";
    case Request::Status:
        return "status";
    }
    return {};
}

Reply send(Request request, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    Reply onBus = sendOnBus(request, deadline);
    if (onBus.reached)
        return onBus;
    Reply onSocket = sendOnSocket(request, deadline);
    if (!onSocket.reached && onSocket.error.isEmpty())
        onSocket.error = onBus.error;
    return onSocket;
}

} // namespace monitorlink
