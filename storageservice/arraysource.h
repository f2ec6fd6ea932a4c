// SPDX-License-Identifier: GPL-3.0-or-later
// One kind of kernel array (md RAID, Btrfs) as the storage service sees it: a source reads its
// arrays from a sysfs tree and says which files wake it when they change.
#pragma once

#include "protocol/enclosure.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace tamro::storage {

struct ArrayReport
{
    QString kind;  // "md" or "btrfs"
    QString uuid;  // md/uuid or the Btrfs fsid; the enclosure's serial derives from it
    QString name;  // md0, or the Btrfs label (the fsid when there is none)
    bool inUse = true; // false: not assembled / not mounted (kept with its last known state)
    protocol::Enclosure enclosure; // serial left empty: the service fills it from uuid
    QStringList memberDevices[2];  // kernel block device names of each slot ("loop0", "sdb")
    QStringList notes;             // extra lines for --list ("single chunks remain: run ...")
};

struct SkippedArray
{
    QString name;
    QString reason; // said once on standard error and in --list
};

struct ScanResult
{
    QList<ArrayReport> arrays;
    QList<SkippedArray> skipped;
};

class ArraySource
{
public:
    virtual ~ArraySource() = default;
    // Reads every array of this kind under the root given at construction.
    virtual ScanResult scan() = 0;
    // Absolute paths of sysfs/proc files whose POLLPRI/POLLERR means "scan again".
    virtual QStringList wakeFiles() const = 0;
    // False when the wake files and uevents tell of every change of this kind's arrays, so
    // the service needs no timer read for them (md); true when some state is only found by
    // reading again (Btrfs error counters, for instance).
    virtual bool needsTimerRead() const { return true; }
};

} // namespace tamro::storage
