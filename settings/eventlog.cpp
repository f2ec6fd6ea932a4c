#include "settings/eventlog.h"

#include "util/stringenumerator.h"

#include <QFile>
#include <QIODevice>
#include <QSaveFile>
#include <QStringDecoder>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace {

// The text of the bytes when they are valid UTF-8 (a leading byte-order mark is dropped).
std::optional<QString> decodeUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool isLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n';
}

// One field of a line: every line end inside it (CR LF, CR or LF) becomes one blank, so one
// event is always exactly one line of the file.
QString oneLine(const QString& field)
{
    QString out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field.at(i);
        if (!isLineEnd(c)) {
            out.append(c);
            continue;
        }
        if (c == u'\r' && i + 1 < field.size() && field.at(i + 1) == u'\n')
            ++i;
        out.append(u' ');
    }
    return out;
}

} // namespace

QStringList EventLog::parse(const QByteArray& bytes)
{
    QStringList entries;
    if (!bytes.isEmpty()) {
        if (const std::optional<QString> text = decodeUtf8(bytes)) {
            // A line is a run of characters other than CR and LF; runs of line ends between
            // lines are skipped whole, so blank lines vanish and any line-end style reads
            // alike. Leading white space of a line is dropped, trailing white space stays.
            const qsizetype size = text->size();
            qsizetype i = 0;
            while (i < size) {
                while (i < size && (isLineEnd(text->at(i)) || text->at(i).isSpace()))
                    ++i;
                const qsizetype start = i;
                while (i < size && !isLineEnd(text->at(i)))
                    ++i;
                if (i > start)
                    entries.append(text->mid(start, i - start) + QStringLiteral("\r\n"));
            }
        }
    }
    if (entries.isEmpty())
        entries.append(kHeader);
    return entries;
}

EventLog::ReadResult EventLog::read(const QString& path)
{
    QByteArray bytes;
    ReadResult result = ReadResult::Read;
    const QByteArray name = QFile::encodeName(path);
    struct stat info = {};
    // The type is looked at before anything is opened: opening a FIFO for reading waits for a
    // writer. What cannot be looked at counts as missing.
    if (!path.isEmpty() && ::stat(name.constData(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            result = ReadResult::NotRegular;
        } else {
            // Non-blocking all the same, and the type checked again on what was opened, in
            // case the path was replaced in between.
            const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
            QFile file;
            if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
                ::close(fd);
                result = ReadResult::NotRegular;
            } else if (fd >= 0 &&
                       file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
                bytes = file.read(kMaxFileBytes + 1);
            } else if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    if (bytes.size() > kMaxFileBytes) {
        result = ReadResult::TooLarge;
        bytes.truncate(kMaxFileBytes);
        const qsizetype lineEnd = std::max(bytes.lastIndexOf('\n'), bytes.lastIndexOf('\r'));
        bytes.truncate(lineEnd + 1);
    }
    _logAry = parse(bytes);

    // A file that is not UTF-8 reads as holding no line and is replaced at the next event;
    // keep its content beside it rather than lose it.
    if (result == ReadResult::Read && !bytes.isEmpty() && !decodeUtf8(bytes)) {
        QFile copy(path + QStringLiteral(".undecodable"));
        if (copy.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            copy.write(bytes);
    }
    return result;
}

QString EventLog::makeLine(const QString& timeText, const QString& deviceName,
                           const QString& friendlyMode, const QString& lastColumn)
{
    const QString mode = friendlyMode.isEmpty() ? QStringLiteral("-") : friendlyMode;
    return oneLine(timeText) + u',' + oneLine(deviceName) + u',' + oneLine(mode) + u',' +
           oneLine(lastColumn) + QStringLiteral("\r\n");
}

void EventLog::insert(const QString& line)
{
    if (_logAry.isEmpty())
        _logAry.append(kHeader);
    _logAry.insert(1, line);
    if (_logAry.size() > kMaxEntries)
        _logAry.resize(kMaxEntries);
}

bool EventLog::writeTo(QIODevice& device) const
{
    const QByteArray bytes = _logAry.join(QString()).toUtf8();
    // A device may take fewer bytes than offered without reporting an error (a full disk
    // can do that): go on until every byte is written, and count a stall as a failure.
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 written = device.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

bool EventLog::write(const QString& path) const
{
    if (path.isEmpty())
        return false;
    // Never in place of a device, a FIFO or a folder (symbolic links followed): only a
    // regular file is replaced.
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) == 0 && !S_ISREG(info.st_mode))
        return false;
    // Written to a temporary file that replaces the log only when complete, so a reader
    // never sees half a file and a failed write leaves the old one intact.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!writeTo(file) || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString EventLog::field(int row, int column) const
{
    if (row < 0 || row + 1 >= _logAry.size() || column < 0)
        return QString();
    const QStringList fields = tokenize(_logAry.at(row + 1), QStringLiteral(",")).allObjects();
    if (column >= fields.size())
        return QString();
    QString value = fields.at(column);
    // The last field runs to the end of the entry; its line end is not part of the value.
    while (!value.isEmpty() && isLineEnd(value.back()))
        value.chop(1);
    return value;
}
