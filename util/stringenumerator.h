// SPDX-License-Identifier: GPL-3.0-or-later
// Splits a text into tokens separated by any character of a delimiter set. A token is a
// maximal run of non-delimiter bytes, so empty tokens never occur: a run of delimiters is one
// separator, and leading or trailing delimiters yield nothing.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class D_StringEnumerator
{
public:
    // Splits string into the runs between any of the characters of delimiters.
    D_StringEnumerator(const QString& string, const QString& delimiters);

    // The next token, or nothing when none is left (and nothing ever after).
    std::optional<QString> nextObject();
    // Every token nextObject would still return, in order; consumes them.
    QStringList allObjects();

private:
    QByteArray _string;     // byte form (UTF-8) of the text being split
    QByteArray _delimiters; // every byte is a delimiter
    qsizetype _indicator = 0;
};

// The tokenize: operation of the string category.
D_StringEnumerator tokenize(const QString& string, const QString& delimiters);
