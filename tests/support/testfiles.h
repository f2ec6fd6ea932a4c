// SPDX-License-Identifier: GPL-3.0-or-later
// Small file helpers shared by the tests.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <sys/stat.h>

namespace tamro::test {

// The whole file, or nothing when it cannot be read.
inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The permission bits of the file, or -1 when it cannot be looked at.
inline int fileMode(const QString& path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 07777);
}

// Replaces the file's content; false unless every byte was written.
inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// NUL-separated items, such as recorded arguments or /proc/<pid>/cmdline.
inline QStringList splitNul(const QByteArray& bytes)
{
    QStringList items;
    for (const QByteArray& item : bytes.split('\0'))
        items.append(QString::fromLocal8Bit(item));
    if (!items.isEmpty() && bytes.endsWith('\0'))
        items.removeLast();
    return items;
}

} // namespace tamro::test
