// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/stringenumerator.h"

D_StringEnumerator::D_StringEnumerator(const QString& string, const QString& delimiters)
    : _string(string.toUtf8()), _delimiters(delimiters.toUtf8())
{
}

std::optional<QString> D_StringEnumerator::nextObject()
{
    const auto isDelimiter = [this](char c) { return _delimiters.contains(c); };
    const qsizetype end = _string.size();
    // A NUL byte ends the text like the terminator of its byte form.
    const auto atEnd = [&](qsizetype i) { return i >= end || _string.at(i) == '\0'; };

    while (!atEnd(_indicator) && isDelimiter(_string.at(_indicator)))
        ++_indicator;
    if (atEnd(_indicator))
        return std::nullopt;
    const qsizetype start = _indicator;
    while (!atEnd(_indicator) && !isDelimiter(_string.at(_indicator)))
        ++_indicator;
    return QString::fromUtf8(_string.constData() + start, _indicator - start);
}

QStringList D_StringEnumerator::allObjects()
{
    QStringList tokens;
    while (auto token = nextObject())
        tokens.append(*token);
    return tokens;
}

D_StringEnumerator tokenize(const QString& string, const QString& delimiters)
{
    return D_StringEnumerator(string, delimiters);
}
