// SPDX-License-Identifier: GPL-3.0-or-later
// The network side of popbsmtp: the POP3 login and the SMTP delivery, both through libcurl.
#pragma once

#include "options.h"

#include <chrono>
#include <string>
#include <vector>

namespace popbsmtp {

// One time budget shared by every network step, so the whole run ends in time.
class Deadline
{
public:
    explicit Deadline(std::chrono::milliseconds total)
        : _end(std::chrono::steady_clock::now() + total)
    {
    }
    long remainingMs() const;

private:
    std::chrono::steady_clock::time_point _end;
};

struct Server
{
    std::string host; // as given; checked and bracketed when the URL is made
    int port = 0;
};

// Certificates to trust besides the system's (empty: the system's alone).
struct Trust
{
    std::string caFile;
};

// Why a network step failed, in the few kinds a user can act on. The values are the exit
// status of the tool (see main.cpp and the README).
enum class Cause {
    Other = 1,
    Unreachable = 3,      // the name did not resolve or nobody listens
    TimedOut = 4,         // no answer within the time limit
    TlsRefused = 5,       // no TLS offered where required, or the handshake failed
    Untrusted = 6,        // the certificate is not trusted or is for another name
    SignInRefused = 7,    // the server refused the user name or password
    RecipientRefused = 8, // the server refused a recipient
    TlsRequired = 9,      // the server wants TLS first (a 530 that says so, without TLS)
    RelayRefused = 10,    // the server does not pass mail on to a recipient (554 to RCPT)
};

struct StepResult
{
    std::string error; // empty on success, else the reason
    Cause cause = Cause::Other;
    bool ok() const { return error.empty(); }
};

// Logs in to the POP3 server and logs out again.
StepResult popLogin(const Server& server, const std::string& user, const std::string& password,
                    const Trust& trust, const Deadline& deadline);

// Delivers `message` to the SMTP server for every recipient, protected as `security` says.
// SMTP AUTH is used with `user` and `password` when a user is given and the server offers
// it.
StepResult smtpSend(const Server& server, Security security, const Trust& trust,
                    const std::string& user, const std::string& password, const std::string& from,
                    const std::vector<std::string>& recipients, const std::string& message,
                    const Deadline& deadline);

} // namespace popbsmtp
