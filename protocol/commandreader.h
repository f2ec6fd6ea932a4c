// SPDX-License-Identifier: GPL-3.0-or-later
// Takes the commands a client writes out of its byte stream. Commands are single elements,
// normally "<Name/>" followed by CR LF; they may come split over several reads, or several in
// one read, so each complete tag is taken as it appears.
#pragma once

#include <QByteArray>
#include <QString>

namespace tamro::protocol {

class CommandReader
{
public:
    struct Item
    {
        enum class Kind {
            None,    // no complete tag yet
            Element, // `bytes` holds one tag, from '<' to '>'
            Stray,   // `count` bytes other than white space came before a '<' and were skipped
            TooLong, // an unterminated tag grew past the limit; `count` bytes were dropped
        };
        Kind kind = Kind::None;
        QByteArray bytes;
        qsizetype count = 0;
    };

    explicit CommandReader(qsizetype maxCommandBytes) : _max(maxCommandBytes) {}

    void append(const QByteArray& bytes) { _inbox += bytes; }
    // The next item of the stream; call until it returns Kind::None.
    Item next();
    qsizetype buffered() const { return _inbox.size(); }

private:
    qsizetype _max;
    QByteArray _inbox;
};

// The name of a tag's element ("<SVConfigCmd/>" -> "SVConfigCmd"); empty for closing tags,
// processing instructions and anything that is not a single well-formed empty or start tag.
QString elementName(const QByteArray& tag);

// True for exactly "<Name/>" or "<Name />": the only form the service's commands take.
bool isBareEmptyElement(const QByteArray& tag, const QString& name);

} // namespace tamro::protocol
