// SPDX-License-Identifier: GPL-3.0-or-later
#include "message.h"

#include <unistd.h>

#include <cctype>
#include <climits>
#include <random>

namespace popbsmtp {

namespace {

constexpr std::size_t kFoldWidth = 78; // recommended header line length
constexpr std::size_t kMaxLine = 998;  // hard limit of a line
constexpr std::size_t kWordBytes = 42; // 56 base64 characters: lines stay within 78
constexpr std::size_t kQpWidth = 76;   // quoted-printable line length

const char kHex[] = "0123456789ABCDEF";

std::string base64(const std::string& in)
{
    static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < in.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(in[i]) << 16) |
                           (static_cast<unsigned char>(in[i + 1]) << 8) |
                           static_cast<unsigned char>(in[i + 2]);
        out += table[(v >> 18) & 63];
        out += table[(v >> 12) & 63];
        out += table[(v >> 6) & 63];
        out += table[v & 63];
    }
    if (i < in.size()) {
        unsigned v = static_cast<unsigned char>(in[i]) << 16;
        if (i + 1 < in.size())
            v |= static_cast<unsigned char>(in[i + 1]) << 8;
        out += table[(v >> 18) & 63];
        out += table[(v >> 12) & 63];
        out += i + 1 < in.size() ? table[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// A line break would end the header line: each CR and LF becomes a blank. Other control characters
// (C0, DEL, and C1 as UTF-8 encodes it) become visible escapes such as "\x1b", so a mail reader or
// a terminal shows them instead of obeying them.
std::string flattened(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    const auto escape = [&out](unsigned code) {
        out += "\\x";
        out += static_cast<char>(std::tolower(kHex[(code >> 4) & 15]));
        out += static_cast<char>(std::tolower(kHex[code & 15]));
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto u = static_cast<unsigned char>(text[i]);
        if (u == '\r' || u == '\n') {
            out += ' ';
        } else if (u < 0x20 || u == 0x7f) {
            escape(u);
        } else if (u == 0xc2 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9f) {
            escape(static_cast<unsigned char>(text[++i]));
        } else {
            out += text[i];
        }
    }
    return out;
}

bool isPlainAscii(const std::string& text)
{
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7e)
            return false;
    }
    // Text that looks like an encoded-word would be decoded by readers.
    return text.find("=?") == std::string::npos;
}

// Folds before blanks so lines stay within kFoldWidth where the words allow it. Returns an
// empty string when a line would still exceed the hard limit.
std::string foldedAscii(const std::string& name, const std::string& text)
{
    std::string out = name + ":";
    std::size_t lineLength = out.size();
    bool lineHasWord = false;
    std::size_t pos = 0;
    bool first = true;
    while (pos < text.size() || first) {
        // A segment is one run of blanks followed by one word; the first one gets the blank
        // that separates the header name from its value.
        std::size_t end = pos;
        while (end < text.size() && text[end] == ' ')
            ++end;
        while (end < text.size() && text[end] != ' ')
            ++end;
        std::string segment = text.substr(pos, end - pos);
        if (first)
            segment = " " + segment;
        first = false;
        const bool hasWord = segment.find_first_not_of(' ') != std::string::npos;
        if (hasWord && lineHasWord && lineLength + segment.size() > kFoldWidth) {
            out += "\r\n";
            lineLength = 0;
        }
        lineHasWord = lineHasWord || hasWord;
        out += segment;
        lineLength += segment.size();
        if (lineLength > kMaxLine)
            return {};
        pos = end;
    }
    return out;
}

std::string encodedWords(const std::string& name, const std::string& text)
{
    std::string out = name + ":";
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t take = std::min(kWordBytes, text.size() - pos);
        // Never split a UTF-8 sequence between two encoded-words.
        while (take > 1 && pos + take < text.size() && isContinuationByte(text[pos + take]))
            --take;
        if (pos > 0)
            out += "\r\n";
        out += " =?UTF-8?B?" + base64(text.substr(pos, take)) + "?=";
        pos += take;
    }
    return out;
}

