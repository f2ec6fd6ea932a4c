// SPDX-License-Identifier: GPL-3.0-or-later
// What the running monitor knows, as plain values: the overall state and, for each
// enclosure of the device table, its name, serial number, state, mode, rebuild progress and
// both drives. The evaluation pass publishes a fresh snapshot whenever its summary changes; the
// session-bus face and the local socket only hand it on, and `tamro-raid-monitor --status`
// turns it into a table or prints it as JSON (the shape is described in README.md).
#pragma once

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <array>
#include <optional>

struct DriveSnapshot
{
    bool plugged = false;    // counts for the volume: plugged in and not failed
    bool failed = false;     // attached, but the service reports it failed
    QString model;           // decoded ModelName; empty when not plugged in
    QString serial;          // decoded SerialNumber
    double capacityGb = -1;  // ActualCapacity_GB; -1 when the service gave no number
    int status = 0;          // the service's Status: 0 normal, 1 and 2 rebuilding, 3 failed
    int rebuildProgress = 0; // RebuildProgress, 0..100
    bool operator==(const DriveSnapshot&) const = default;

    // A drive record of the service's answer, with whether it counts for the volume.
    static DriveSnapshot read(const QHash<QString, QString>& drive, bool plugged);
};

struct EnclosureSnapshot
{
    enum class State { Healthy, Problem, Rebuilding };

    QString name;   // the name the user gave it, else its serial number
    QString serial; // decoded SerialNumber of the box
    int key = 0;    // the serial number's integer value, which keys names and log rows
    State state = State::Healthy;
    QString mode;             // the service's volume description (FriendlyMode); may be empty
    QString plugInfo;         // the service's plug sentence, e.g. "Disk2 is not connected."
    int rebuildProgress = -1; // 0..100 while rebuilding, else -1
    bool rebuilding = false;  // a rebuild runs, whether or not a problem is shown as well
    std::array<DriveSnapshot, 2> drives;
    bool operator==(const EnclosureSnapshot&) const = default;

    // The progress of the drive being rebuilt (drive 2 wins when both say so, as in the
    // window), or -1 when neither drive reports a rebuild.
    int rebuildingDriveProgress() const;
};

struct MonitorSnapshot
{
    // Waiting: nothing evaluated yet (grey icon). AllWell: green. Problem: red, or no
    // enclosure found. Rebuilding: no problem, but a rebuild runs. NoService: the storage
    // service cannot be reached (the enclosures are the last ones known).
    enum class State { Waiting, AllWell, Problem, Rebuilding, NoService };

    State state = State::Waiting;
    QList<EnclosureSnapshot> enclosures;
    bool operator==(const MonitorSnapshot&) const = default;

    // The words used in JSON and on the bus: "waiting", "ok", "problem", "rebuilding",
    // "no-service"; the enclosure states "healthy", "problem", "rebuilding".
    static QString stateName(State state);
    static QString stateName(EnclosureSnapshot::State state);

    QJsonObject toJson() const;
    // Nothing when the object is not a snapshot.
    static std::optional<MonitorSnapshot> fromJson(const QJsonObject& json);

    // Exit status of `--status`: 0 all well, 1 a problem, a rebuild or nothing known yet,
    // 2 the storage service not reachable. (3, no monitor running, is the caller's.)
    int exitCode() const;
    // The text `--status` prints: a line with the overall state, then one table row per
    // enclosure.
    QString table() const;
};
