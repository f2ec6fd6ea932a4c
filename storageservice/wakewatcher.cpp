// SPDX-License-Identifier: GPL-3.0-or-later
#include "wakewatcher.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tamro::storage {

namespace {

// Reads the file from its start: this is what re-arms the kernel's notification.
bool rearm(int fd)
{
    char buffer[4096];
    return ::pread(fd, buffer, sizeof buffer, 0) >= 0;
}

} // namespace

WakeWatcher::WakeWatcher(std::function<void()> onWake, QObject* parent)
    : QObject(parent), _onWake(std::move(onWake))
{
}

WakeWatcher::~WakeWatcher()
{
    for (Watched& watched : _files)
        close(watched);
    if (_ueventFd >= 0)
        ::close(_ueventFd);
}

void WakeWatcher::close(Watched& watched)
{
    delete watched.notifier;
    watched.notifier = nullptr;
    if (watched.fd >= 0)
        ::close(watched.fd);
    watched.fd = -1;
}

void WakeWatcher::setFiles(const QStringList& files)
{
    for (auto it = _files.begin(); it != _files.end();) {
        if (files.contains(it.key())) {
            ++it;
            continue;
        }
        close(it.value());
        it = _files.erase(it);
    }
    for (const QString& path : files) {
        if (_files.contains(path))
            continue;
        Watched watched;
        watched.fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (watched.fd < 0)
            continue;
        rearm(watched.fd);
        watched.notifier = new QSocketNotifier(watched.fd, QSocketNotifier::Exception, this);
        QObject::connect(watched.notifier, &QSocketNotifier::activated, this,
                         [this, path] { onFile(path); });
        _files.insert(path, watched);
    }
}

void WakeWatcher::onFile(const QString& path)
{
    auto it = _files.find(path);
    if (it == _files.end())
        return;
    // A file whose object went away keeps reporting; it stays quiet until the next scan
    // decides whether it is still wanted.
    if (!rearm(it->fd))
        it->notifier->setEnabled(false);
    _onWake();
}

bool WakeWatcher::openUevents(QString* error)
{
    const int fd =
        ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_KOBJECT_UEVENT);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = 1; // the kernel's own messages
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    _ueventFd = fd;
    _uevent = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    QObject::connect(_uevent, &QSocketNotifier::activated, this, [this] { onUevent(); });
    return true;
}

void WakeWatcher::onUevent()
{
    bool wake = false;
    for (;;) {
        char buffer[8192];
        sockaddr_nl from{};
        iovec iov{buffer, sizeof buffer};
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &iov;
        message.msg_iovlen = 1;
        const ssize_t n = ::recvmsg(_ueventFd, &message, 0);
        if (n < 0)
            break;
        // Only the kernel (port 0) is listened to; anything else on the group is ignored.
        if (from.nl_pid != 0 || n == 0)
            continue;
        const QByteArray text(buffer, n);
        // "ACTION@DEVPATH\0KEY=VALUE\0...": block devices and the arrays' own objects matter.
        if (text.contains("SUBSYSTEM=block") || text.contains("/btrfs") ||
            text.contains("SUBSYSTEM=bdi"))
            wake = true;
    }
    if (wake)
        _onWake();
}

} // namespace tamro::storage