std::string hostName()
{
    char buffer[HOST_NAME_MAX + 1] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0 || buffer[0] == '\0')
        return "localhost";
    return buffer;
}

bool isDomainText(const std::string& s)
{
    if (s.empty() || s.front() == '.' || s.back() == '.')
        return false;
    for (const char c : s) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '.' || c == '-';
        if (!ok)
            return false;
    }
    return true;
}

std::string messageId(const std::string& from, std::time_t when)
{
    std::random_device random;
    std::string id;
    for (int i = 0; i < 16; ++i) {
        const unsigned byte = random() & 0xFFu;
        id += kHex[byte >> 4];
        id += kHex[byte & 15];
    }
    id += '.' + std::to_string(static_cast<long long>(when));
    const std::size_t at = from.rfind('@');
    std::string domain = at == std::string::npos ? std::string() : from.substr(at + 1);
    if (!isDomainText(domain))
        domain = hostName();
    if (!isDomainText(domain))
        domain = "localhost";
    return "<" + id + "@" + domain + ">";
}

std::string addressList(const std::string& name, const std::vector<std::string>& addresses)
{
    std::string out = name + ":";
    std::size_t lineLength = out.size();
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        const std::string item = addresses[i] + (i + 1 < addresses.size() ? "," : "");
        if (i > 0 && lineLength + 1 + item.size() > kFoldWidth) {
            out += "\r\n";
            lineLength = 0;
        }
        out += " " + item;
        lineLength += 1 + item.size();
    }
    return out;
}

} // namespace

std::string subjectHeader(const std::string& subject)
{
    const std::string text = flattened(subject);
    if (isPlainAscii(text)) {
        std::string folded = foldedAscii("Subject", text);
        if (!folded.empty())
            return folded;
    }
    return encodedWords("Subject", text);
}

std::string quotedPrintable(const std::string& text)
{
    std::string out;
    std::size_t lineLength = 0;
    const auto put = [&](const std::string& token) {
        if (lineLength + token.size() > kQpWidth - 1) { // room for the soft break's "="
            out += "=\r\n";
            lineLength = 0;
        }
        out += token;
        lineLength += token.size();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += "\r\n";
            lineLength = 0;
            continue;
        }
        const auto u = static_cast<unsigned char>(c);
        const bool atLineEnd = i + 1 == text.size() || text[i + 1] == '\r' || text[i + 1] == '\n';
        const bool blank = c == ' ' || c == '\t';
        if ((u >= 33 && u <= 126 && c != '=') || (blank && !atLineEnd))
            put(std::string(1, c));
        else
            put(std::string{'=', kHex[u >> 4], kHex[u & 15]});
    }
    if (!out.empty() && (out.size() < 2 || out.compare(out.size() - 2, 2, "\r\n") != 0))
        out += "\r\n";
    return out;
}

std::string dateHeader(std::time_t when, const std::string& zone)
{
    std::tm local{};
    localtime_r(&when, &local);
    char buffer[64] = {};
    // The program never calls setlocale, so names of days and months are the C locale's.
    std::strftime(buffer, sizeof buffer, "%a, %d %b %Y %H:%M:%S %z", &local);
    std::string out = std::string("Date: ") + buffer;
    bool zoneOk = !zone.empty() && zone.size() <= 32;
    for (const char c : zone) {
        zoneOk = zoneOk && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                            (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '_');
    }
    if (zoneOk)
        out += " (" + zone + ")";
    return out;
}

std::string buildMessage(const MessageParts& parts)
{
    std::string m;
    m += dateHeader(parts.when, parts.zone) + "\r\n";
    m += "From: " + parts.from + "\r\n";
    m += addressList("To", parts.recipients) + "\r\n";
    m += subjectHeader(parts.subject) + "\r\n";
    m += "Message-ID: " + messageId(parts.from, parts.when) + "\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: text/plain; charset=UTF-8\r\n";
    m += "Content-Transfer-Encoding: quoted-printable\r\n";
    m += "\r\n";
    m += quotedPrintable(parts.body);
    return m;
}

} // namespace popbsmtp
