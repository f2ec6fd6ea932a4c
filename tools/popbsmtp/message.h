// SPDX-License-Identifier: GPL-3.0-or-later
// The mail as it goes on the wire: RFC 5322 headers and a quoted-printable UTF-8 text body.
#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace popbsmtp {

struct MessageParts
{
    std::string from;                    // bare sender address
    std::vector<std::string> recipients; // bare recipient addresses
    std::string subject;                 // UTF-8
    std::string body;                    // UTF-8, any line ends
    std::string zone;                    // time-zone abbreviation, a comment after the date
    std::time_t when = 0;
};

// The complete message with CR LF line ends, ready for upload.
std::string buildMessage(const MessageParts& parts);

// "Subject: ..." folded into lines of at most 78 characters where possible, with RFC 2047
// encoded-words when the text is not plain printable ASCII. No final CR LF.
std::string subjectHeader(const std::string& subject);

// Body with every line end made CR LF, quoted-printable encoded (lines of at most 76 characters).
std::string quotedPrintable(const std::string& text);

// "Date: ..." for `when` in the local zone with a numeric offset. No final CR LF.
std::string dateHeader(std::time_t when, const std::string& zone);

} // namespace popbsmtp
