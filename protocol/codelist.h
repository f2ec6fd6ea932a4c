// SPDX-License-Identifier: GPL-3.0-or-later
// Text on the wire: every text value of a document is a code list, the decimal character
// codes joined by ", " ("Fa" -> "70, 97").
#pragma once

#include <QByteArray>
#include <QString>

namespace tamro::protocol {

// Encodes every character as it is. A character above 122 yields a code list that a client
// rejects as a whole; the simulator's fault tests send such texts on purpose.
QByteArray encodeCodeList(const QString& text);

// Highest code a client decodes, and the most codes it reads of one value.
constexpr uint MaxDecodableCode = 122;
constexpr int MaxDecodableCodes = 255;

// A text every client decodes as written: characters outside " " to "z" (control characters,
// "{", "|", "}", "~", anything beyond ASCII) become "_", and the text is cut to `maxLength`
// characters (at most 255). The storage service passes the kernel's texts (labels, models,
// file names) through this.
QString decodableText(const QString& text, int maxLength = MaxDecodableCodes);

} // namespace tamro::protocol
