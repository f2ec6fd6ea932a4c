// Small file helpers shared by the tests.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

namespace tamro::test {

// The whole file, or nothing when it cannot be read.
inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
