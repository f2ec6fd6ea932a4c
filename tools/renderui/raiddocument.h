// SPDX-License-Identifier: GPL-3.0-or-later
// Builds answers of the storage service as it sends them (XML, text values as code lists),
// for the render tool and the tests: one configuration answer describing any number of
// enclosures. Attributes left out of a map are left out of the document.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace raiddoc {

using Attributes = QMap<QString, QString>;

// "Fa" -> "70, 97".
inline QString codes(const QString& text)
{
    QStringList list;
    for (const QChar c : text)
        list << QString::number(c.unicode());
    return list.join(QStringLiteral(", "));
}

struct Drive
{
    Attributes drive;     // SVPhysDrive (id is added)
    Attributes partition; // SVPhysPartition
};

// A drive with the usual attributes. Empty texts are left out of the document.
inline Drive drive(const QString& model, const QString& capacity, const QString& actual,
                   int status = 0, const QString& progress = QStringLiteral("0"),
                   bool plugged = true)
{
    Drive d;
    d.drive.insert(QStringLiteral("SerialNumber"), codes(QStringLiteral("S") + model));
    if (!model.isEmpty())
        d.drive.insert(QStringLiteral("ModelName"), codes(model));
    d.drive.insert(QStringLiteral("PluggedIn"),
                   plugged ? QStringLiteral("1") : QStringLiteral("0"));
    if (!actual.isEmpty())
        d.drive.insert(QStringLiteral("ActualCapacity_GB"), actual);
    if (!capacity.isEmpty())
        d.partition.insert(QStringLiteral("Capacity_GB"), capacity);
    d.partition.insert(QStringLiteral("Status"), QString::number(status));
    if (!progress.isEmpty())
        d.partition.insert(QStringLiteral("RebuildProgress"), progress);
    return d;
}

struct Enclosure
{
    QString serial = QStringLiteral("1234");
    QString rebuildStatus = QStringLiteral("Normal");
    int mode = 1;
    QString friendlyMode = QStringLiteral("RAID 1"); // empty: no SVPartialVolume
    QList<Drive> drives;                             // drive i gets id i
};

inline QString attributeText(const Attributes& attributes)
{
    QString text;
    for (auto it = attributes.cbegin(); it != attributes.cend(); ++it)
        text += QStringLiteral(" %1='%2'").arg(it.key(), it.value());
    return text;
}

// A configuration answer (SVConfigCmd) holding the enclosures.
inline QByteArray configAnswer(const QList<Enclosure>& enclosures, int eResult = 0)
{
    QString xml = QStringLiteral("<SVConfigCmd eResult='%1' ExecInfo='%2'>")
                      .arg(eResult)
                      .arg(codes(QStringLiteral("Retrieved configuration.")));
    xml += QStringLiteral("<SVSystem Version='1'/>");
    for (const Enclosure& e : enclosures) {
        xml += QStringLiteral("<SVBox SerialNumber='%1' BoxRebuildStatus='%2'>")
                   .arg(codes(e.serial), codes(e.rebuildStatus));
        for (int id = 0; id < e.drives.size(); ++id) {
            xml += QStringLiteral("<SVPhysDrive id='%1'%2/>")
                       .arg(id)
                       .arg(attributeText(e.drives.at(id).drive));
            xml += QStringLiteral("<SVPhysPartition%1/>")
                       .arg(attributeText(e.drives.at(id).partition));
        }
        if (!e.friendlyMode.isEmpty())
            xml += QStringLiteral("<SVPartialVolume mode='%1' FriendlyMode='%2' Capacity_GB='0'/>")
                       .arg(e.mode)
                       .arg(codes(e.friendlyMode));
        xml += QStringLiteral("</SVBox>");
    }
    xml += QStringLiteral("</SVConfigCmd>");
    return xml.toUtf8();
}

} // namespace raiddoc
