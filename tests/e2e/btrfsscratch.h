// SPDX-License-Identifier: GPL-3.0-or-later
// Sparse image files on loop devices for a real Btrfs filesystem, undone in every path: the
// destructor, a fatal signal (the trap runs the same clean-up script), and the next run, which
// first runs the script a killed run left behind. The script touches only what this run made:
// its own mount point, and loop devices found by their backing file, which is one of its own
// images.
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <csignal>
#include <cstring>

#include <sys/wait.h>
#include <unistd.h>

namespace e2e {

// Why a real Btrfs pair cannot be made here, or empty when it can.
inline QString btrfsUnavailable()
{
    if (::geteuid() != 0)
        return QStringLiteral("needs root (loop devices, mkfs.btrfs, mount)");
    QFile filesystems(QStringLiteral("/proc/filesystems"));
    if (!filesystems.open(QIODevice::ReadOnly) || !filesystems.readAll().contains("\tbtrfs\n"))
        return QStringLiteral("the kernel has no Btrfs (not in /proc/filesystems)");
    if (!QFileInfo::exists(QStringLiteral("/dev/loop-control")))
        return QStringLiteral("no loop devices (/dev/loop-control is missing)");
    for (const char* tool : {"mkfs.btrfs", "btrfs", "losetup", "mount", "umount"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return QStringLiteral("%1 is not installed (btrfs-progs, util-linux)")
                .arg(QLatin1String(tool));
    }
    return {};
}

class BtrfsScratch
{
public:
    static constexpr int imageCount = 3;

    // Makes <parent>/tamro-btrfs-XXXXXX with the images, the mount point and the script.
    explicit BtrfsScratch(const QString& parent)
    {
        sweepLeftovers(parent);
        QByteArray pattern = QFile::encodeName(parent + QStringLiteral("/tamro-btrfs-XXXXXX"));
        if (!::mkdtemp(pattern.data()))
            return;
        _dir = QFile::decodeName(pattern);
        QDir().mkpath(mountPoint());
        for (int i = 0; i < imageCount; ++i) {
            QFile image(imagePath(i));
            if (!image.open(QIODevice::WriteOnly) || !image.resize(512LL << 20))
                return;
        }
        writeScript();
        installTrap();
        _ok = true;
    }
    ~BtrfsScratch() { cleanUp(); }
    BtrfsScratch(const BtrfsScratch&) = delete;
    BtrfsScratch& operator=(const BtrfsScratch&) = delete;

    bool ok() const { return _ok; }
    QString mountPoint() const { return _dir + QStringLiteral("/mnt"); }
    QString imagePath(int i) const
    {
        return _dir + QStringLiteral("/disk%1.img").arg(QChar(u'a' + i));
    }
    // The loop device an image is attached to now, or empty.
    QString device(int i) const { return _devices[i]; }

    // Runs a command, standard output and error merged into *output; true on exit status 0.
    static bool run(const QStringList& command, QString* output = nullptr, int timeoutMs = 120000)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(command.first(), command.mid(1));
        const bool finished = p.waitForStarted(10000) && p.waitForFinished(timeoutMs);
        if (!finished)
            p.kill();
        if (output)
            *output = QString::fromLocal8Bit(p.readAll());
        return finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    // A free loop device for image i (never one found in use: losetup picks a free one).
    QString attach(int i)
    {
        QString out;
        if (!run({QStringLiteral("losetup"), QStringLiteral("-f"), QStringLiteral("--show"),
                  imagePath(i)},
                 &out))
            return {};
        _devices[i] = out.trimmed();
        return _devices[i];
    }
    bool detach(int i)
    {
        if (_devices[i].isEmpty())
            return false;
        run({QStringLiteral("btrfs"), QStringLiteral("device"), QStringLiteral("scan"),
             QStringLiteral("--forget"), _devices[i]});
        const bool done = run({QStringLiteral("losetup"), QStringLiteral("-d"), _devices[i]});
        _devices[i].clear();
        return done;
    }

    void cleanUp()
    {
        if (_dir.isEmpty())
            return;
        run({QStringLiteral("/bin/sh"), scriptPath()});
        _dir.clear();
        trapScript()[0] = '\0';
    }

private:
    QString scriptPath() const { return _dir + QStringLiteral("/cleanup.sh"); }

    void writeScript()
    {
        QStringList images;
        for (int i = 0; i < imageCount; ++i)
            images.append(u'\'' + imagePath(i) + u'\'');
        QFile script(scriptPath());
        if (!script.open(QIODevice::WriteOnly))
            return;
        script.write(
            QStringLiteral(
                "# Undoes what the Btrfs end-to-end run in this folder made, and only that.\n"
                "mnt='%1'\n"
                "for i in 1 2 3; do umount \"$mnt\" 2>/dev/null || break; done\n"
                "for img in %2; do\n"
                "  for dev in $(losetup -j \"$img\" -n -O NAME 2>/dev/null); do\n"
                "    btrfs device scan --forget \"$dev\" >/dev/null 2>&1\n"
                "    losetup -d \"$dev\"\n"
                "  done\n"
                "done\n"
                "rm -rf '%3'\n")
                .arg(mountPoint(), images.join(u' '), _dir)
                .toUtf8());
        QFile pid(_dir + QStringLiteral("/pid"));
        if (pid.open(QIODevice::WriteOnly))
            pid.write(QByteArray::number(::getpid()));
        const QByteArray path = QFile::encodeName(scriptPath());
        std::strncpy(trapScript(), path.constData(), 1023);
    }

    // A run killed before its clean-up leaves its folder: undo it when its process is gone.
    static void sweepLeftovers(const QString& parent)
    {
        const QDir dir(parent);
        for (const QString& name :
             dir.entryList({QStringLiteral("tamro-btrfs-*")}, QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile pid(dir.filePath(name) + QStringLiteral("/pid"));
            const QString script = dir.filePath(name) + QStringLiteral("/cleanup.sh");
            if (!pid.open(QIODevice::ReadOnly) || !QFileInfo::exists(script))
                continue;
            const int owner = pid.readAll().toInt();
            if (owner > 0 && (::kill(owner, 0) == 0 || errno != ESRCH))
                continue;
            run({QStringLiteral("/bin/sh"), script});
        }
    }

    static char* trapScript()
    {
        static char path[1024] = {};
        return path;
    }
    // Fatal signals run the clean-up script (fork and exec are safe in a handler), then end
    // the process as the signal would have.
    static void onFatalSignal(int sig)
    {
        if (trapScript()[0] != '\0') {
            const pid_t child = ::fork();
            if (child == 0) {
                ::execl("/bin/sh", "sh", trapScript(), static_cast<char*>(nullptr));
                ::_exit(127);
            }
            if (child > 0)
                ::waitpid(child, nullptr, 0);
        }
        ::signal(sig, SIG_DFL);
        ::raise(sig);
    }
    static void installTrap()
    {
        for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT, SIGSEGV, SIGBUS})
            ::signal(sig, onFatalSignal);
    }

    QString _dir;
    QString _devices[imageCount];
    bool _ok = false;
};

} // namespace e2e
