// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/eventlog.h"

#include "util/controltext.h"
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

// A field that a spreadsheet would read as a formula begins with one of these. A field of one
// character cannot be one, and "-" is the log's own placeholder for an empty text.
bool needsFormulaGuard(QStringView field)
{
    if (field.size() < 2)
        return false;
    // Apostrophes already there are kept and one more is added, so a name that really begins
    // with "'=" reads back with its apostrophe.
    qsizetype i = 0;
    while (i < field.size() && field.at(i) == u'\'')
        ++i;
    if (i == field.size())
        return false;
    const QChar c = field.at(i);
    return c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r';
}

bool needsQuotes(QStringView field)
{
    for (const QChar c : field) {
        if (c == u',' || c == u'"' || isLineEnd(c))
            return true;
    }
    return false;
}

// One field as the file holds it: line ends become blanks (one event is one line of the
// file) and other control characters visible escapes; a field a spreadsheet would take for a
// formula gets a leading apostrophe; a field with a comma or a double quote is quoted, its
// quotes doubled.
QString fileField(const QString& text)
{
    QString field = oneVisibleLine(text);
    if (needsFormulaGuard(field))
        field.prepend(u'\'');
    if (!needsQuotes(field))
        return field;
    field.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + field + u'"';
}

// The fields of a line written with quotes, or nothing when the line is not one this
// program writes that way: every quoted field must need its quotes (a comma or a quote
// inside), nothing may follow a closing quote but a comma, an unquoted field holds no quote,
// and there are exactly four fields. Lines of earlier versions, which wrote every field as it
// was, then read as they always did.
std::optional<QStringList> quotedFields(QStringView line)
{
    QStringList fields;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (true) {
        QString value;
        if (i < n && line.at(i) == u'"') {
            ++i;
            bool closed = false;
            while (i < n) {
                if (line.at(i) == u'"') {
                    if (i + 1 < n && line.at(i + 1) == u'"') {
                        value.append(u'"');
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                value.append(line.at(i++));
            }
            if (!closed || !needsQuotes(value) || (i < n && line.at(i) != u','))
                return std::nullopt;
        } else {
            const qsizetype start = i;
            while (i < n && line.at(i) != u',') {
                if (line.at(i) == u'"')
                    return std::nullopt;
                ++i;
            }
            value = line.sliced(start, i - start).toString();
        }
        fields.append(value);
        if (i >= n)
            break;
        ++i; // the comma
    }
    if (fields.size() != 4)
        return std::nullopt;
    return fields;
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
    return fileField(timeText) + u',' + fileField(deviceName) + u',' + fileField(mode) + u',' +
           fileField(lastColumn) + QStringLiteral("\r\n");
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
    const QString& entry = _logAry.at(row + 1);
    QStringView line(entry);
    while (!line.isEmpty() && isLineEnd(line.back()))
        line.chop(1);
    std::optional<QStringList> fields;
    if (line.contains(u'"'))
        fields = quotedFields(line);
    if (!fields)
        fields = tokenize(entry, QStringLiteral(",")).allObjects();
    if (column >= fields->size())
        return QString();
    QString value = fields->at(column);
    // The last field runs to the end of the entry; its line end is not part of the value.
    while (!value.isEmpty() && isLineEnd(value.back()))
        value.chop(1);
    // The apostrophe that kept a spreadsheet from reading a formula is not part of the text.
    if (value.startsWith(u'\'') && needsFormulaGuard(QStringView(value).sliced(1)))
        value.remove(0, 1);
    return value;
}
