// The event log in memory and on disk: a header line, then one line per event, newest first,
// each entry ending in CR LF; at most 999 entries. The file is UTF-8 CSV, rewritten whole and
// atomically after every event.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

class EventLog
{
public:
    static constexpr int kMaxEntries = 999;
    static inline const QString kHeader =
        QStringLiteral("DiscoveryTime,DeviceName,FriendlyMode,ExecInfo\r\n");

    // readCSVFile: fills the entries from the file; a missing, empty or undecodable file
    // gives the header alone.
    void read(const QString& path);
    // The entries parsed from raw bytes (used by read and by the fuzzer).
    static QStringList parse(const QByteArray& bytes);

    // One event line: time, device name, mode (or "-"), last column; line ends inside a
    // field are written as blanks so one event is always one line.
    static QString makeLine(const QString& timeText, const QString& deviceName,
                            const QString& friendlyMode, const QString& lastColumn);
    // Inserts a line at position 1 and applies the size bound.
    void insert(const QString& line);
    // Writes every entry to the path atomically; false when the write failed (the old
    // file is then left as it was).
    bool write(const QString& path) const;
    // Writes the joined entries to a device; false unless every byte was written.
    bool writeTo(QIODevice& device) const;

    const QStringList& entries() const { return _logAry; }
    int rowCount() const { return _logAry.isEmpty() ? 0 : int(_logAry.size()) - 1; }
    // Field 0..3 of row r (entry r + 1), cut at "," with runs of commas as one separator;
    // a missing field is empty.
    QString field(int row, int column) const;

private:
    QStringList _logAry;
};
