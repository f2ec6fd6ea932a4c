// SPDX-License-Identifier: GPL-3.0-or-later
// The documents a storage service sends: the configuration document that answers a command
// and is pushed after every change, and the event message that comes before such a push.
#pragma once

#include "protocol/enclosure.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace tamro::protocol {

// MsgIdx of the event that announces a changed (or new) enclosure, and of the one that
// announces an enclosure's removal.
constexpr int ChangeEventMsgIdx = 5;
constexpr int RemovalEventMsgIdx = 13;

// One SVBox element with its two drives and its volume.
QByteArray boxElement(const Enclosure& box, int index);

// A full configuration document with the given root element name (SVConfigCmd or
// SVScanDevicesCmd), one line ending in "\r\n".
QByteArray configDocument(const QByteArray& rootName, int eResult, const QString& execInfo,
                          const QList<Enclosure>& boxes);

// "<SVEventLogCmd><SVEvent MsgIdx=.. BoxSN=../></SVEventLogCmd>\r\n"
QByteArray eventMessage(int msgIdx, const QString& boxSerial);

} // namespace tamro::protocol
