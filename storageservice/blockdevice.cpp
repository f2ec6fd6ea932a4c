// SPDX-License-Identifier: GPL-3.0-or-later
#include "blockdevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace tamro::storage {

QString readSysText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // sysfs files are at most a page; /proc/mdstat is read elsewhere.
    return QString::fromUtf8(file.read(64 * 1024)).trimmed();
}

namespace {

qint64 sectorsToBytes(const QString& text)
{
    bool ok = false;
    const qint64 sectors = text.toLongLong(&ok);
    return ok && sectors > 0 ? sectors * 512 : 0;
}

QString udevSerial(const QString& root, const QString& devNumber)
{
    if (devNumber.isEmpty())
        return {};
    QFile file(root + QStringLiteral("/run/udev/data/b") + devNumber);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> lines = file.read(256 * 1024).split('\n');
    for (const QByteArray& line : lines) {
        if (line.startsWith("E:ID_SERIAL="))
            return QString::fromUtf8(line.mid(12)).trimmed();
    }
    return {};
}

} // namespace

BlockDevice readBlockDevice(const QString& root, const QString& name)
{
    BlockDevice dev;
    dev.name = name;
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.startsWith(QLatin1Char('.')))
        return dev;
    const QString link = root + QStringLiteral("/sys/class/block/") + name;
    const QString path = QFileInfo(link).canonicalFilePath();
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return dev;
    dev.present = true;
    // A partition's folder lies inside its disk's folder and has a "partition" file.
    const QString disk =
        QFile::exists(path + QStringLiteral("/partition")) ? QFileInfo(path).path() : path;
    dev.sizeBytes = sectorsToBytes(readSysText(path + QStringLiteral("/size")));
    dev.diskBytes = sectorsToBytes(readSysText(disk + QStringLiteral("/size")));
    QString backing = readSysText(disk + QStringLiteral("/loop/backing_file"));
    if (!backing.isEmpty()) {
        if (backing.endsWith(QLatin1String(" (deleted)")))
            backing.chop(10);
        dev.model = QFileInfo(backing).fileName();
    } else {
        dev.model = readSysText(disk + QStringLiteral("/device/model"));
    }
    dev.serial = udevSerial(root, readSysText(path + QStringLiteral("/dev")));
    if (dev.serial.isEmpty() && disk != path)
        dev.serial = udevSerial(root, readSysText(disk + QStringLiteral("/dev")));
    return dev;
}

double decimalGb(qint64 bytes)
{
    return std::round(double(bytes) / 1e7) / 100.0;
}

double binaryGb(qint64 bytes)
{
    return std::round(double(bytes) / double(1LL << 30) * 100.0) / 100.0;
}

} // namespace tamro::storage
