// SPDX-License-Identifier: GPL-3.0-or-later
// Text that comes from outside (the storage service, the event log file, what the user typed)
// shown where a widget or the desktop reads markup. Qt takes a tooltip as rich text as soon as
// it looks like markup, so "<img src=...>" in a device name or a log field would load that
// file; labels and message boxes are set to plain text instead, and these helpers serve the
// places that have no such switch.
#pragma once

#include <QString>

// Rich text that shows exactly the given text, markup characters, line breaks and runs of
// blanks included; empty for an empty text (no tooltip at all).
QString plainTextAsRichText(const QString& text);
