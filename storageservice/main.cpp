// SPDX-License-Identifier: GPL-3.0-or-later
// tamro-storage-service: serves this machine's two-drive md RAID and Btrfs arrays to the
// monitor over the storage-service protocol on 127.0.0.1:51115.
#include "inventory.h"
#include "btrfssource.h"
#include "mdsource.h"
#include "statestore.h"
#include "storageservice.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHostAddress>

#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <systemd/sd-daemon.h>
#include <unistd.h>

using namespace tamro::storage;

namespace {

void say(const QString& text)
{
    std::fprintf(stderr, "tamro-storage-service: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

// "HOST:PORT" with a loopback host ("127.0.0.1", "[::1]", "localhost"); an error text else.
QString parseListen(const QString& text, QHostAddress* host, quint16* port)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return QStringLiteral("--listen wants HOST:PORT, not \"%1\"").arg(text);
    QString hostText = text.left(colon);
    if (hostText.startsWith(QLatin1Char('[')) && hostText.endsWith(QLatin1Char(']')))
        hostText = hostText.mid(1, hostText.size() - 2);
    if (hostText == QLatin1String("localhost"))
        hostText = QStringLiteral("127.0.0.1");
    bool ok = false;
    const uint portValue = text.mid(colon + 1).toUInt(&ok);
    if (!ok || portValue > 65535)
        return QStringLiteral("--listen: \"%1\" is not a port number").arg(text.mid(colon + 1));
    QHostAddress address;
    if (!address.setAddress(hostText))
        return QStringLiteral("--listen: \"%1\" is not an IP address").arg(hostText);
    if (!address.isLoopback())
        return QStringLiteral("--listen: %1 is not a loopback address; the service only "
                              "listens on this machine (127.0.0.1 or ::1), since anyone who "
                              "reaches the port can connect")
            .arg(hostText);
    *host = address;
    *port = quint16(portValue);
    return {};
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tamro-storage-service"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAMRO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Serves this machine's two-drive md RAID and Btrfs arrays to TAMRO RAID MONITOR.\n"
        "Under systemd it takes the socket of tamro-storage-service.socket."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption rootOption(
        QStringLiteral("sysfs-root"),
        QStringLiteral("Read DIR/sys and DIR/proc (default /), e.g. a recorded tree."),
        QStringLiteral("DIR"), QStringLiteral("/"));
    const QCommandLineOption listenOption(
        QStringLiteral("listen"),
        QStringLiteral("Listen on HOST:PORT, a loopback address (default 127.0.0.1:51115)."),
        QStringLiteral("HOST:PORT"), QStringLiteral("127.0.0.1:51115"));
    const QCommandLineOption intervalOption(
        QStringLiteral("interval"),
        QStringLiteral("Read everything every SECONDS besides the kernel's wake-ups, where a "
                       "source needs it or no uevents can be had (default 5)."),
        QStringLiteral("SECONDS"), QStringLiteral("5"));
    const QCommandLineOption listOption(
        QStringLiteral("list"),
        QStringLiteral("Print the arrays found and how each maps, then exit."));
    parser.addOptions({rootOption, listenOption, intervalOption, listOption});
    if (!parser.parse(app.arguments())) {
        say(parser.errorText());
        return 2;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty()) {
        say(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));
        return 2;
    }

    ServiceOptions options;
    QString root = QDir::cleanPath(parser.value(rootOption));
    if (root == QLatin1String("/"))
        root.clear();
    else if (!QFileInfo(root).isDir()) {
        say(QStringLiteral("--sysfs-root: %1 is not a folder").arg(root));
        return 2;
    }
    options.root = root;
    if (const QString error = parseListen(parser.value(listenOption), &options.host, &options.port);
        !error.isEmpty()) {
        say(error);
        return 2;
    }
    bool ok = false;
    const double seconds = parser.value(intervalOption).toDouble(&ok);
    if (!ok || seconds < 0.01 || seconds > 86400) {
        say(QStringLiteral("--interval wants seconds from 0.01 to 86400, not \"%1\"")
                .arg(parser.value(intervalOption)));
        return 2;
    }
    options.intervalMs = int(seconds * 1000);

    const bool list = parser.isSet(listOption);
    StateStore store(StateStore::defaultDirectory());
    store.setReadOnly(list);
    if (const QString error = store.load(); !error.isEmpty())
        say(error);
    std::vector<std::unique_ptr<ArraySource>> sources;
    sources.push_back(std::make_unique<MdSource>(root));
    sources.push_back(std::make_unique<BtrfsSource>(root));
    Inventory inventory(root, &store, std::move(sources), list ? [](const QString&) {} : say);

    if (list) {
        inventory.refresh();
        for (const QString& line : inventory.describe())
            std::printf("%s\n", line.toLocal8Bit().constData());
        return 0;
    }

    // Socket activation: systemd holds 127.0.0.1:51115 and hands the listening socket over.
    const int fds = sd_listen_fds(1);
    if (fds > 1) {
        say(QStringLiteral("systemd passed %1 sockets; expected one").arg(fds));
        return 1;
    }
    if (fds == 1) {
        if (sd_is_socket_inet(SD_LISTEN_FDS_START, AF_UNSPEC, SOCK_STREAM, 1, 0) <= 0) {
            say(QStringLiteral("the socket systemd passed is not a listening TCP socket"));
            return 1;
        }
        options.listenFd = SD_LISTEN_FDS_START;
        say(QStringLiteral("using the socket systemd passed; --listen is not used"));
    }

    // SIGTERM (systemctl stop) and SIGINT end the event loop, so the state file is written.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signalFd >= 0) {
        auto* notifier = new QSocketNotifier(signalFd, QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [signalFd] {
            signalfd_siginfo info;
            while (::read(signalFd, &info, sizeof info) == ssize_t(sizeof info)) {
            }
            QCoreApplication::quit();
        });
    }

    StorageService service(options, &inventory);
    if (const QString error = service.start(); !error.isEmpty()) {
        say(error);
        return 1;
    }
    const int status = app.exec();
    inventory.saveState();
    return status;
}
