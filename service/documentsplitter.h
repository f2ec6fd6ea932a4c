// SPDX-License-Identifier: GPL-3.0-or-later
// Cuts a TCP byte stream into whole XML documents. One answer can arrive in two reads and
// two messages in one; each document (one root element, white space and NUL bytes between
// documents skipped) comes out exactly once. An unfinished tail is kept for the next read; a
// document still unfinished after the size limit is reported as a failure and the buffer
// dropped, so the next message starts clean.
//
// The scanner follows the names of the open elements. An end tag closes the innermost one;
// the end tag of the root element ends the document even when elements inside it were left
// open, so one unbalanced message cannot swallow the messages after it (the XML reader then
// fails it). The scanner skips comments, processing instructions (the XML declaration among
// them), CDATA sections, quoted attribute values and declarations such as a document type
// (with its internal subset), so a '<' or '>' inside any of them never counts as a tag.
// Whether a piece is well-formed is for the XML reader to judge.
//
// Bytes other than white space in front of a document are garbage: one run of them, up to
// the next '<', is reported once as a failed piece and the scanner resyncs at that '<'.
// After an oversized document the rest of it is still followed (without keeping its bytes)
// up to its end, so the next message is not mistaken for garbage; should that end not come
// within another limit's worth of bytes, the scanner gives up and resyncs at the next '<'.
#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

class DocumentSplitter
{
public:
    static constexpr qsizetype kDefaultLimit = 65536;

    struct Piece
    {
        QByteArray bytes;     // the document (or, for an overflow, what was dropped)
        bool complete = true; // false: an oversized or unframeable piece, a failed parse
    };

    explicit DocumentSplitter(qsizetype limit = kDefaultLimit) : _limit(limit) {}

    // Appends bytes and returns every document completed by them, in order.
    QList<Piece> feed(const QByteArray& bytes);
    void reset();
    // Gives up the document under way (its sender went quiet in the middle of it): what came
    // of it as a failed piece, nothing when none is under way or it was reported already as
    // oversized. The scanner starts clean.
    std::optional<Piece> abandon();
    qsizetype buffered() const { return _buffer.size(); }
    // True while a document has begun and not yet ended (or an oversized one is being
    // skipped): the next bytes belong to it.
    bool inDocument() const { return _mode != Mode::Top && _mode != Mode::Garbage; }

private:
    enum class Mode { Top, Garbage, Content, Tag, Comment, CData, Instruction, Declaration };

    void startDocument();
    bool scanContent();
    bool scanTag(QList<Piece>& out);
    void closeElement(QList<Piece>& out);
    bool scanUntil(const char* terminator, qsizetype openerLength);
    bool scanDeclaration();
    void completeDocument(QList<Piece>& out);
    void waitForMore(QList<Piece>& out);
    void trimDiscarded();

    QByteArray _buffer;
    qsizetype _limit;
    Mode _mode = Mode::Top;
    qsizetype _pos = 0;         // next byte to scan in _buffer
    qsizetype _markupStart = 0; // the '<' of the construct being scanned
    qsizetype _garbageStart = 0;
    bool _garbageReported = false;
    bool _endTag = false;
    QByteArray _tagName;    // the name of the tag being scanned (its first bytes, at most)
    bool _nameDone = false; // the name has ended
    char _quote = 0;
    int _brackets = 0;
    QList<size_t> _open;      // hashes of the open elements' names, the root first
    bool _discarding = false; // following an oversized document to its end
    qsizetype _discarded = 0;
};
