// SPDX-License-Identifier: GPL-3.0-or-later
// Builders for the storage service's messages and a listener that records each delivered answer.
#pragma once

#include "service/parseraidinfo.h"
#include "service/raidinfolistener.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <functional>

namespace fixtures {

// "Fa" -> "70, 97"
inline QString codeList(const QString& text)
{
    QStringList codes;
    for (const QChar c : text)
        codes.append(QString::number(c.unicode()));
    return codes.join(QStringLiteral(", "));
}

inline QByteArray attr(const char* name, const QString& value)
{
    return QByteArray(" ") + name + "=\"" + value.toUtf8() + '"';
}

struct Drive
{
    explicit Drive(int driveId = 0) : id(driveId) {}
    int id = 0;
    QString plugged = QStringLiteral("1");
    QString model = QStringLiteral("Disk Model");
    QString capacity = QStringLiteral("232.88");
    QString status = QStringLiteral("0");
    QString progress = QStringLiteral("0");
};

struct Box
{
    explicit Box(const QString& serialText = QString()) : serial(serialText) {}
    QString serial;                              // plain text, sent as a code list; null: none
    QString friendly = QStringLiteral("RAID 1"); // plain text; empty: no volume element
    QString mode = QStringLiteral("1");
    QString rebuild = QStringLiteral("Normal");
    QList<Drive> drives = {Drive{0}, Drive{1}};
    QByteArray extra; // more SVBox attributes, raw
};

inline QByteArray boxXml(const Box& box)
{
    QByteArray xml = "<SVBox";
    if (!box.serial.isNull())
        xml += attr("SerialNumber", codeList(box.serial));
    xml += attr("BoxRebuildStatus", codeList(box.rebuild)) + attr("Capacity_GB", "100") +
           box.extra + ">";
    for (const Drive& d : box.drives) {
        xml += "<SVPhysDrive" + attr("id", QString::number(d.id)) +
               attr("SerialNumber", codeList(QStringLiteral("WD-%1").arg(d.id))) +
               attr("ModelName", codeList(d.model)) + attr("PluggedIn", d.plugged) +
               attr("ActualCapacity_GB", d.capacity) + "/>";
        xml += "<SVPhysPartition" + attr("Capacity_GB", d.capacity) + attr("Status", d.status) +
               attr("RebuildProgress", d.progress) + "/>";
    }
    if (!box.friendly.isEmpty())
        xml += "<SVPartialVolume" + attr("mode", box.mode) +
               attr("FriendlyMode", codeList(box.friendly)) + attr("Capacity_GB", "232.88") + "/>";
    xml += "</SVBox>";
    return xml;
}

inline QByteArray answer(const QList<Box>& boxes, const QByteArray& commandAttrs = " eResult=\"0\"",
                         const char* command = "SVConfigCmd")
{
    QByteArray xml = QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<") + command +
                     commandAttrs + "><SVSystem Version=\"1.2\"/>";
    for (const Box& box : boxes)
        xml += boxXml(box);
    xml += QByteArray("</") + command + ">\r\n";
    return xml;
}

inline QByteArray eventMessage(int msgIdx, const QString& serial)
{
    return "<SVEventLogCmd><SVEvent" + attr("MsgIdx", QString::number(msgIdx)) +
           attr("BoxSN", codeList(serial)) + attr("Time", "12") + "/></SVEventLogCmd>\r\n";
}

// What the controller saw at one hand-off.
struct Delivery
{
    int deviceIndex = -1;
    int deviceCount = -1;
    int serial = -1;
    bool isEvent = false;
    int eventMsgIdx = -1;
    bool isParse = false;
    bool isProcess = false;
    QString execInfo;
    int eResult = 0;
};

class FakeListener : public RaidInfoListener
{
public:
    void processRaidInfo(const ServiceAnswer& answer) override
    {
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        Delivery seen;
        if (client) {
            seen.deviceIndex = answer.deviceIndex;
            seen.deviceCount = answer.table->count();
            seen.serial = client->serialNumber(seen.deviceIndex);
            seen.isEvent = answer.isEvent;
            seen.eventMsgIdx = answer.eventMsgIdx;
            seen.isParse = answer.isParse;
            seen.isProcess = client->isProcess();
            seen.execInfo = answer.execInfo();
            seen.eResult = answer.eResult();
        }
        deliveries.append(seen);
        if (onProcess)
            onProcess();
        --depth;
    }
    void errorOccurredStreamEvent() override
    {
        ++errors;
        if (onError)
            onError();
    }

    ParseRaidInfo* client = nullptr;
    QList<Delivery> deliveries;
    int errors = 0;
    int depth = 0;
    int maxDepth = 0;
    std::function<void()> onProcess;
    std::function<void()> onError;
};

} // namespace fixtures
