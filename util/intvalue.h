// SPDX-License-Identifier: GPL-3.0-or-later
// Integer reading of a text as the service's values and the preference store expect it:
// leading white space skipped, an optional sign, then decimal digits up to the first other
// character; 0 when there are no digits; clamped to the 32-bit signed range on overflow.
// (QString::toInt gives 0 for "12abc", which is not what the protocol means.)
#pragma once

#include <QStringView>
#include <QtGlobal>

qint32 intValue(QStringView text);
