// SPDX-License-Identifier: GPL-3.0-or-later
// The time text of the event log and the mail bodies: the C library's ctime layout of the
// local time without its final line feed (24 characters, e.g. "Tue Dec  8 14:16:11 2026").
#pragma once

#include <QString>

#include <ctime>

QString ctimeText(std::time_t when);
QString ctimeTextNow();
