// SPDX-License-Identifier: GPL-3.0-or-later
// What a storage service reports of one enclosure, before it is written as an SVBox element.
// The simulator and tamro-storage-service both describe their enclosures with these records;
// the protocol library turns them into the wire's documents.
#pragma once

#include <QString>

namespace tamro::protocol {

struct Drive
{
    bool plugged = true;
    // Attached but failing (md: faulty; Btrfs: error counters). Written as Failed="1" on the
    // SVPhysDrive element only when set, so a document without failed drives is unchanged.
    bool failed = false;
    QString serial;
    QString model;
    double actualCapacityGb = 0;
    double partitionCapacityGb = 0;
    int status = 0; // 0 normal, 1 rebuilding, 3 waiting for its rebuild
    double rebuildProgress = 0;
};

struct Enclosure
{
    QString serial; // decimal, positive, below 2^31
    QString productName;
    QString rebuildStatus = QStringLiteral("Normal");
    int mode = 1;
    QString friendlyMode = QStringLiteral("RAID 1 (Mirroring)");
    double volumeCapacityGb = 0;
    Drive drives[2];
};

} // namespace tamro::protocol
