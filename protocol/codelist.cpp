// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/codelist.h"

#include <QList>

#include <algorithm>

namespace tamro::protocol {

QByteArray encodeCodeList(const QString& text)
{
    QByteArray out;
    const QList<uint> codes = text.toUcs4();
    for (qsizetype i = 0; i < codes.size(); ++i) {
        if (i > 0)
            out += ", ";
        out += QByteArray::number(codes.at(i));
    }
    return out;
}

QString decodableText(const QString& text, int maxLength)
{
    QString out;
    const QList<uint> codes = text.toUcs4();
    const int limit = std::min(maxLength, MaxDecodableCodes);
    for (const uint code : codes) {
        if (out.size() >= limit)
            break;
        out += code >= 32 && code <= MaxDecodableCode ? QChar(char16_t(code)) : QChar(u'_');
    }
    return out;
}

} // namespace tamro::protocol
