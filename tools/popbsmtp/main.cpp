// SPDX-License-Identifier: GPL-3.0-or-later
// popbsmtp: sends one plain-text mail through an SMTP server, optionally after a POP3 login
// (POP before SMTP). Prints "Email was sent successfully!" only when the server accepted it.
//
// Exit status: 0 sent; 2 the command line or its values are unusable; otherwise the sending
// failed and the status says why: 1 for a cause without a code of its own, 3..10 for the
// causes of popbsmtp::Cause at the SMTP server, 13..18 for the same at the POP3 server.
#include "mailer.h"
#include "message.h"
#include "options.h"

#include <curl/curl.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

constexpr int kDefaultTimeoutSeconds = 90; // well below the time the monitor waits for us
constexpr int kMaxTimeoutSeconds = 3600;

// One line on standard error; control characters from user-given values cannot break it.
int fail(int status, std::string reason)
{
    for (char& c : reason) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            c = '?';
    }
    std::fprintf(stderr, "popbsmtp: %s\n", reason.c_str());
    return status;
}

std::chrono::milliseconds totalTimeout()
{
    int seconds = kDefaultTimeoutSeconds;
    if (const char* value = std::getenv("POPBSMTP_TIMEOUT"); value && *value) {
        char* end = nullptr;
        const long parsed = std::strtol(value, &end, 10);
        if (*end == '\0' && parsed > 0 && parsed <= kMaxTimeoutSeconds)
            seconds = static_cast<int>(parsed);
    }
    return std::chrono::seconds(seconds);
}

// The exit status for a failed network step.
int failureStatus(popbsmtp::Cause cause, bool atPopServer)
{
    const int code = static_cast<int>(cause);
    return cause == popbsmtp::Cause::Other || !atPopServer ? code : code + 10;
}

class CurlGlobal
{
public:
    CurlGlobal() : _ok(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}
    ~CurlGlobal()
    {
        if (_ok)
            curl_global_cleanup();
    }
    CurlGlobal(const CurlGlobal&) = delete;
    CurlGlobal& operator=(const CurlGlobal&) = delete;
    bool ok() const { return _ok; }

private:
    bool _ok;
};

} // namespace

int main(int argc, char** argv)
{
    using namespace popbsmtp;
    // libcurl is told not to use signals; a peer closing a TLS socket must not kill us.
    std::signal(SIGPIPE, SIG_IGN);

    Options options;
    if (const std::string error = parseArguments(argc, argv, options); !error.empty())
        return fail(2, error);
    if (options.help) {
        std::fputs(usage().c_str(), stdout);
        return 0;
    }
    // "-p -" and "--smtp-password -" keep the passwords out of the process list: they come
    // on standard input, the POP3 password first.
    if (options.passwordFromStdin) {
        if (const std::string error = readPasswordLine(stdin, options.password); !error.empty())
            return fail(2, error);
    }
    if (options.smtpPasswordFromStdin) {
        if (const std::string error = readPasswordLine(stdin, options.smtpPassword); !error.empty())
            return fail(2, "SMTP: " + error);
    }
    // A line break in a user name or password would end the protocol command it goes into
    // and let the rest through as commands of its own.
    if (!isSingleLine(options.user))
        return fail(2, "the user name (-u) holds a line break");
    if (!isSingleLine(options.password))
        return fail(2, "the password (-p) holds a line break");
    if (!isSingleLine(options.smtpUser))
        return fail(2, "the SMTP user name (--smtp-user) holds a line break");
    if (options.smtpUserGiven && options.smtpUser.empty())
        return fail(2, "no SMTP user given (--smtp-user)");
    if (options.smtpUserGiven != options.smtpPasswordFromStdin)
        return fail(2, "--smtp-user and --smtp-password - go together");
    if (!options.caFile.empty()) {
        std::FILE* ca = std::fopen(options.caFile.c_str(), "r");
        if (!ca)
            return fail(2, "cannot read the CA file \"" + options.caFile + "\" (--cacert)");
        std::fclose(ca);
    }

    if (options.smtpServer.empty())
        return fail(2, "no SMTP server given (-j)");
    if (urlHost(options.smtpServer).empty())
        return fail(2, "invalid SMTP server name \"" + options.smtpServer + "\"");
    Server smtp{options.smtpServer, parsePort(options.smtpPort, 25)};
    if (smtp.port == 0)
        return fail(2, "invalid SMTP port \"" + options.smtpPort + "\"");
    std::string from;
    if (options.from.empty())
        return fail(2, "no sender address given (-f)");
    if (const std::string error = parseAddress(options.from, from); !error.empty())
        return fail(2, "sender: " + error);
    std::vector<std::string> recipients;
    if (const std::string error = parseRecipients(options.recipients, recipients); !error.empty())
        return fail(2, error + " (-t)");

    Server pop{options.popServer, parsePort(options.popPort, 110)};
    if (options.popBeforeSmtp) {
        if (pop.host.empty())
            return fail(2, "no POP3 server given (-h)");
        if (urlHost(pop.host).empty())
            return fail(2, "invalid POP3 server name \"" + pop.host + "\"");
        if (pop.port == 0)
            return fail(2, "invalid POP3 port \"" + options.popPort + "\"");
        if (options.user.empty())
            return fail(2, "no POP3 user given (-u)");
    }

    CurlGlobal curlGlobal;
    if (!curlGlobal.ok())
        return fail(1, "cannot initialise libcurl");
    const Deadline deadline(totalTimeout());

    const Trust trust{options.caFile};
    if (options.popBeforeSmtp) {
        if (const StepResult login = popLogin(pop, options.user, options.password, trust, deadline);
            !login.ok())
            return fail(failureStatus(login.cause, true), login.error);
    }

    MessageParts parts;
    parts.from = from;
    parts.recipients = recipients;
    parts.subject = options.subject;
    parts.body = options.body;
    parts.zone = options.zone;
    parts.when = std::time(nullptr);
    const std::string message = buildMessage(parts);

    StepResult sent;
    if (options.smtpUserGiven) {
        sent = smtpSend(smtp, options.security, trust, options.smtpUser, options.smtpPassword, from,
                        recipients, message, deadline);
    } else {
        sent = smtpSend(smtp, options.security, trust, options.user, options.password, from,
                        recipients, message, deadline);
        // With POP before SMTP the POP3 login is what lets this host send. A server that also
        // offers SMTP AUTH but does not take the POP3 account there gets the mail without
        // AUTH.
        if (sent.cause == Cause::SignInRefused && options.popBeforeSmtp)
            sent = smtpSend(smtp, options.security, trust, {}, {}, from, recipients, message,
                            deadline);
    }
    if (!sent.ok())
        return fail(failureStatus(sent.cause, false), sent.error);

    std::fputs("Email was sent successfully!\n", stdout);
    std::fflush(stdout);
    return 0;
}
