// SPDX-License-Identifier: GPL-3.0-or-later
#include "mdsource.h"

#include "blockdevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace tamro::storage {

namespace {

const QStringList WakeAttributes = {QStringLiteral("array_state"), QStringLiteral("degraded"),
                                    QStringLiteral("sync_action"),
                                    QStringLiteral("sync_completed")};

// "N / M" in sectors -> whole percent, never 100 before the end.
double progressOf(const QString& syncCompleted)
{
    const QStringList parts = syncCompleted.split(QLatin1Char('/'));
    if (parts.size() != 2)
        return 0;
    bool okDone = false;
    bool okTotal = false;
    const double done = parts.at(0).trimmed().toDouble(&okDone);
    const double total = parts.at(1).trimmed().toDouble(&okTotal);
    if (!okDone || !okTotal || total <= 0 || done < 0)
        return 0;
    return std::min(99.0, std::floor(done * 100.0 / total));
}

protocol::Drive driveOf(const QString& root, const QString& blockName)
{
    protocol::Drive drive;
    const BlockDevice dev = readBlockDevice(root, blockName);
    if (!dev.present) {
        drive.plugged = false;
        return drive;
    }
    drive.model = dev.model;
    drive.serial = dev.serial;
    drive.actualCapacityGb = decimalGb(dev.diskBytes);
    drive.partitionCapacityGb = binaryGb(dev.sizeBytes);
    return drive;
}

} // namespace

MdSource::MdSource(const QString& root) : _root(root) {}

QStringList MdSource::wakeFiles() const
{
    return _wakeFiles;
}

ScanResult MdSource::scan()
{
    ScanResult result;
    _wakeFiles.clear();
    const QString mdstat = _root + QStringLiteral("/proc/mdstat");
    if (QFile::exists(mdstat))
        _wakeFiles << mdstat;
    const QDir block(_root + QStringLiteral("/sys/block"));
    QStringList names =
        block.entryList({QStringLiteral("md*")}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : std::as_const(names))
        readArray(name, &result);
    return result;
}

