// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/documentsplitter.h"

#include <QByteArrayView>
#include <QHashFunctions>

#include <algorithm>

namespace {

// What separates documents: XML white space, and NUL bytes, which some senders put after a
// message.
bool isSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

// Where a tag's name ends.
bool endsName(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == '>' || c == '"' ||
           c == '\'' || c == '=';
}

// Names are compared by this many leading bytes; longer ones never occur in the protocol.
constexpr qsizetype kNameRoom = 256;

// Bytes kept behind the scan position while an oversized document is skipped: enough to
// find a terminator such as "]]>" that straddles two reads, and the '/' before a '>'.
constexpr qsizetype kDiscardTail = 16;

} // namespace

QList<DocumentSplitter::Piece> DocumentSplitter::feed(const QByteArray& bytes)
{
    QList<Piece> out;
    _buffer.append(bytes);
    for (;;) {
        const qsizetype n = _buffer.size();
        switch (_mode) {
        case Mode::Top:
            while (_pos < n && isSeparator(_buffer.at(_pos)))
                ++_pos;
            if (_pos >= n) {
                _buffer.clear();
                _pos = 0;
                return out;
            }
            if (_buffer.at(_pos) == '<') {
                startDocument();
            } else {
                _mode = Mode::Garbage;
                _garbageStart = _pos;
                _garbageReported = false;
            }
            break;
        case Mode::Garbage: {
            const qsizetype lt = _buffer.indexOf('<', _pos);
            const qsizetype end = lt < 0 ? n : lt;
            if (!_garbageReported && end > _garbageStart) {
                out.append({_buffer.mid(_garbageStart, end - _garbageStart), false});
                _garbageReported = true;
            }
            if (lt < 0) {
                // The run may go on in the next read; it has been reported already.
                _buffer.clear();
                _pos = 0;
                _garbageStart = 0;
                return out;
            }
            _pos = lt;
            startDocument();
            break;
        }
        case Mode::Content:
            if (!scanContent()) {
                waitForMore(out);
                return out;
            }
            break;
        case Mode::Tag:
            if (!scanTag(out)) {
                waitForMore(out);
                return out;
            }
            break;
        case Mode::Comment:
            if (!scanUntil("-->", 4)) {
                waitForMore(out);
                return out;
            }
            break;
        case Mode::CData:
            if (!scanUntil("]]>", 9)) {
                waitForMore(out);
                return out;
            }
            break;
        case Mode::Instruction:
            if (!scanUntil("?>", 2)) {
                waitForMore(out);
                return out;
            }
            break;
        case Mode::Declaration:
            if (!scanDeclaration()) {
                waitForMore(out);
                return out;
            }
            break;
        }
    }
}

void DocumentSplitter::reset()
{
    *this = DocumentSplitter(_limit);
}

std::optional<DocumentSplitter::Piece> DocumentSplitter::abandon()
{
    std::optional<Piece> piece;
    if (inDocument() && !_discarding && !_buffer.isEmpty())
        piece = Piece{_buffer, false};
    reset();
    return piece;
}

void DocumentSplitter::startDocument()
{
    _buffer.remove(0, _pos);
    _pos = 0;
    _markupStart = 0;
    _open.clear();
    _mode = Mode::Content;
    _garbageReported = false;
}

// Finds the next markup and decides what it is. False: more bytes are needed.
bool DocumentSplitter::scanContent()
{
    const qsizetype n = _buffer.size();
    const qsizetype lt = _buffer.indexOf('<', _pos);
    if (lt < 0) {
        _pos = n;
        return false;
    }
    _markupStart = lt;
    _pos = lt;
    if (lt + 1 >= n)
        return false;
    const char next = _buffer.at(lt + 1);
    _quote = 0;
    if (next == '?') {
        _mode = Mode::Instruction;
        _pos = lt + 2;
    } else if (next == '/') {
        _mode = Mode::Tag;
        _endTag = true;
        _tagName.clear();
        _nameDone = false;
        _pos = lt + 2;
    } else if (next == '!') {
        const QByteArrayView rest(_buffer.constData() + lt, n - lt);
        constexpr QByteArrayView comment("<!--");
        constexpr QByteArrayView cdata("<![CDATA[");
        if (rest.startsWith(comment)) {
            _mode = Mode::Comment;
            _pos = lt + comment.size();
        } else if (rest.startsWith(cdata)) {
            _mode = Mode::CData;
            _pos = lt + cdata.size();
        } else if (comment.startsWith(rest) || cdata.startsWith(rest)) {
            return false; // too short to tell yet
        } else {
            _mode = Mode::Declaration;
            _brackets = 0;
            _pos = lt + 2;
        }
    } else {
        _mode = Mode::Tag;
        _endTag = false;
        _tagName.clear();
        _nameDone = false;
        _pos = lt + 1;
    }
    return true;
}

