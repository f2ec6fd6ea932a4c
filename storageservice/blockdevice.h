// SPDX-License-Identifier: GPL-3.0-or-later
// What sysfs and the udev database say about one block device: the member of an array.
#pragma once

#include <QString>

namespace tamro::storage {

// The text of a sysfs or proc file without its trailing white space; empty when it cannot
// be read.
QString readSysText(const QString& path);

struct BlockDevice
{
    bool present = false; // DIR/sys/class/block/<name> exists
    QString name;         // "sdb1", "loop0"
    QString model;        // the disk's device/model; a loop device's backing file name
    QString serial;       // ID_SERIAL from the udev database, where there is one
    qint64 sizeBytes = 0; // the device itself (a partition: the partition)
    qint64 diskBytes = 0; // the whole disk it is on
};

// Reads DIR/sys/class/block/<name> (following the kernel's relative links into
// /sys/devices), the disk it belongs to, and DIR/run/udev/data/b<major>:<minor>.
BlockDevice readBlockDevice(const QString& root, const QString& name);

// Sizes as the monitor shows them: a drive's capacity in decimal gigabytes, partitions and
// volumes in binary ones, both to two decimals.
double decimalGb(qint64 bytes);
double binaryGb(qint64 bytes);

} // namespace tamro::storage
