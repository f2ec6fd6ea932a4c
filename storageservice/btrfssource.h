// SPDX-License-Identifier: GPL-3.0-or-later
// Btrfs filesystems mirrored (or striped, or spanned) across exactly two devices, read from
// <root>/sys/fs/btrfs/<fsid>/ and <root>/proc/self/mountinfo. Sysfs shows a filesystem only
// while it is mounted; what a filesystem showed before it went out of use is the caller's to
// keep.
//
// Files are opened once and re-read with pread: a pair's dozen small files cost a few tens of
// microseconds that way, against several times that when each is opened anew. Directories
// (devinfo/, devices/, allocation/*/) stay open too and are listed again from their start.
//
// Two facts sysfs does not hold are asked of the mounted filesystem by ioctl, on the real
// root only: which block device carries which devid (BTRFS_IOC_DEV_INFO, any user), and a
// running device replace's source devid and progress (BTRFS_IOC_TREE_SEARCH and
// BTRFS_IOC_DEV_REPLACE, CAP_SYS_ADMIN). Without them the devids are paired with the
// devices/ names in order, and a replace shows without its progress.
#pragma once

#include "arraysource.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>

namespace tamro::storage {

// What the kernel says of one devid of a mounted filesystem.
struct BtrfsDevice
{
    std::uint64_t devid = 0;
    bool missing = false;
    bool replaceTarget = false;
    bool statsValid = true;       // error_stats reads "invalid" before they are loaded
    std::uint64_t errors[5] = {}; // write, read, flush, corruption, generation
    QString blockDevice;          // kernel name ("loop0", "sdb1"); empty when unknown
};

// The result of the ioctls asked of a mounted filesystem; absent parts read as unknown.
struct BtrfsMountFacts
{
    std::map<std::uint64_t, QString> devicePaths; // devid -> kernel block device name
    std::optional<std::uint64_t> replaceSource;   // devid a running replace copies
    std::optional<double> replacePercent;         // 0..100
    bool replaceStatusDenied = false;             // the status ioctl said EPERM
};

class BtrfsSource : public ArraySource
{
public:
    // root: the directory that holds sys/ and proc/ ("/" for this machine's own kernel).
    // keepFilesOpen false opens every file at each read (only for measuring the difference).
    explicit BtrfsSource(QString root, bool keepFilesOpen = true);
    ~BtrfsSource() override;
    BtrfsSource(const BtrfsSource&) = delete;
    BtrfsSource& operator=(const BtrfsSource&) = delete;

    ScanResult scan() override;
    QStringList wakeFiles() const override;

    // The counters' names as error_stats writes them, in its order.
    static const char* const counterNames[5];
    // The command that gives single chunks their second copy.
    static QString balanceCommand(const QString& mountPoint);

private:
    struct Mount
    {
        QString mountPoint; // as the kernel names it, without the root prefix
        bool degraded = false;
    };
    struct OpenFile
    {
        int fd = -1;
        bool used = false;
    };

    // stale: set when a kept descriptor had to be opened anew (its file had gone).
    std::optional<QByteArray> readFile(const QString& path, bool* stale = nullptr);
    QStringList listDir(const QString& path, bool directoriesOnly);
    void closeUnder(const QString& prefix);
    void closeUnused();
    QHash<QString, Mount> readMounts(const QHash<QString, QStringList>& devicesByFsid);
    BtrfsMountFacts askMountedFilesystem(const QString& fsid, const Mount& mount,
                                         const QList<BtrfsDevice>& devices,
                                         const QStringList& blockDevices, bool replacing);
    void describeDrive(protocol::Drive& drive, const QString& blockDevice);

    QString _root;
    bool _keepOpen;
    std::unordered_map<std::string, OpenFile> _files;
    QStringList _wakeFiles;
    // Devid-to-device pairing, kept while the devids and device names stay the same.
    struct CachedFacts
    {
        QString key;
        BtrfsMountFacts facts;
    };
    QHash<QString, CachedFacts> _facts;
    struct CachedDrive
    {
        QByteArray key;
        protocol::Drive drive;
    };
    QHash<QString, CachedDrive> _drives; // by kernel block device name
};

} // namespace tamro::storage
