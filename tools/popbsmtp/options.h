// SPDX-License-Identifier: GPL-3.0-or-later
// Command line of popbsmtp: parsing and checking of everything the caller hands over.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace popbsmtp {

// How the SMTP connection is protected (--security). Without the option: STARTTLS when the
// server offers it, implicit TLS on port 465.
enum class Security { IfOffered, None, StartTls, Tls };

struct Options
{
    bool help = false;
    bool popBeforeSmtp = false; // -b
    std::string popServer;      // -h
    std::string popPort;        // -i
    std::string user;           // -u
    std::string password;       // -p (or the first line of standard input for "-p -")
    bool passwordFromStdin = false;
    std::string smtpServer;                  // -j
    std::string smtpPort;                    // -k
    std::string from;                        // -f
    std::string recipients;                  // -t, "<a@x>;<b@y>"
    std::string subject;                     // -s
    std::string zone;                        // -z, informational only
    std::string body;                        // -m
    Security security = Security::IfOffered; // --security
    std::string caFile;                      // --cacert, trusted besides the system's CAs
    bool smtpUserGiven = false;
    std::string smtpUser;               // --smtp-user: SMTP AUTH with its own account
    bool smtpPasswordFromStdin = false; // --smtp-password -
    std::string smtpPassword;           // read from standard input
};

// Parses argv. Returns an empty string on success, else the reason for the failure.
std::string parseArguments(int argc, const char* const* argv, Options& out);

// Reads a password from the next line of `in`, without its line end (LF or CR LF). At most
// `maxLength` bytes are accepted; a longer line, and a line holding a CR or a NUL byte, are a
// failure.
std::string readPasswordLine(std::FILE* in, std::string& password, std::size_t maxLength = 1024);

// A user name or password goes into protocol commands as it is: a CR, LF or NUL in it would
// end the command and start another. True when the text holds none of them.
bool isSingleLine(const std::string& text);

// Splits the ";"-separated recipient list into bare addresses ("<a@x>" -> "a@x"). Empty
// items are skipped. Returns an empty string on success, else the reason.
std::string parseRecipients(const std::string& list, std::vector<std::string>& out);

// Takes the bare address out of "a@x", "<a@x>" or "Name <a@x>". Returns an empty string on
// success, else the reason.
std::string parseAddress(const std::string& text, std::string& out);

// Checks a host name or address literal before it goes into a URL. Returns the host as it
// belongs in a URL (IPv6 literals in brackets), or an empty string when it is not acceptable.
std::string urlHost(const std::string& host);

// Parses a port; an empty text gives `fallback`. Returns 0 when the text is not a port.
int parsePort(const std::string& text, int fallback);

// The --help text.
std::string usage();

} // namespace popbsmtp