// Scans a start or end tag up to its '>', taking its name and skipping quoted attribute
// values.
bool DocumentSplitter::scanTag(QList<Piece>& out)
{
    const qsizetype n = _buffer.size();
    const char* data = _buffer.constData();
    qsizetype i = _pos;
    if (!_nameDone) {
        // The name (or the part of it in this read), taken in one piece.
        qsizetype end = i;
        while (end < n && !endsName(data[end]))
            ++end;
        const qsizetype room = kNameRoom - _tagName.size();
        if (room > 0)
            _tagName.append(data + i, std::min(room, end - i));
        if (end >= n) {
            _pos = n;
            return false;
        }
        _nameDone = true;
        i = end;
    }
    for (; i < n; ++i) {
        const char c = data[i];
        if (_quote != 0) {
            if (c == _quote)
                _quote = 0;
        } else if (c == '"' || c == '\'') {
            _quote = c;
        } else if (c == '>') {
            const bool selfClosing = !_endTag && i - 1 > _markupStart && data[i - 1] == '/';
            _pos = i + 1;
            _mode = Mode::Content;
            if (_endTag) {
                closeElement(out);
            } else if (selfClosing) {
                if (_open.isEmpty())
                    completeDocument(out);
            } else {
                _open.append(qHash(QByteArrayView(_tagName)));
            }
            return true;
        }
    }
    _pos = n;
    return false;
}

// An end tag closes the innermost open element. The root's end tag ends the document even
// when elements inside it were left open; any other mismatched end tag still closes one.
void DocumentSplitter::closeElement(QList<Piece>& out)
{
    const size_t name = qHash(QByteArrayView(_tagName));
    if (!_open.isEmpty()) {
        if (_open.last() != name && _open.first() == name)
            _open.clear();
        else
            _open.removeLast();
    }
    if (_open.isEmpty())
        completeDocument(out);
}

// Comments, CDATA sections and processing instructions end at a fixed terminator.
bool DocumentSplitter::scanUntil(const char* terminator, qsizetype openerLength)
{
    const QByteArrayView end(terminator);
    const qsizetype from = std::max(_markupStart + openerLength, _pos - (end.size() - 1));
    const qsizetype found = _buffer.indexOf(end, std::max<qsizetype>(from, 0));
    if (found < 0) {
        _pos = _buffer.size();
        return false;
    }
    _pos = found + end.size();
    _mode = Mode::Content;
    return true;
}

// A declaration such as a document type ends at a '>' outside quotes and brackets.
bool DocumentSplitter::scanDeclaration()
{
    const qsizetype n = _buffer.size();
    for (qsizetype i = _pos; i < n; ++i) {
        const char c = _buffer.at(i);
        if (_quote != 0) {
            if (c == _quote)
                _quote = 0;
        } else if (c == '"' || c == '\'') {
            _quote = c;
        } else if (c == '[') {
            ++_brackets;
        } else if (c == ']') {
            --_brackets;
        } else if (c == '>' && _brackets <= 0) {
            _pos = i + 1;
            _mode = Mode::Content;
            return true;
        }
    }
    _pos = n;
    return false;
}

void DocumentSplitter::completeDocument(QList<Piece>& out)
{
    if (_discarding) {
        // The end of an oversized document that was already reported.
        _discarding = false;
    } else {
        out.append({_buffer.left(_pos), _pos <= _limit});
    }
    _buffer.remove(0, _pos);
    _pos = 0;
    _markupStart = 0;
    _open.clear();
    _mode = Mode::Top;
}

// The input ran out inside a document: keep it for the next read, unless it has grown
// past the limit.
void DocumentSplitter::waitForMore(QList<Piece>& out)
{
    if (_discarding) {
        trimDiscarded();
        if (_discarded > _limit) {
            // No end in sight: give up on it and resync at the next '<'.
            _buffer.clear();
            _pos = 0;
            _markupStart = 0;
            _open.clear();
            _discarding = false;
            _mode = Mode::Garbage;
            _garbageStart = 0;
            _garbageReported = true;
        }
        return;
    }
    if (_buffer.size() > _limit) {
        out.append({_buffer, false});
        _discarding = true;
        trimDiscarded();
        _discarded = 0; // counted from here: what follows the reported part
    }
}

void DocumentSplitter::trimDiscarded()
{
    // Everything before the scan position has been looked at; the scanner never looks
    // further back than the small tail kept here. The '<' of a long construct may go.
    const qsizetype drop = _pos - kDiscardTail;
    if (drop <= 0)
        return;
    _buffer.remove(0, drop);
    _pos -= drop;
    _markupStart -= drop;
    _discarded += drop;
}
