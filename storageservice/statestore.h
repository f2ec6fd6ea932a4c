// SPDX-License-Identifier: GPL-3.0-or-later
// The arrays the service has seen, kept across its restarts in a small JSON file in its state
// directory: each one's serial, the order it was first seen in, its last known enclosure and
// the identity of each slot's member.
#pragma once

#include "arraysource.h"

#include <QHash>
#include <QList>
#include <QString>

namespace tamro::storage {

// The enclosure serial for an array uuid: FNV-1a (32 bits) over the uuid's hexadecimal digits
// in lower case (separators dropped, so "a1b2:..." and "A1B2-..." agree), the top bit cleared;
// 0 becomes 1. The same uuid always gives the same number, whatever the array is called.
quint32 serialForUuid(const QString& uuid);

struct MemberIdentity
{
    QString device; // kernel name when last seen
    QString model;
    QString serial;
};

struct RememberedArray
{
    QString kind;
    QString uuid;
    QString name;
    quint32 serial = 0;
    qint64 order = 0; // first seen: the smaller, the earlier
    protocol::Enclosure enclosure;
    QList<MemberIdentity> members[2];
};

class StateStore
{
public:
    // The folder the state file lives in: $STATE_DIRECTORY (systemd's StateDirectory=),
    // else /var/lib/tamro-storage-service when it exists, else
    // $XDG_STATE_HOME/tamro-storage-service (~/.local/state/...).
    static QString defaultDirectory();

    explicit StateStore(const QString& directory);

    QString filePath() const;
    // Reads the file; a missing file is an empty store. Returns an error text.
    QString load();
    // Writes the file if anything changed since the last save. Returns an error text.
    QString save();
    // A read-only store (--list) never writes its file.
    void setReadOnly(bool readOnly) { _readOnly = readOnly; }

    // Records what a scan found of an array in use; assigns its serial on first sight (the
    // hash, moved on by one while another array holds it).
    RememberedArray& remember(const ArrayReport& report, const QList<MemberIdentity> members[2]);
    const RememberedArray* find(const QString& uuid) const;
    QList<const RememberedArray*> all() const; // in the order first seen

private:
    QString _directory;
    QList<RememberedArray> _arrays;
    qint64 _nextOrder = 1;
    bool _dirty = false;
    bool _readOnly = false;
};

} // namespace tamro::storage
