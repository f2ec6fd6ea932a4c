// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/servicedocument.h"

#include "util/intvalue.h"

#include <QXmlStreamReader>

#include <algorithm>

namespace {

AttrRecord takeAttributes(const QXmlStreamAttributes& attributes)
{
    AttrRecord record;
    record.reserve(attributes.size());
    for (const QXmlStreamAttribute& attribute : attributes)
        record.insert(attribute.qualifiedName().toString(), attribute.value().toString());
    return record;
}

// A record of the named attributes that are present (an absent one reads as empty anyway).
// Names are compared before anything is copied: the elements carry many more attributes than
// the monitor reads.
AttrRecord pick(const QXmlStreamAttributes& attributes, std::initializer_list<QLatin1String> names)
{
    AttrRecord record;
    for (const QXmlStreamAttribute& attribute : attributes) {
        const QStringView name = attribute.qualifiedName();
        if (std::find(names.begin(), names.end(), name) != names.end())
            record.insert(name.toString(), attribute.value().toString());
    }
    return record;
}

} // namespace

void mergeInto(AttrRecord& into, const AttrRecord& from)
{
    if (into.isEmpty()) {
        into = from; // shared, not copied
        return;
    }
    for (auto it = from.cbegin(); it != from.cend(); ++it)
        into.insert(it.key(), it.value());
}

void ServiceDocument::clear()
{
    isParse = false;
    error.clear();
    isEvent = false;
    eventMsgIdx = 0;
    commands.clear();
    event.clear();
    elements.clear();
    steps.clear();
    working = BoxRecords();
}

ServiceDocument DocumentReader::read(const QByteArray& data)
{
    ServiceDocument document;
    read(data, document);
    return document;
}

void DocumentReader::read(const QByteArray& data, ServiceDocument& document,
                          const std::function<void(const MergeStep&)>& onStep)
{
    DocumentReader parser(document, onStep);
    QXmlStreamReader reader(data);
    // Names compare as written, prefix and all.
    reader.setNamespaceProcessing(false);
    parser.parserDidStartDocument();
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            parser.didStartElement(reader.qualifiedName(), reader.attributes());
            break;
        case QXmlStreamReader::EndElement:
            parser.didEndElement(reader.qualifiedName());
            break;
        case QXmlStreamReader::DTD:
            // Entity declarations could expand to anything: the service never sends them.
            reader.raiseError(QStringLiteral("document type declarations are not accepted"));
            break;
        default:
            break;
        }
    }
    parser._doc.isParse = !reader.hasError();
    if (!parser._doc.isParse)
        parser._doc.error = QStringLiteral("line %1 column %2: %3")
                                .arg(reader.lineNumber())
                                .arg(reader.columnNumber())
                                .arg(reader.errorString());
}

void DocumentReader::parserDidStartDocument()
{
    _doc.clear();
    _diskId = 0;
}

AttrRecord& DocumentReader::driveRecord(int diskId)
{
    return diskId == 0 ? _doc.working.drive0 : _doc.working.drive1;
}

void DocumentReader::didStartElement(QStringView name, const QXmlStreamAttributes& attributes)
{
    if (name == u"SVEvent") {
        _doc.isEvent = true;
        _doc.eventMsgIdx = intValue(attributes.value(QLatin1String("MsgIdx")));
        mergeInto(_doc.event, takeAttributes(attributes));
    } else if (name == u"SVScanDevicesCmd" || name == u"SVConfigCmd") {
        const AttrRecord record = takeAttributes(attributes);
        _doc.elements.append(record);
        _doc.commands.append(record);
    } else if (name == u"SVSystem") {
        _doc.elements.append(takeAttributes(attributes));
    } else if (name == u"SVBox") {
        const AttrRecord record = takeAttributes(attributes);
        _doc.elements.append(record);
        mergeInto(_doc.working.box, record);
    } else if (name == u"SVPhysDrive") {
        _diskId = intValue(attributes.value(QLatin1String("id")));
        const AttrRecord record =
            pick(attributes, {QLatin1String("id"), QLatin1String("SerialNumber"),
                              QLatin1String("ModelName"), QLatin1String("PluggedIn"),
                              QLatin1String("ActualCapacity_GB"), QLatin1String("Failed")});
        _doc.elements.append(record);
        if (_diskId == 0 || _diskId == 1)
            mergeInto(driveRecord(_diskId), record);
    } else if (name == u"SVPhysPartition") {
        const AttrRecord record =
            pick(attributes, {QLatin1String("Capacity_GB"), QLatin1String("Status"),
                              QLatin1String("RebuildProgress")});
        _doc.elements.append(record);
        if (_diskId == 0 || _diskId == 1)
            mergeInto(driveRecord(_diskId), record);
    } else if (name == u"SVPartialVolume") {
        const AttrRecord record =
            pick(attributes, {QLatin1String("mode"), QLatin1String("FriendlyMode"),
                              QLatin1String("Capacity_GB")});
        _doc.elements.append(record);
        mergeInto(_doc.working.box, record);
    }
}

void DocumentReader::didEndElement(QStringView name)
{
    if (name == u"SVEventLogCmd") {
        buildParseParam();
    } else if (name == u"SVBox") {
        buildParseParam();
        clearParseParam();
    }
}

// The enclosure (or the event) just collected is handed to the table as one merge step; one
// that names no enclosure has nothing to merge.
void DocumentReader::buildParseParam()
{
    QString keyText = _doc.isEvent ? _doc.event.value(QStringLiteral("BoxSN"))
                                   : _doc.working.box.value(QStringLiteral("SerialNumber"));
    if (keyText.isEmpty())
        return;
    MergeStep step{_doc.isEvent, _doc.eventMsgIdx, std::move(keyText), _doc.working,
                   int(_doc.commands.size())};
    if (_onStep)
        _onStep(step);
    else
        _doc.steps.append(std::move(step));
}

void DocumentReader::clearParseParam()
{
    _doc.working = BoxRecords();
}

// Codes are separated by runs of commas and spaces; a NUL character ends the list. Tokens are
// read in place, nothing is copied but the result.
QString decodeCodeList(const QString& codeList)
{
    const QStringView list(codeList);
    const qsizetype n = list.size();
    const auto atEnd = [&list, n](qsizetype i) { return i >= n || list[i].unicode() == 0; };
    const auto isDelimiter = [&list](qsizetype i) { return list[i] == u',' || list[i] == u' '; };
    QString text;
    qsizetype i = 0;
    for (int count = 0; count < kCodeListRoom; ++count) {
        while (!atEnd(i) && isDelimiter(i))
            ++i;
        if (atEnd(i))
            break;
        const qsizetype start = i;
        while (!atEnd(i) && !isDelimiter(i))
            ++i;
        const auto code = quint16(quint32(intValue(list.sliced(start, i - start))));
        if (code > 122)
            return QStringLiteral("-");
        if (text.isEmpty())
            text.reserve(std::min<qsizetype>(kCodeListRoom, n / 2 + 1));
        text.append(QChar(code));
    }
    return text;
}
