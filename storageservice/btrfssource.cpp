// SPDX-License-Identifier: GPL-3.0-or-later
#include "btrfssource.h"

#include "blockdevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include <endian.h>

#include <dirent.h>
#include <fcntl.h>
#include <linux/btrfs.h>
#include <linux/btrfs_tree.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tamro::storage {

const char* const BtrfsSource::counterNames[5] = {"write_errs", "read_errs", "flush_errs",
                                                  "corruption_errs", "generation_errs"};

namespace {

constexpr int generationCounter = 4; // a stale copy, repaired by the mirror: not a failing drive
const QStringList profileNames{
    QStringLiteral("single"), QStringLiteral("dup"),     QStringLiteral("raid0"),
    QStringLiteral("raid1"),  QStringLiteral("raid10"),  QStringLiteral("raid5"),
    QStringLiteral("raid6"),  QStringLiteral("raid1c3"), QStringLiteral("raid1c4")};
const QString allocationTypes[3] = {QStringLiteral("data"), QStringLiteral("metadata"),
                                    QStringLiteral("system")};

enum class Layout { Mirror, Stripe, Span };

// "loop2" before "loop10": the kernel's names, shorter first.
bool kernelNameLess(const QString& a, const QString& b)
{
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// Mount points escape space, tab, newline and backslash as \ooo.
QString unescapeMountField(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int c = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok && c < 256) {
                out.append(char(c));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QString::fromUtf8(out);
}

QString fsidText(const __u8* uuid)
{
    return QUuid::fromRfc4122(QByteArrayView(reinterpret_cast<const char*>(uuid), 16))
        .toString(QUuid::WithoutBraces);
}

} // namespace

BtrfsSource::BtrfsSource(QString root, bool keepFilesOpen)
    : _root(QDir::cleanPath(root.isEmpty() ? QStringLiteral("/") : root)), _keepOpen(keepFilesOpen)
{
    if (_root == QLatin1String("/"))
        _root.clear(); // paths below are written as _root + "/sys/..."
    _wakeFiles = {_root + QStringLiteral("/proc/self/mountinfo")};
}

BtrfsSource::~BtrfsSource()
{
    for (auto& [path, file] : _files)
        ::close(file.fd);
}

QString BtrfsSource::balanceCommand(const QString& mountPoint)
{
    return QStringLiteral("btrfs balance start -dconvert=raid1,soft -mconvert=raid1,soft ") +
           mountPoint;
}

std::optional<QByteArray> BtrfsSource::readFile(const QString& path, bool* stale)
{
    const std::string name = QFile::encodeName(path).toStdString();
    // A kept descriptor of a sysfs file whose directory went (an unmount, the end of a
    // replace) reads ENODEV: open the path again once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto it = _files.find(name);
        int fd = it != _files.end() ? it->second.fd : -1;
        if (fd < 0) {
            fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
            if (fd < 0)
                return std::nullopt;
            if (_keepOpen)
                it = _files.emplace(name, OpenFile{fd, false}).first;
        }
        QByteArray out;
        char buf[8192];
        int error = 0;
        for (off_t offset = 0;;) {
            const ssize_t n = ::pread(fd, buf, sizeof buf, offset);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                error = errno;
                break;
            }
            out.append(buf, n);
            offset += n;
            // Sysfs and proc files are read whole by a read that does not fill the buffer.
            if (n < ssize_t(sizeof buf) || out.size() > (1 << 20))
                break;
        }
        if (!_keepOpen || error != 0) {
            ::close(fd);
            if (_keepOpen)
                _files.erase(it);
            if (error != 0) {
                if (stale && error == ENODEV)
                    *stale = true;
                continue;
            }
            return out;
        }
        it->second.used = true;
        return out;
    }
    return std::nullopt;
}

