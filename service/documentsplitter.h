// Cuts a TCP byte stream into whole XML documents. One answer can arrive in two reads and
// two messages in one; each document (one root element, white space between documents
// skipped) comes out exactly once. An unfinished tail is kept for the next read; a document
// still unfinished after the size limit is reported as a failure and the buffer dropped, so
// the next message starts clean.
#pragma once

#include <QByteArray>
#include <QList>

class DocumentSplitter
{
public:
    static constexpr qsizetype kDefaultLimit = 65536;

    struct Piece
    {
        QByteArray bytes; // the document (or, for an overflow, what was dropped)
        bool complete = true; // false: an oversized or unframeable piece, a failed parse
    };

    explicit DocumentSplitter(qsizetype limit = kDefaultLimit) : _limit(limit) {}

    // Appends bytes and returns every document completed by them, in order.
    QList<Piece> feed(const QByteArray& bytes);
    void reset();
    qsizetype buffered() const { return _buffer.size(); }

private:
    QByteArray _buffer;
    qsizetype _limit;
};