bool MdSource::readArray(const QString& name, ScanResult* result)
{
    const QString md = _root + QStringLiteral("/sys/block/") + name + QStringLiteral("/md/");
    if (!QFileInfo(md).isDir())
        return false;
    const auto read = [&md](const char* file) { return readSysText(md + QLatin1String(file)); };
    const QString arrayState = read("array_state");
    // "clear": no array; "inactive": members gathered but not started. Neither is assembled,
    // so the service keeps what it last knew of the array.
    if (arrayState.isEmpty() || arrayState == QLatin1String("clear") ||
        arrayState == QLatin1String("inactive"))
        return false;
    const QString level = read("level");
    const QString uuid = read("uuid");
    if (level != QLatin1String("raid1") && level != QLatin1String("raid0") &&
        level != QLatin1String("linear")) {
        result->skipped.append(
            {name, QStringLiteral("level %1: only raid1, raid0 and linear arrays are enclosures")
                       .arg(level.isEmpty() ? QStringLiteral("unknown") : level)});
        return false;
    }
    const int raidDisks = read("raid_disks").toInt();
    if (raidDisks != 2) {
        result->skipped.append(
            {name, QStringLiteral("%1 member slots: only arrays of two drives are enclosures")
                       .arg(raidDisks)});
        return false;
    }
    if (uuid.isEmpty()) {
        result->skipped.append({name, QStringLiteral("no uuid (external metadata)")});
        return false;
    }
    for (const QString& attribute : WakeAttributes) {
        if (QFile::exists(md + attribute))
            _wakeFiles << md + attribute;
    }

    // Members: every dev-<name>, with its state, its slot and its block device.
    QList<Member> members;
    const QStringList dirs = QDir(md).entryList({QStringLiteral("dev-*")},
                                                QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& dir : dirs) {
        Member m;
        m.dir = dir;
        if (QFile::exists(md + dir + QStringLiteral("/state")))
            _wakeFiles << md + dir + QStringLiteral("/state");
        m.state = readSysText(md + dir + QStringLiteral("/state"))
                      .split(QLatin1Char(','), Qt::SkipEmptyParts);
        bool ok = false;
        const int slot = readSysText(md + dir + QStringLiteral("/slot")).toInt(&ok);
        m.slot = ok && slot >= 0 && slot < 2 ? slot : -1;
        const QString blockPath =
            QFileInfo(md + dir + QStringLiteral("/block")).canonicalFilePath();
        m.block = blockPath.isEmpty() ? QString() : QFileInfo(blockPath).fileName();
        members.append(m);
    }
    // The rdN links name the members in the slots; a member whose slot file says N counts too.
    int inSlot[2] = {-1, -1};
    for (int k = 0; k < 2; ++k) {
        const QString target = QFileInfo(md + QStringLiteral("rd%1").arg(k)).canonicalFilePath();
        for (qsizetype i = 0; i < members.size(); ++i) {
            if ((!target.isEmpty() && QFileInfo(target).fileName() == members.at(i).dir) ||
                (target.isEmpty() && members.at(i).slot == k))
                inSlot[k] = int(i);
        }
    }
    QHash<QString, int>& lastSlot = _lastSlot[uuid];
    for (int k = 0; k < 2; ++k) {
        if (inSlot[k] >= 0)
            lastSlot.insert(members.at(inSlot[k]).dir, k);
    }
    const auto has = [](const Member& m, const char* word) {
        return m.state.contains(QLatin1String(word));
    };
    const auto placed = [&inSlot](int i) { return inSlot[0] == i || inSlot[1] == i; };
    // A faulty member md took out of its slot still fills that slot (the one it was last seen
    // in, else the first empty one) until it is removed from the array.
    for (qsizetype i = 0; i < members.size(); ++i) {
        if (placed(int(i)) || !has(members.at(i), "faulty"))
            continue;
        const int last = lastSlot.value(members.at(i).dir, -1);
        const int k = last >= 0 && inSlot[last] < 0 ? last : (inSlot[0] < 0 ? 0 : 1);
        if (inSlot[k] < 0)
            inSlot[k] = int(i);
    }

    const QString syncAction = read("sync_action");
    const QString syncCompleted = read("sync_completed");
    const int degraded = read("degraded").toInt();

    ArrayReport report;
    report.kind = QStringLiteral("md");
    report.uuid = uuid;
    report.name = name;
    protocol::Enclosure& box = report.enclosure;
    if (level == QLatin1String("raid1")) {
        box.productName = QStringLiteral("md RAID1 ") + name;
        box.mode = 1;
        box.friendlyMode = QStringLiteral("RAID 1 (Mirroring)");
    } else if (level == QLatin1String("raid0")) {
        box.productName = QStringLiteral("md RAID0 ") + name;
        box.mode = 2;
        box.friendlyMode = QStringLiteral("RAID 0 (Striping)");
    } else {
        // Non-zero: a missing member of a spanning volume is a problem like any other.
        box.productName = QStringLiteral("md linear ") + name;
        box.mode = 2;
        box.friendlyMode = QStringLiteral("JBOD / Spanning");
    }
    box.volumeCapacityGb =
        binaryGb(readSysText(_root + QStringLiteral("/sys/block/") + name + QStringLiteral("/size"))
                     .toLongLong() *
                 512);

    bool recovering = false;
    for (int k = 0; k < 2; ++k) {
        protocol::Drive& drive = box.drives[k];
        if (inSlot[k] < 0) {
            drive.plugged = false;
            continue;
        }
        const Member& m = members.at(inSlot[k]);
        report.memberDevices[k] << m.block;
        drive = driveOf(_root, m.block);
        if (!drive.plugged)
            continue;
        drive.failed = has(m, "faulty");
        if (!drive.failed && has(m, "spare") && !has(m, "in_sync")) {
            // In a slot but not in sync: the member being recovered.
            recovering = true;
            if (syncAction == QLatin1String("recover") &&
                syncCompleted != QLatin1String("delayed")) {
                drive.status = 1;
                drive.rebuildProgress = progressOf(syncCompleted);
            } else {
                drive.status = 3;
            }
        }
    }
    // A spare waiting for recovery has no slot yet: shown in the empty slot while the array is
    // degraded, "Waiting for rebuild".
    for (qsizetype i = 0; i < members.size(); ++i) {
        const Member& m = members.at(i);
        if (placed(int(i)) || !has(m, "spare") || has(m, "faulty"))
            continue;
        if (degraded <= 0) {
            report.notes << QStringLiteral("%1 is a hot spare").arg(m.block);
            continue;
        }
        const int k = inSlot[0] < 0 ? 0 : (inSlot[1] < 0 ? 1 : -1);
        if (k < 0)
            break;
        inSlot[k] = int(i);
        report.memberDevices[k] << m.block;
        box.drives[k] = driveOf(_root, m.block);
        if (box.drives[k].plugged)
            box.drives[k].status = 3;
        report.notes << QStringLiteral("%1 waits as a spare for the recovery of slot %2")
                            .arg(m.block)
                            .arg(k);
    }

    if (recovering) {
        if (syncAction == QLatin1String("frozen")) {
            box.rebuildStatus = QLatin1String(RebuildPaused);
            report.notes << QStringLiteral("recovery frozen (sync_action \"frozen\")");
        } else if (syncCompleted == QLatin1String("delayed")) {
            box.rebuildStatus = QLatin1String(RebuildDelayed);
            report.notes << QStringLiteral(
                "recovery delayed: another array on the same disks syncs first");
        } else if (syncAction == QLatin1String("recover")) {
            box.rebuildStatus = QLatin1String(Rebuilding);
            report.notes << QStringLiteral("recovery %1 %").arg(progressOf(syncCompleted));
        } else {
            box.rebuildStatus = QLatin1String(Rebuilding);
            report.notes << QStringLiteral("recovery about to start");
        }
    } else if (syncAction == QLatin1String("resync") && level == QLatin1String("raid1")) {
        // Copies not known to be equal (after an unclean shutdown or on creation): the mirror
        // has no redundancy it can vouch for until the resync ends, so it shows as a rebuild
        // of the second slot, from the first.
        if (syncCompleted == QLatin1String("delayed")) {
            box.rebuildStatus = QLatin1String(RebuildDelayed);
            report.notes << QStringLiteral("resync delayed: another array on the same disks "
                                           "syncs first");
        } else {
            box.rebuildStatus = QLatin1String(Resyncing);
            if (box.drives[1].plugged) {
                box.drives[1].status = 1;
                box.drives[1].rebuildProgress = progressOf(syncCompleted);
            }
            report.notes << QStringLiteral("resync %1 %").arg(progressOf(syncCompleted));
        }
    } else if (syncAction == QLatin1String("check") || syncAction == QLatin1String("repair")) {
        // A scrub reads (and with "repair" rewrites) a healthy mirror: not a rebuild.
        report.notes << QStringLiteral("%1 %2 % (a scrub; shown as normal)")
                            .arg(syncAction)
                            .arg(progressOf(syncCompleted));
    } else if (syncAction == QLatin1String("frozen")) {
        report.notes << QStringLiteral("sync frozen (nothing to recover)");
    }
    if (arrayState == QLatin1String("broken")) {
        // raid0/linear with a member gone: that member is shown missing, or, when md has not
        // said which, every member as failed.
        bool gone = false;
        for (const protocol::Drive& drive : box.drives)
            gone = gone || !drive.plugged;
        if (!gone) {
            for (protocol::Drive& drive : box.drives)
                drive.failed = drive.plugged;
        }
        report.notes << QStringLiteral("array_state \"broken\": a member has gone; the array's "
                                       "data cannot be read");
    }
    const QString mismatches = read("mismatch_cnt");
    if (!mismatches.isEmpty() && mismatches != QLatin1String("0"))
        report.notes << QStringLiteral("mismatch_cnt %1 after the last check").arg(mismatches);
    result->arrays.append(report);
    return true;
}

} // namespace tamro::storage
