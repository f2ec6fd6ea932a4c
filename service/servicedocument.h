// SPDX-License-Identifier: GPL-3.0-or-later
// The document reader: one XML document of the storage service, read into records without a
// socket. Element names and attributes are taken exactly as the service sent them; a document
// with a document type declaration is refused, so no entity is ever expanded.
//
// What the reader gives, in document order:
// - every element it keeps (the command, system, box, drive, partition and volume elements);
// - the attributes of each command element (eResult, ExecInfo) and of the event (MsgIdx,
//   BoxSN);
// - the merge steps: each closed SVBox, and the end of an event message (SVEventLogCmd), with
//   the enclosure records collected by then, for the enclosure table to merge;
// - the records collected after the last closed SVBox (a document cut short inside one).
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>

class QXmlStreamAttributes;

// Attribute name -> text, exactly as the service sent it.
using AttrRecord = QHash<QString, QString>;

// Codes read of a code list.
inline constexpr int kCodeListRoom = 255;

// Decodes a code list ("70, 97" -> "Fa"). Codes above 122 turn the whole text into "-"; only
// the first kCodeListRoom codes are read.
QString decodeCodeList(const QString& codeList);

// Adds from's attributes to into, a later value replacing an earlier one of the same name.
void mergeInto(AttrRecord& into, const AttrRecord& from);

// One enclosure as a document gives it: the SVBox element with its volume, and each drive's
// element and partition attributes merged.
struct BoxRecords
{
    AttrRecord box;
    AttrRecord drive0;
    AttrRecord drive1;
};

// One merge into the enclosure table: a closed SVBox, or the end of an event message.
struct MergeStep
{
    bool isEvent = false; // an event had been read by then
    int eventMsgIdx = 0;
    // The code list naming the enclosure: the event's BoxSN, else the box's SerialNumber.
    QString keyText;
    BoxRecords records;   // collected by then
    int commandsRead = 0; // command elements read by then
};

struct ServiceDocument
{
    // MsgIdx of the event that removes an enclosure.
    static constexpr int kRemovalEvent = 13;

    bool isParse = false; // well-formed and accepted
    QString error;        // why not, with line and column
    bool isEvent = false;
    int eventMsgIdx = 0;
    QList<AttrRecord> commands; // each command element's attributes
    AttrRecord event;           // the event's attributes
    QList<AttrRecord> elements; // every element kept, in order
    QList<MergeStep> steps;     // when read without a step receiver
    BoxRecords working;         // collected after the last closed SVBox

    // Empties the document and keeps the room of its lists for the next one.
    void clear();
};

class DocumentReader
{
public:
    // Reads one whole document.
    static ServiceDocument read(const QByteArray& data);
    // The same into `document`, reusing the room of its lists (an answer comes at every
    // fetch). With `onStep`, each merge step is handed to it as soon as it closes instead of
    // being kept in `steps`.
    static void read(const QByteArray& data, ServiceDocument& document,
                     const std::function<void(const MergeStep&)>& onStep = {});

private:
    DocumentReader(ServiceDocument& document, const std::function<void(const MergeStep&)>& onStep)
        : _doc(document), _onStep(onStep)
    {
    }

    void parserDidStartDocument();
    void didStartElement(QStringView name, const QXmlStreamAttributes& attributes);
    void didEndElement(QStringView name);
    void buildParseParam();
    void clearParseParam();
    AttrRecord& driveRecord(int diskId);

    ServiceDocument& _doc;
    const std::function<void(const MergeStep&)>& _onStep;
    int _diskId = 0;
};
