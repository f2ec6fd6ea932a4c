// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/timetext.h"

QString ctimeText(std::time_t when)
{
    std::tm local{};
    if (!localtime_r(&when, &local))
        return QString();
    char buffer[32] = {};
    // asctime_r gives the ctime layout; strip its line feed.
    if (!asctime_r(&local, buffer))
        return QString();
    QString text = QString::fromLatin1(buffer);
    while (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}

QString ctimeTextNow()
{
    return ctimeText(std::time(nullptr));
}
