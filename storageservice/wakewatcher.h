// SPDX-License-Identifier: GPL-3.0-or-later
// What wakes the service between its timer reads: sysfs and proc files that the kernel marks
// with POLLPRI when they change (md's array_state, degraded, sync_action, sync_completed;
// /proc/mdstat; Btrfs's exclusive_operation and the mount table), and the kernel's uevents
// (arrays and block devices coming and going).
#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QSocketNotifier;

namespace tamro::storage {

class WakeWatcher : public QObject
{
public:
    explicit WakeWatcher(std::function<void()> onWake, QObject* parent = nullptr);
    ~WakeWatcher() override;

    // Watches exactly these files from now on: new ones are opened and read once (a reader
    // is told of a change only after it has read the file), gone ones closed.
    void setFiles(const QStringList& files);
    QStringList files() const { return _files.keys(); }

    // Listens to the kernel's uevents; false (and an error text) when the socket cannot be
    // had, and the timer's reads alone find arrays that come and go.
    bool openUevents(QString* error);

private:
    struct Watched
    {
        int fd = -1;
        QSocketNotifier* notifier = nullptr;
    };

    void onFile(const QString& path);
    void onUevent();
    void close(Watched& watched);

    std::function<void()> _onWake;
    QHash<QString, Watched> _files;
    int _ueventFd = -1;
    QSocketNotifier* _uevent = nullptr;
};

} // namespace tamro::storage
