// SPDX-License-Identifier: GPL-3.0-or-later
#include "options.h"

namespace popbsmtp {

namespace {

std::string trimmed(const std::string& s)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

// An address goes into the envelope and into the To/From headers: nothing in it may end a
// line, separate a list or open a second address.
bool isAddressChar(unsigned char c)
{
    return c > 0x20 && c != 0x7f && c != '<' && c != '>' && c != ',' && c != ';' && c != '"' &&
           c != '(' && c != ')' && c != '\\';
}

} // namespace

std::string parseArguments(int argc, const char* const* argv, Options& out)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            out.help = true;
            continue;
        }
        if (arg == "-b") {
            out.popBeforeSmtp = true;
            continue;
        }
        std::string* target = nullptr;
        std::string security;
        std::string smtpPassword;
        if (arg.size() == 2 && arg[0] == '-') {
            switch (arg[1]) {
            case 'h':
                target = &out.popServer;
                break;
            case 'i':
                target = &out.popPort;
                break;
            case 'u':
                target = &out.user;
                break;
            case 'p':
                target = &out.password;
                break;
            case 'j':
                target = &out.smtpServer;
                break;
            case 'k':
                target = &out.smtpPort;
                break;
            case 'f':
                target = &out.from;
                break;
            case 't':
                target = &out.recipients;
                break;
            case 's':
                target = &out.subject;
                break;
            case 'z':
                target = &out.zone;
                break;
            case 'm':
                target = &out.body;
                break;
            default:
                break;
            }
        } else if (arg == "--security") {
            target = &security;
        } else if (arg == "--cacert") {
            target = &out.caFile;
        } else if (arg == "--smtp-user") {
            target = &out.smtpUser;
            out.smtpUserGiven = true;
        } else if (arg == "--smtp-password") {
            target = &smtpPassword;
        }
        if (!target)
            return "unknown option \"" + arg + "\" (see --help)";
        if (i + 1 >= argc)
            return "option " + arg + " needs a value";
        *target = argv[++i];
        if (target == &out.password) {
            out.passwordFromStdin = (out.password == "-");
        } else if (target == &security) {
            if (security == "none")
                out.security = Security::None;
            else if (security == "starttls")
                out.security = Security::StartTls;
            else if (security == "tls")
                out.security = Security::Tls;
            else
                return "invalid --security value \"" + security + "\" (none, starttls or tls)";
        } else if (target == &smtpPassword) {
            // The SMTP password never goes on the command line, where every user can read it.
            if (smtpPassword != "-")
                return "--smtp-password takes \"-\": the password comes on standard input";
            out.smtpPasswordFromStdin = true;
        }
    }
    return {};
}

std::string readPasswordLine(std::FILE* in, std::string& password, std::size_t maxLength)
{
    password.clear();
    for (;;) {
        const int c = std::fgetc(in);
        if (c == EOF) {
            if (std::ferror(in))
                return "cannot read the password from standard input";
            break;
        }
        if (c == '\n')
            break;
        if (password.size() >= maxLength)
            return "the password on standard input is too long";
        password.push_back(static_cast<char>(c));
    }
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    if (!isSingleLine(password))
        return "the password on standard input holds a line break or a NUL byte";
    return {};
}