QStringList BtrfsSource::listDir(const QString& path, bool directoriesOnly)
{
    // The directory stays open and is read again from its start: kernfs lists the children it
    // has now. A directory that went is noticed through its files (see scan()).
    struct LinuxDirent64
    {
        std::uint64_t ino;
        std::int64_t off;
        unsigned short reclen;
        unsigned char type;
        char name[1];
    };
    const std::string name = QFile::encodeName(path).toStdString();
    auto it = _files.find(name);
    int fd = it != _files.end() ? it->second.fd : -1;
    if (fd < 0) {
        fd = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return {};
        if (_keepOpen)
            it = _files.emplace(name, OpenFile{fd, false}).first;
    }
    QStringList names;
    bool failed = ::lseek(fd, 0, SEEK_SET) < 0;
    alignas(8) char buf[8192];
    while (!failed) {
        const long n = ::syscall(SYS_getdents64, fd, buf, sizeof buf);
        if (n <= 0) {
            failed = n < 0;
            break;
        }
        for (long at = 0; at < n;) {
            const auto* e = reinterpret_cast<const LinuxDirent64*>(buf + at);
            at += e->reclen;
            if (e->name[0] == '.')
                continue;
            if (directoriesOnly && e->type != DT_DIR && e->type != DT_UNKNOWN)
                continue;
            names.append(QFile::decodeName(e->name));
        }
        // A read that left room for another entry reached the end: spares the empty read.
        if (n + 512 < long(sizeof buf))
            break;
    }
    names.sort();
    if (!_keepOpen || failed) {
        ::close(fd);
        if (_keepOpen)
            _files.erase(it);
        return failed ? QStringList() : names;
    }
    it->second.used = true;
    return names;
}

void BtrfsSource::closeUnder(const QString& prefix)
{
    const std::string start = QFile::encodeName(prefix).toStdString();
    for (auto it = _files.begin(); it != _files.end();) {
        if (it->first.compare(0, start.size(), start) == 0) {
            ::close(it->second.fd);
            it = _files.erase(it);
        } else {
            ++it;
        }
    }
}

void BtrfsSource::closeUnused()
{
    for (auto it = _files.begin(); it != _files.end();) {
        if (!it->second.used) {
            ::close(it->second.fd);
            it = _files.erase(it);
        } else {
            it->second.used = false;
            ++it;
        }
    }
}

