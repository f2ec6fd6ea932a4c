// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/documents.h"

#include "protocol/codelist.h"

namespace tamro::protocol {

namespace {

QByteArray number(double value)
{
    return QByteArray::number(value, 'g', 10);
}

QByteArray attr(const char* name, const QByteArray& value)
{
    return QByteArray(" ") + name + "=\"" + value + '"';
}

} // namespace

QByteArray boxElement(const Enclosure& box, int index)
{
    QByteArray out = "<SVBox" + attr("SerialNumber", encodeCodeList(box.serial)) +
                     attr("BoxRebuildStatus", encodeCodeList(box.rebuildStatus)) +
                     attr("ProductName", encodeCodeList(box.productName)) +
                     attr("BoxIndex", QByteArray::number(index)) + ">";
    for (int id = 0; id < 2; ++id) {
        const Drive& d = box.drives[id];
        if (d.plugged) {
            out += "<SVPhysDrive" + attr("id", QByteArray::number(id)) +
                   attr("SerialNumber", encodeCodeList(d.serial)) +
                   attr("ModelName", encodeCodeList(d.model)) + attr("PluggedIn", "1") +
                   attr("ActualCapacity_GB", number(d.actualCapacityGb)) +
                   (d.failed ? attr("Failed", "1") : QByteArray()) + "/>";
            out += "<SVPhysPartition" + attr("Capacity_GB", number(d.partitionCapacityGb)) +
                   attr("Status", QByteArray::number(d.status)) +
                   attr("RebuildProgress", number(d.rebuildProgress)) + "/>";
        } else {
            // A pulled drive is still listed, unplugged and with its values emptied.
            out += "<SVPhysDrive" + attr("id", QByteArray::number(id)) + attr("SerialNumber", "") +
                   attr("ModelName", "") + attr("PluggedIn", "0") + attr("ActualCapacity_GB", "0") +
                   "/>";
            out += "<SVPhysPartition" + attr("Capacity_GB", "0") + attr("Status", "0") +
                   attr("RebuildProgress", "0") + "/>";
        }
    }
    out += "<SVPartialVolume" + attr("mode", QByteArray::number(box.mode)) +
           attr("FriendlyMode", encodeCodeList(box.friendlyMode)) +
           attr("Capacity_GB", number(box.volumeCapacityGb)) + "/>";
    out += "</SVBox>";
    return out;
}

QByteArray configDocument(const QByteArray& rootName, int eResult, const QString& execInfo,
                          const QList<Enclosure>& boxes)
{
    QByteArray out = '<' + rootName + attr("eResult", QByteArray::number(eResult)) +
                     attr("ExecInfo", encodeCodeList(execInfo)) + '>';
    out += "<SVSystem" + attr("Version", encodeCodeList(QStringLiteral("1.0"))) +
           attr("BoxCount", QByteArray::number(boxes.size())) + "/>";
    for (qsizetype i = 0; i < boxes.size(); ++i)
        out += boxElement(boxes.at(i), int(i));
    out += "</" + rootName + ">\r\n";
    return out;
}

QByteArray eventMessage(int msgIdx, const QString& boxSerial)
{
    return "<SVEventLogCmd><SVEvent" + attr("MsgIdx", QByteArray::number(msgIdx)) +
           attr("BoxSN", encodeCodeList(boxSerial)) + "/></SVEventLogCmd>\r\n";
}

} // namespace tamro::protocol