bool isSingleLine(const std::string& text)
{
    return text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

std::string parseAddress(const std::string& text, std::string& out)
{
    std::string address = trimmed(text);
    const std::size_t open = address.find('<');
    if (open != std::string::npos) {
        const std::size_t close = address.find('>', open);
        if (close == std::string::npos || trimmed(address.substr(close + 1)) != "")
            return "malformed address \"" + text + "\"";
        address = trimmed(address.substr(open + 1, close - open - 1));
    }
    if (address.empty())
        return "empty address";
    for (const char c : address) {
        if (!isAddressChar(static_cast<unsigned char>(c)))
            return "invalid character in address \"" + text + "\"";
    }
    out = address;
    return {};
}

std::string parseRecipients(const std::string& list, std::vector<std::string>& out)
{
    out.clear();
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(';', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string item = trimmed(list.substr(start, end - start));
        if (!item.empty() && item != "<>") {
            std::string address;
            const std::string error = parseAddress(item, address);
            if (!error.empty())
                return "recipient: " + error;
            out.push_back(address);
        }
        start = end + 1;
    }
    if (out.empty())
        return "no recipient given";
    return {};
}

std::string urlHost(const std::string& host)
{
    if (host.empty())
        return {};
    std::string bare = host;
    if (bare.front() == '[' && bare.back() == ']' && bare.size() > 2)
        bare = bare.substr(1, bare.size() - 2);
    bool hasColon = false;
    for (const char ch : bare) {
        const auto c = static_cast<unsigned char>(ch);
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_' || c == ':' ||
                        c >= 0x80; // internationalised names are converted by libcurl
        if (!ok)
            return {};
        hasColon = hasColon || c == ':';
    }
    return hasColon ? "[" + bare + "]" : bare;
}

int parsePort(const std::string& text, int fallback)
{
    const std::string t = trimmed(text);
    if (t.empty())
        return fallback;
    if (t.size() > 5)
        return 0;
    int port = 0;
    for (const char c : t) {
        if (c < '0' || c > '9')
            return 0;
        port = port * 10 + (c - '0');
    }
    return port <= 65535 ? port : 0;
}

// One option a line, its text two blanks further on or on indented lines below, sections
// headed "...:": the layout help2man turns into the manual page.
std::string usage()
{
    return "Usage: popbsmtp -j SERVER -f FROM -t LIST [-m BODY] [OPTION]...\n"
           "Sends one plain-text mail through an SMTP server.\n"
           "\n"
           "The mail:\n"
           "  -j SERVER         SMTP server\n"
           "  -k PORT           SMTP port (default 25; 465 means implicit TLS)\n"
           "  -f FROM           sender address\n"
           "  -t LIST           recipients, \";\"-separated, e.g.\n"
           "                    \"<a@example.org>;<b@example.org>\"\n"
           "  -s SUBJECT        subject (UTF-8)\n"
           "  -z ZONE           abbreviation of the local time zone (added as a comment to\n"
           "                    Date)\n"
           "  -m BODY           message text (UTF-8)\n"
           "\n"
           "Security and sign-in:\n"
           "  --security MODE   none: never TLS; starttls: STARTTLS required, nothing is\n"
           "                    sent without it; tls: implicit TLS on any port. Without the\n"
           "                    option STARTTLS is used whenever the server offers it.\n"
           "  --cacert FILE     certificate authorities to trust besides the system's\n"
           "  --smtp-user USER  sign in to the SMTP server with this account\n"
           "  --smtp-password -\n"
           "                    its password, read from standard input (after the POP3\n"
           "                    password when \"-p -\" is given too)\n"
           "  -u USER           user name for POP3 (and for SMTP AUTH without --smtp-user)\n"
           "  -p PASSWORD       password; \"-\" reads it from the first line of standard\n"
           "                    input\n"
           "\n"
           "POP before SMTP:\n"
           "  -b                log in to the POP3 server first\n"
           "  -h SERVER         POP3 server\n"
           "  -i PORT           POP3 port (default 110; 995 means implicit TLS)\n"
           "\n"
           "  --help            show this text\n"
           "\n"
           "Certificates are always checked. On success prints \"Email was sent\n"
           "successfully!\" and exits with status 0; the exit status tells why a mail was\n"
           "not sent (see the manual page or the README).\n"
           "\n"
           "Environment:\n"
           "  POPBSMTP_TIMEOUT  total time limit in seconds for all network work (default 90)\n"
           "  POPBSMTP_CA_FILE  extra CA bundle to trust (for tests; --cacert wins)\n";
}

} // namespace popbsmtp