QHash<QString, BtrfsSource::Mount>
BtrfsSource::readMounts(const QHash<QString, QStringList>& devicesByFsid)
{
    QHash<QString, Mount> mounts;
    const QByteArray table =
        readFile(_root + QStringLiteral("/proc/self/mountinfo")).value_or(QByteArray());
    QList<Mount> unmatched;
    for (const QByteArray& line : table.split('\n')) {
        // id parent major:minor root mount-point options [optional...] - type source super-options
        const QList<QByteArray> f = line.split(' ');
        const qsizetype dash = f.indexOf("-");
        if (dash < 6 || dash + 3 >= f.size() || f.at(dash + 1) != "btrfs")
            continue;
        Mount mount;
        mount.mountPoint = unescapeMountField(f.at(4));
        mount.degraded = f.at(dash + 3).split(',').contains("degraded");
        const QString source = unescapeMountField(f.at(dash + 2));
        // The first mount of a filesystem is its mount point; a further one (a subvolume
        // mounted elsewhere) matches too but changes nothing.
        const auto match = [&](const QString& name) {
            for (auto it = devicesByFsid.begin(); it != devicesByFsid.end(); ++it) {
                if (it.value().contains(name)) {
                    if (!mounts.contains(it.key()))
                        mounts.insert(it.key(), mount);
                    return true;
                }
            }
            return false;
        };
        // "/dev/sdb" names the device; a link ("/dev/mapper/x", "/dev/disk/by-...") is
        // followed only when the plain name matches nothing.
        bool matched = match(QFileInfo(source).fileName());
        if (!matched) {
            const QString resolved = QFileInfo(_root + source).canonicalFilePath();
            matched = !resolved.isEmpty() && match(QFileInfo(resolved).fileName());
        }
        if (!matched)
            unmatched.append(mount);
    }
    // A source name that is no longer among the devices (the device the kernel names the
    // mount after went away): ask the mounted filesystem its fsid.
    for (const Mount& mount : unmatched) {
        if (mounts.size() == devicesByFsid.size())
            break;
        const int fd = ::open(QFile::encodeName(_root + mount.mountPoint).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            continue;
        btrfs_ioctl_fs_info_args info{};
        if (::ioctl(fd, BTRFS_IOC_FS_INFO, &info) == 0) {
            const QString fsid = fsidText(info.fsid);
            if (devicesByFsid.contains(fsid) && !mounts.contains(fsid))
                mounts.insert(fsid, mount);
        }
        ::close(fd);
    }
    return mounts;
}

BtrfsMountFacts BtrfsSource::askMountedFilesystem(const QString& fsid, const Mount& mount,
                                                  const QList<BtrfsDevice>& devices,
                                                  const QStringList& blockDevices, bool replacing)
{
    QString key = mount.mountPoint + u'|' + blockDevices.join(u',');
    for (const BtrfsDevice& d : devices)
        key += u'|' + QString::number(d.devid) + (d.missing ? u'm' : u'p');
    // The pairing holds while devids and device names stay; a replace's progress does not.
    if (!replacing) {
        const auto cached = _facts.constFind(fsid);
        if (cached != _facts.constEnd() && cached->key == key)
            return cached->facts;
    }
    BtrfsMountFacts facts;
    // Not kept open: an open directory would make the user's umount fail.
    const int fd = ::open(QFile::encodeName(_root + mount.mountPoint).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return facts;
    btrfs_ioctl_fs_info_args info{};
    if (::ioctl(fd, BTRFS_IOC_FS_INFO, &info) != 0 || fsidText(info.fsid) != fsid) {
        ::close(fd);
        return facts;
    }
    for (const BtrfsDevice& d : devices) {
        btrfs_ioctl_dev_info_args dev{};
        dev.devid = d.devid;
        if (d.missing || ::ioctl(fd, BTRFS_IOC_DEV_INFO, &dev) != 0)
            continue;
        const QString path = QString::fromUtf8(reinterpret_cast<const char*>(dev.path));
        if (!path.startsWith(u'/'))
            continue; // "<missing disk>"
        const QString resolved = QFileInfo(_root + path).canonicalFilePath();
        const QString name = QFileInfo(resolved.isEmpty() ? path : resolved).fileName();
        if (blockDevices.contains(name))
            facts.devicePaths[d.devid] = name;
    }
    if (replacing) {
        btrfs_ioctl_dev_replace_args status{};
        status.cmd = BTRFS_IOCTL_DEV_REPLACE_CMD_STATUS;
        if (::ioctl(fd, BTRFS_IOC_DEV_REPLACE, &status) == 0) {
            if (status.status.replace_state == BTRFS_IOCTL_DEV_REPLACE_STATE_STARTED ||
                status.status.replace_state == BTRFS_IOCTL_DEV_REPLACE_STATE_SUSPENDED)
                facts.replacePercent = double(status.status.progress_1000) / 10.0;
        } else if (errno == EPERM) {
            facts.replaceStatusDenied = true;
        }
        // The replace's source devid is kept in the device tree's replace item only.
        btrfs_ioctl_search_args search{};
        search.key.tree_id = BTRFS_DEV_TREE_OBJECTID;
        search.key.min_type = search.key.max_type = BTRFS_DEV_REPLACE_KEY;
        search.key.max_offset = search.key.max_transid = ~0ULL;
        search.key.nr_items = 1;
        if (::ioctl(fd, BTRFS_IOC_TREE_SEARCH, &search) == 0 && search.key.nr_items == 1) {
            btrfs_ioctl_search_header header;
            std::memcpy(&header, search.buf, sizeof header);
            if (header.type == BTRFS_DEV_REPLACE_KEY && header.len >= sizeof(__le64)) {
                __le64 src = 0;
                std::memcpy(&src, search.buf + sizeof header, sizeof src);
                facts.replaceSource = le64toh(src);
            }
        }
    }
    ::close(fd);
    _facts.insert(fsid, CachedFacts{key, facts});
    return facts;
}

void BtrfsSource::describeDrive(protocol::Drive& drive, const QString& blockDevice)
{
    const QString dir = _root + QStringLiteral("/sys/class/block/") + blockDevice;
    // The description holds while the device is the same one: its number, its sequence number
    // (new at every loop attach and every disk plugged in) and its size.
    const QByteArray key = readFile(dir + QStringLiteral("/dev")).value_or(QByteArray()) + '|' +
                           readFile(dir + QStringLiteral("/diskseq")).value_or(QByteArray()) + '|' +
                           readFile(dir + QStringLiteral("/size")).value_or(QByteArray());
    const auto cached = _drives.constFind(blockDevice);
    if (cached != _drives.constEnd() && cached->key == key) {
        drive.model = cached->drive.model;
        drive.serial = cached->drive.serial;
        drive.actualCapacityGb = cached->drive.actualCapacityGb;
        drive.partitionCapacityGb = cached->drive.partitionCapacityGb;
        return;
    }
    // Read as the md source reads its members; kept until the device changes.
    const BlockDevice dev = readBlockDevice(_root, blockDevice);
    drive.model = dev.model.isEmpty() ? blockDevice : dev.model;
    drive.serial = dev.serial;
    drive.actualCapacityGb = decimalGb(dev.diskBytes);
    drive.partitionCapacityGb = binaryGb(dev.sizeBytes);
    _drives.insert(blockDevice, CachedDrive{key, drive});
}

ScanResult BtrfsSource::scan()
{
    ScanResult result;
    _wakeFiles = {_root + QStringLiteral("/proc/self/mountinfo")};
    const QString top = _root + QStringLiteral("/sys/fs/btrfs/");
    QStringList fsids;
    for (const QString& name : listDir(top, true)) {
        if (!QUuid::fromString(name).isNull())
            fsids.append(name);
    }
    QHash<QString, QStringList> devicesByFsid;
    QHash<QString, QString> labels;
    for (const QString& fsid : fsids) {
        const QString base = top + fsid + u'/';
        // Kept descriptors of a filesystem unmounted and mounted again since the last scan
        // read ENODEV (files) or nothing (directories): the label tells, and all are opened
        // anew.
        bool stale = false;
        const std::optional<QByteArray> label = readFile(base + QStringLiteral("label"), &stale);
        if (stale)
            closeUnder(base);
        labels.insert(fsid, QString::fromUtf8(label.value_or(QByteArray())).trimmed());
        QStringList names = listDir(base + QStringLiteral("devices"), false);
        std::sort(names.begin(), names.end(), kernelNameLess);
        devicesByFsid.insert(fsid, names);
    }
    const QHash<QString, Mount> mounts = readMounts(devicesByFsid);

    for (const QString& fsid : fsids) {
        const QString base = top + fsid + u'/';
        const auto text = [this](const QString& path) {
            return QString::fromUtf8(readFile(path).value_or(QByteArray())).trimmed();
        };
        const QString& label = labels[fsid];
        const QString name = label.isEmpty() ? fsid : label;
        const QString exclusive = text(base + QStringLiteral("exclusive_operation"));
        _wakeFiles.append(base + QStringLiteral("exclusive_operation"));

        QList<BtrfsDevice> devices;
        bool replacing = false;
        for (const QString& id : listDir(base + QStringLiteral("devinfo"), true)) {
            bool ok = false;
            BtrfsDevice d;
            d.devid = id.toULongLong(&ok);
            if (!ok)
                continue;
            const QString dir = base + QStringLiteral("devinfo/") + id + u'/';
            _wakeFiles.append(dir + QStringLiteral("missing"));
            d.missing = text(dir + QStringLiteral("missing")) == QLatin1String("1");
            d.replaceTarget =
                d.devid == 0 || text(dir + QStringLiteral("replace_target")) == QLatin1String("1");
            const QString stats = text(dir + QStringLiteral("error_stats"));
            d.statsValid = !stats.isEmpty() && stats != QLatin1String("invalid");
            for (const QString& line : stats.split(u'\n')) {
                const QStringList kv = line.simplified().split(u' ');
                for (int c = 0; c < 5 && kv.size() == 2; ++c) {
                    if (kv[0] == QLatin1String(counterNames[c]))
                        d.errors[c] = kv[1].toULongLong();
                }
            }
            replacing = replacing || d.replaceTarget;
            devices.append(d);
        }
        std::sort(devices.begin(), devices.end(),
                  [](const BtrfsDevice& a, const BtrfsDevice& b) { return a.devid < b.devid; });

        QSet<QString> profiles[3];
        for (int t = 0; t < 3; ++t) {
            for (const QString& p :
                 listDir(base + QStringLiteral("allocation/") + allocationTypes[t], true)) {
                if (profileNames.contains(p))
                    profiles[t].insert(p);
            }
        }

        QList<BtrfsDevice> members;
        for (const BtrfsDevice& d : devices) {
            if (!d.replaceTarget)
                members.append(d);
        }
        if (devices.isEmpty())
            continue; // unmounted while this scan read it: gone, not a filesystem to leave out
        if (members.size() != 2) {
            result.skipped.append(
                {name, QStringLiteral("Btrfs %1 has %2 devices; only two-device filesystems "
                                      "are shown")
                           .arg(fsid)
                           .arg(members.size())});
            continue;
        }
        const QSet<QString>& data = profiles[0].isEmpty() ? profiles[1] : profiles[0];
        const QSet<QString>& meta = profiles[1];
        const QSet<QString> used = data + meta;
        const auto only = [](const QSet<QString>& set, std::initializer_list<const char*> allowed) {
            for (const QString& p : set) {
                if (std::none_of(allowed.begin(), allowed.end(),
                                 [&](const char* a) { return p == QLatin1String(a); }))
                    return false;
            }
            return true;
        };
        Layout layout;
        if (data.contains(QStringLiteral("raid1")) && meta.contains(QStringLiteral("raid1")) &&
            only(used, {"raid1", "single"})) {
            layout = Layout::Mirror;
        } else if (data == QSet<QString>{QStringLiteral("raid0")} &&
                   only(meta, {"raid0", "raid1", "single", "dup"})) {
            layout = Layout::Stripe;
        } else if (data == QSet<QString>{QStringLiteral("single")} &&
                   only(meta, {"raid0", "raid1", "single", "dup"})) {
            layout = Layout::Span;
        } else {
            const auto list = [](const QSet<QString>& s) {
                QStringList l(s.begin(), s.end());
                l.sort();
                return l.isEmpty() ? QStringLiteral("none") : l.join(u'+');
            };
            result.skipped.append(
                {name, QStringLiteral("Btrfs %1: data %2, metadata %3; only raid1, raid0 and "
                                      "single are shown")
                           .arg(fsid, list(profiles[0]), list(meta))});
            continue;
        }

        const auto mountIt = mounts.constFind(fsid);
        const Mount mount = mountIt != mounts.constEnd() ? *mountIt : Mount{};
        const QStringList& blockDevices = devicesByFsid.value(fsid);
        BtrfsMountFacts facts;
        if (!mount.mountPoint.isEmpty())
            facts = askMountedFilesystem(fsid, mount, devices, blockDevices, replacing);
        const bool progressDenied = facts.replaceStatusDenied;
        // Without the kernel's pairing (a recorded tree, a mount point out of reach), present
        // devids take the device names in order.
        if (facts.devicePaths.empty()) {
            QList<BtrfsDevice*> present;
            for (BtrfsDevice& d : devices) {
                if (!d.missing && !d.replaceTarget)
                    present.append(&d);
            }
            if (present.size() == blockDevices.size() - (replacing ? 1 : 0)) {
                for (qsizetype i = 0; i < present.size(); ++i)
                    facts.devicePaths[present[i]->devid] = blockDevices[i];
                // The order decides: a replace's target takes the name left over.
                for (const BtrfsDevice& d : devices) {
                    if (replacing && d.replaceTarget)
                        facts.devicePaths[d.devid] = blockDevices.last();
                }
            }
        }
        for (BtrfsDevice& d : devices) {
            const auto it = facts.devicePaths.find(d.devid);
            if (it != facts.devicePaths.end())
                d.blockDevice = it->second;
        }
        for (BtrfsDevice& m : members) {
            for (const BtrfsDevice& d : devices) {
                if (d.devid == m.devid)
                    m.blockDevice = d.blockDevice;
            }
        }
        const BtrfsDevice* target = nullptr;
        for (const BtrfsDevice& d : devices) {
            if (d.replaceTarget)
                target = &d;
        }

        ArrayReport report;
        report.kind = QStringLiteral("btrfs");
        report.uuid = fsid;
        report.name = name;
        protocol::Enclosure& box = report.enclosure;
        const QString mountText =
            mount.mountPoint.isEmpty() ? QStringLiteral("<mount point>") : mount.mountPoint;
        switch (layout) {
        case Layout::Mirror:
            box.productName = QStringLiteral("Btrfs RAID1 ") + name;
            box.mode = 1;
            box.friendlyMode = QStringLiteral("RAID 1 (Mirroring)");
            break;
        case Layout::Stripe:
            box.productName = QStringLiteral("Btrfs RAID0 ") + name;
            box.mode = 2;
            box.friendlyMode = QStringLiteral("RAID 0 (Striping)");
            break;
        case Layout::Span:
            box.productName = QStringLiteral("Btrfs single ") + name;
            box.mode = 2; // as md linear: a missing member is a problem
            box.friendlyMode = QStringLiteral("JBOD / Spanning");
            break;
        }
        if (mount.mountPoint.isEmpty())
            report.notes.append(QStringLiteral("mounted (mount point not found)"));
        else
            report.notes.append((mount.degraded ? QStringLiteral("mounted degraded at ")
                                                : QStringLiteral("mounted at ")) +
                                mount.mountPoint);

        // The slot a running replace fills: the source the kernel names, else the missing
        // member, else the one member with errors.
        int replacedSlot = -1;
        if (target) {
            for (int s = 0; s < 2; ++s) {
                if (facts.replaceSource && *facts.replaceSource == members[s].devid)
                    replacedSlot = s;
            }
            const auto pick = [&](auto pred) {
                if (replacedSlot < 0 && pred(members[0]) != pred(members[1]))
                    replacedSlot = pred(members[0]) ? 0 : 1;
            };
            pick([](const BtrfsDevice& d) { return d.missing; });
            pick([](const BtrfsDevice& d) {
                return std::any_of(d.errors, d.errors + generationCounter,
                                   [](std::uint64_t n) { return n != 0; });
            });
        }

        bool anyMissing = false;
        double sizes[2] = {0, 0};
        for (int s = 0; s < 2; ++s) {
            const BtrfsDevice& m = members[s];
            protocol::Drive& drive = box.drives[s];
            const QString slot = QStringLiteral("Disk%1 (devid %2)").arg(s + 1).arg(m.devid);
            if (s == replacedSlot) {
                drive.status = 1;
                drive.rebuildProgress = facts.replacePercent.value_or(0);
                if (!target->blockDevice.isEmpty()) {
                    describeDrive(drive, target->blockDevice);
                    report.memberDevices[s].append(target->blockDevice);
                }
                report.notes.append(
                    slot +
                    QStringLiteral(": being replaced by %1, ")
                        .arg(target->blockDevice.isEmpty() ? QStringLiteral("a new device")
                                                           : target->blockDevice) +
                    (facts.replacePercent
                         ? QStringLiteral("%1 % copied").arg(*facts.replacePercent, 0, 'f', 1)
                     : progressDenied
                         ? QStringLiteral("progress unknown (reading it needs CAP_SYS_ADMIN)")
                         : QStringLiteral("progress unknown")));
                if (!m.missing && !m.blockDevice.isEmpty())
                    report.memberDevices[s].prepend(m.blockDevice);
                sizes[s] = drive.partitionCapacityGb;
                continue;
            }
            if (m.missing) {
                drive.plugged = false;
                anyMissing = true;
                report.notes.append(slot + QStringLiteral(": missing"));
                continue;
            }
            if (!m.blockDevice.isEmpty()) {
                describeDrive(drive, m.blockDevice);
                report.memberDevices[s].append(m.blockDevice);
            }
            sizes[s] = drive.partitionCapacityGb;
            QStringList counts;
            for (int c = 0; c < 5; ++c) {
                if (m.errors[c] != 0)
                    counts.append(QStringLiteral("%1 %2")
                                      .arg(QLatin1String(counterNames[c]))
                                      .arg(m.errors[c]));
                if (c < generationCounter && m.errors[c] != 0)
                    drive.failed = true;
            }
            if (!m.statsValid)
                report.notes.append(slot + QStringLiteral(": error counters not loaded"));
            if (!counts.isEmpty())
                report.notes.append(
                    slot + u' ' + (m.blockDevice.isEmpty() ? QString() : m.blockDevice + u' ') +
                    counts.join(QStringLiteral(", ")) +
                    (drive.failed ? QStringLiteral("; once the drive is dealt with, reset them: "
                                                   "btrfs device stats -z ") +
                                        mountText
                                  : QString()));
        }
        const double smaller =
            std::min(sizes[0] > 0 ? sizes[0] : sizes[1], sizes[1] > 0 ? sizes[1] : sizes[0]);
        box.volumeCapacityGb = layout == Layout::Mirror   ? smaller
                               : layout == Layout::Stripe ? 2 * smaller
                                                          : sizes[0] + sizes[1];

        // Chunks written with one copy (while degraded, or by the replace) stay single until
        // a balance converts them: with both devices back the pair is not mirrored yet.
        QStringList singles;
        double mirroredBytes = 0;
        double singleBytes = 0;
        for (int t = 0; t < 3; ++t) {
            if (!profiles[t].contains(QStringLiteral("single")))
                continue;
            singles.append(allocationTypes[t]);
            const QString dir = base + QStringLiteral("allocation/") + allocationTypes[t] + u'/';
            singleBytes += text(dir + QStringLiteral("single/used_bytes")).toDouble();
            mirroredBytes += text(dir + QStringLiteral("raid1/used_bytes")).toDouble();
        }
        const bool unmirrored = layout == Layout::Mirror && !singles.isEmpty();
        if (target) {
            box.rebuildStatus = QStringLiteral("Rebuilding");
        } else if (unmirrored && !anyMissing) {
            box.rebuildStatus = QStringLiteral("Rebuilding");
            // Whole percent, never 100 while a single chunk is left.
            const double total = mirroredBytes + singleBytes;
            const double share =
                total > 0 ? std::min(99.0, std::floor(100.0 * mirroredBytes / total)) : 0.0;
            for (protocol::Drive& drive : box.drives) {
                drive.status = 1;
                drive.rebuildProgress = share;
            }
        }
        if (unmirrored)
            report.notes.append(
                QStringLiteral("single chunks remain (%1): not every chunk has two copies "
                               "until this finishes: ")
                    .arg(singles.join(QStringLiteral(", "))) +
                balanceCommand(mountText));
        if (!exclusive.isEmpty() && exclusive != QLatin1String("none"))
            report.notes.append(QStringLiteral("running: ") + exclusive);
        result.arrays.append(report);
    }
    closeUnused();
    return result;
}

QStringList BtrfsSource::wakeFiles() const
{
    return _wakeFiles;
}

} // namespace tamro::storage
