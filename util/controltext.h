// SPDX-License-Identifier: GPL-3.0-or-later
// Text from outside (the storage service, a file, what the user typed) on its way to a
// terminal, a one-line format or a JSON document. A terminal obeys control characters: ESC
// sequences set the window title, clear the screen or colour what follows, a lone CR lets
// text overwrite the line before it. So every C0 control (U+0000..U+001F), DEL and every C1
// control (U+0080..U+009F) becomes a visible escape such as "\x1b", except the characters
// the format itself uses (a line feed in a mail body, say). A lone surrogate, which has no
// UTF-8 form, becomes U+FFFD, so the text always encodes to valid UTF-8.
#pragma once

#include <QString>
#include <QStringView>

// The text with every control character outside `keep` written as "\xNN".
QString visibleControls(QStringView text, QStringView keep = {});

// The same, after every line end inside the text (CR LF, CR or LF) became one blank: for
// values that must stay on one line and read naturally there.
QString oneVisibleLine(QStringView text);

// The text with every lone surrogate replaced by U+FFFD, for JSON documents and the session
// bus: valid Unicode whatever came in.
QString validUnicode(QStringView text);
