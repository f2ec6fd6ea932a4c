// SPDX-License-Identifier: GPL-3.0-or-later
// The event log in memory and on disk: a header line, then one line per event, newest first,
// each entry ending in CR LF; at most 999 entries. The file is UTF-8 CSV, rewritten whole and
// atomically after every event.
//
// Only a regular file is read or written at the log path (after following symbolic links):
// a FIFO there would block the program, a device such as /dev/zero would never end. A file
// larger than kMaxFileBytes is read up to that size, cut after its last whole line; as the
// newest events come first, that part holds them.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

class EventLog
{
public:
    static constexpr int kMaxEntries = 999;
    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;
    static inline const QString kHeader =
        QStringLiteral("DiscoveryTime,DeviceName,FriendlyMode,ExecInfo\r\n");

    enum class ReadResult {
        Read,       // read whole; also a missing, unreadable, empty or undecodable file
        NotRegular, // something else than a regular file is there: not read
        TooLarge,   // only the first kMaxFileBytes were read
    };

    // readCSVFile: fills the entries from the file; a missing, empty or undecodable file
    // gives the header alone, and so does one that is not read at all.
    ReadResult read(const QString& path);
    // The entries parsed from raw bytes (used by read and by the fuzzer).
    static QStringList parse(const QByteArray& bytes);

    // One event line: time, device name, mode (or "-"), last column, as RFC 4180 fields. Line
    // ends inside a field are written as blanks so one event is always one line, other
    // control characters as visible escapes ("\x1b"); a field a spreadsheet would take for a
    // formula (beginning with "=", "+", "-", "@", TAB or CR) gets a leading apostrophe; a
    // field with a comma or a double quote is quoted, its quotes doubled.
    static QString makeLine(const QString& timeText, const QString& deviceName,
                            const QString& friendlyMode, const QString& lastColumn);
    // Inserts a line at position 1 and applies the size bound (a longer log read at launch
    // is cut to it here).
    void insert(const QString& line);
    // Writes every entry to the path atomically; false when the write failed (the old
    // file is then left as it was) or something else than a regular file is at the path.
    bool write(const QString& path) const;
    // Writes the joined entries to a device; false unless every byte was written.
    bool writeTo(QIODevice& device) const;

    const QStringList& entries() const { return _logAry; }
    int rowCount() const { return _logAry.isEmpty() ? 0 : int(_logAry.size()) - 1; }
    // Field 0..3 of row r (entry r + 1), without the apostrophe that guards a formula. A line
    // with quoted fields as makeLine writes them is read as RFC 4180; any other line as lines
    // always were: cut at "," with runs of commas as one separator. A missing field is empty.
    QString field(int row, int column) const;

private:
    QStringList _logAry;
};
