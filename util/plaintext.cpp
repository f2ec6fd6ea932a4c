// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/plaintext.h"

QString plainTextAsRichText(const QString& text)
{
    if (text.isEmpty())
        return {};
    // The paragraph makes any reader take it as rich text; pre-wrap keeps line breaks and
    // blanks as they are.
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}
