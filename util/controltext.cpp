// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/controltext.h"

namespace {

bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f);
}

// Appends the character at i, or U+FFFD for a lone surrogate; returns the index of the last
// code unit taken.
qsizetype appendValid(QString& out, QStringView text, qsizetype i)
{
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
        out.append(c);
        out.append(text.at(i + 1));
        return i + 1;
    }
    out.append(c.isSurrogate() ? QChar(QChar::ReplacementCharacter) : c);
    return i;
}

} // namespace

QString visibleControls(QStringView text, QStringView keep)
{
    static const char kHex[] = "0123456789abcdef";
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (isControl(c) && !keep.contains(QChar(c))) {
            out.append(QLatin1String("\\x"));
            out.append(QLatin1Char(kHex[(c >> 4) & 0xf]));
            out.append(QLatin1Char(kHex[c & 0xf]));
            continue;
        }
        i = appendValid(out, text, i);
    }
    return out;
}

QString oneVisibleLine(QStringView text)
{
    QString flat;
    flat.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n') {
            flat.append(c);
            continue;
        }
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        flat.append(u' ');
    }
    return visibleControls(flat);
}

QString validUnicode(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i)
        i = appendValid(out, text, i);
    return out;
}
