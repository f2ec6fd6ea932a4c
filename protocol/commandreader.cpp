// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/commandreader.h"

#include <QRegularExpression>

namespace tamro::protocol {

CommandReader::Item CommandReader::next()
{
    Item item;
    qsizetype start = 0;
    while (start < _inbox.size() && _inbox.at(start) != '<')
        ++start;
    if (start > 0) {
        const qsizetype stray = _inbox.left(start).trimmed().size();
        _inbox.remove(0, start);
        if (stray > 0) {
            item.kind = Item::Kind::Stray;
            item.count = stray;
            return item;
        }
    }
    const qsizetype end = _inbox.indexOf('>');
    if (end < 0) {
        if (_inbox.size() > _max) {
            item.kind = Item::Kind::TooLong;
            item.count = _inbox.size();
            _inbox.clear();
        }
        return item;
    }
    item.kind = Item::Kind::Element;
    item.bytes = _inbox.left(end + 1);
    _inbox.remove(0, end + 1);
    return item;
}

QString elementName(const QByteArray& tag)
{
    static const QRegularExpression re(
        QStringLiteral("^<\\s*([A-Za-z_][A-Za-z0-9_.:-]*)(\\s[^<>]*)?/?>$"));
    if (tag.startsWith("</") || tag.startsWith("<?"))
        return {};
    return re.match(QString::fromLatin1(tag)).captured(1);
}

bool isBareEmptyElement(const QByteArray& tag, const QString& name)
{
    const QByteArray n = name.toLatin1();
    return tag == '<' + n + "/>" || tag == '<' + n + " />";
}

} // namespace tamro::protocol
