// SPDX-License-Identifier: GPL-3.0-or-later
#include "mailer.h"

#include "options.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include <sys/stat.h>

namespace popbsmtp {

namespace {

constexpr long kConnectTimeoutMs = 20000;

struct EasyDeleter
{
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct ListDeleter
{
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;
using List = std::unique_ptr<curl_slist, ListDeleter>;

struct Upload
{
    const std::string* data = nullptr;
    std::size_t offset = 0;
};

std::size_t readUpload(char* buffer, std::size_t size, std::size_t count, void* user)
{
    auto* upload = static_cast<Upload*>(user);
    const std::size_t room = size * count;
    const std::size_t left = upload->data->size() - upload->offset;
    const std::size_t n = std::min(room, left);
    std::memcpy(buffer, upload->data->data() + upload->offset, n);
    upload->offset += n;
    return n;
}

std::size_t discard(char*, std::size_t size, std::size_t count, void*)
{
    return size * count;
}

// Where the system keeps its certificate authorities, one file per CA (hashed names). Used
// beside an extra CA file so that file adds to the system's trust instead of replacing it.
constexpr const char* kSystemCaPath = "/etc/ssl/certs";

// Settings both protocols share: time limits from the common budget, TLS as asked (implicit
// TLS is chosen by the URL scheme), certificate checks always on.
std::string prepare(CURL* curl, const std::string& url, const char* protocols, curl_usessl useSsl,
                    const Trust& trust, const std::string& user, const std::string& password,
                    const Deadline& deadline, char* errorBuffer)
{
    const long remaining = deadline.remainingMs();
    if (remaining <= 0)
        return "time limit reached";
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, protocols);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, remaining);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, std::min(remaining, kConnectTimeoutMs));
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, std::max(1L, remaining / 1000 + 1));
    curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(useSsl));
    curl_easy_setopt(curl, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!trust.caFile.empty()) {
        curl_easy_setopt(curl, CURLOPT_CAINFO, trust.caFile.c_str());
        if (struct stat info{}; ::stat(kSystemCaPath, &info) == 0 && S_ISDIR(info.st_mode))
            curl_easy_setopt(curl, CURLOPT_CAPATH, kSystemCaPath);
    } else if (const char* caFile = std::getenv("POPBSMTP_CA_FILE"); caFile && *caFile) {
        curl_easy_setopt(curl, CURLOPT_CAINFO, caFile);
    }
    if (!user.empty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.c_str());
    }
    return {};
}

std::string describe(CURLcode code, const char* errorBuffer)
{
    std::string text = curl_easy_strerror(code);
    if (errorBuffer[0] != '\0' && text != errorBuffer)
        text += std::string(" (") + errorBuffer + ")";
    return text;
}

Cause causeOf(CURLcode code, const char* errorBuffer)
{
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
        return Cause::Unreachable;
    case CURLE_OPERATION_TIMEDOUT:
        return Cause::TimedOut;
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CONNECT_ERROR:
        return Cause::TlsRefused;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
        return Cause::Untrusted;
    case CURLE_LOGIN_DENIED:
        return Cause::SignInRefused;
    default:
        break;
    }
    // libcurl reports a refused sender or recipient as a failed send with these texts.
    if (std::strncmp(errorBuffer, "RCPT failed", 11) == 0)
        return Cause::RecipientRefused;
    return Cause::Other;
}

// The reply code in libcurl's "MAIL failed: 530" or "RCPT failed: 554", else 0.
int replyCode(const char* errorBuffer, const char* verb)
{
    const std::string prefix = std::string(verb) + " failed: ";
    if (std::strncmp(errorBuffer, prefix.c_str(), prefix.size()) != 0)
        return 0;
    return std::atoi(errorBuffer + prefix.size());
}

// What the SMTP conversation showed: whether TLS was in place, and the server's last 530
// reply.
struct Transcript
{
    bool tls = false;
    bool startTlsSent = false;
    std::string reply530;
};

int watchTranscript(CURL*, curl_infotype type, char* data, std::size_t size, void* user)
{
    auto* transcript = static_cast<Transcript*>(user);
    const std::string_view text(data, size);
    if (type == CURLINFO_HEADER_OUT && text.substr(0, 8) == "STARTTLS")
        transcript->startTlsSent = true;
    if (type != CURLINFO_HEADER_IN)
        return 0;
    if (transcript->startTlsSent && text.substr(0, 3) == "220")
        transcript->tls = true;
    if (text.substr(0, 3) == "530")
        transcript->reply530.assign(text.substr(0, 512));
    return 0;
}

bool mentionsTls(const std::string& reply)
{
    std::string upper = reply;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper.find("TLS") != std::string::npos;
}

// The SMTP server's own refusals. 530 means "TLS first" (RFC 3207) or "sign in first" (RFC
// 4954): on a connection without TLS, a 530 to MAIL or RCPT that names TLS is the first; the
// other stays a cause without a code of its own. 554 to RCPT is a server that does not relay
// to that address.
Cause smtpCauseOf(CURLcode code, const char* errorBuffer, const Transcript& transcript)
{
    const int atMail = replyCode(errorBuffer, "MAIL");
    const int atRcpt = replyCode(errorBuffer, "RCPT");
    if ((atMail == 530 || atRcpt == 530) && !transcript.tls && mentionsTls(transcript.reply530))
        return Cause::TlsRequired;
    if (atRcpt == 554)
        return Cause::RelayRefused;
    return causeOf(code, errorBuffer);
}

std::string serverText(const Server& server)
{
    return server.host + ":" + std::to_string(server.port);
}

} // namespace

long Deadline::remainingMs() const
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        _end - std::chrono::steady_clock::now());
    return static_cast<long>(left.count());
}

StepResult popLogin(const Server& server, const std::string& user, const std::string& password,
                    const Trust& trust, const Deadline& deadline)
{
    const std::string host = urlHost(server.host);
    if (host.empty())
        return {"invalid POP3 server name \"" + server.host + "\""};
    const bool implicitTls = server.port == 995;
    const std::string url = std::string(implicitTls ? "pop3s://" : "pop3://") + host + ":" +
                            std::to_string(server.port) + "/";
    Easy curl(curl_easy_init());
    if (!curl)
        return {"cannot initialise libcurl"};
    char errorBuffer[CURL_ERROR_SIZE] = {};
    if (auto error =
            prepare(curl.get(), url, "pop3,pop3s", implicitTls ? CURLUSESSL_ALL : CURLUSESSL_TRY,
                    trust, user, password, deadline, errorBuffer);
        !error.empty())
        return {"POP3 " + serverText(server) + ": " + error, Cause::TimedOut};
    // A NOOP after the login proves the login; no mail is listed or fetched.
    curl_easy_setopt(curl.get(), CURLOPT_CUSTOMREQUEST, "NOOP");
    curl_easy_setopt(curl.get(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, discard);
    const CURLcode code = curl_easy_perform(curl.get());
    if (code != CURLE_OK)
        return {"POP3 " + serverText(server) + ": " + describe(code, errorBuffer),
                causeOf(code, errorBuffer)};
    return {};
}

StepResult smtpSend(const Server& server, Security security, const Trust& trust,
                    const std::string& user, const std::string& password, const std::string& from,
                    const std::vector<std::string>& recipients, const std::string& message,
                    const Deadline& deadline)
{
    const std::string host = urlHost(server.host);
    if (host.empty())
        return {"invalid SMTP server name \"" + server.host + "\""};
    // Without a choice, port 465 keeps meaning implicit TLS.
    const bool implicitTls =
        security == Security::Tls || (security == Security::IfOffered && server.port == 465);
    curl_usessl useSsl = CURLUSESSL_TRY;
    if (implicitTls || security == Security::StartTls)
        useSsl = CURLUSESSL_ALL; // libcurl then stops after EHLO when STARTTLS is not offered
    else if (security == Security::None)
        useSsl = CURLUSESSL_NONE;
    const std::string url = std::string(implicitTls ? "smtps://" : "smtp://") + host + ":" +
                            std::to_string(server.port);
    Easy curl(curl_easy_init());
    if (!curl)
        return {"cannot initialise libcurl"};
    char errorBuffer[CURL_ERROR_SIZE] = {};
    if (auto error = prepare(curl.get(), url, "smtp,smtps", useSsl, trust, user, password, deadline,
                             errorBuffer);
        !error.empty())
        return {"SMTP " + serverText(server) + ": " + error, Cause::TimedOut};

    const std::string sender = "<" + from + ">";
    curl_easy_setopt(curl.get(), CURLOPT_MAIL_FROM, sender.c_str());
    List rcpt;
    for (const std::string& address : recipients) {
        const std::string item = "<" + address + ">";
        curl_slist* grown = curl_slist_append(rcpt.get(), item.c_str());
        if (!grown)
            return {"out of memory"};
        (void)rcpt.release();
        rcpt.reset(grown);
    }
    // Every recipient must be accepted: a refused one fails the whole sending, so success is
    // never reported for a mail that did not reach everybody it was meant for.
    curl_easy_setopt(curl.get(), CURLOPT_MAIL_RCPT, rcpt.get());

    Transcript transcript;
    transcript.tls = implicitTls;
    curl_easy_setopt(curl.get(), CURLOPT_DEBUGFUNCTION, watchTranscript);
    curl_easy_setopt(curl.get(), CURLOPT_DEBUGDATA, &transcript);
    curl_easy_setopt(curl.get(), CURLOPT_VERBOSE, 1L); // feeds the transcript, prints nothing

    Upload upload{&message, 0};
    curl_easy_setopt(curl.get(), CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_READFUNCTION, readUpload);
    curl_easy_setopt(curl.get(), CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl.get(), CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));

    const CURLcode code = curl_easy_perform(curl.get());
    if (code != CURLE_OK)
        return {"SMTP " + serverText(server) + ": " + describe(code, errorBuffer),
                smtpCauseOf(code, errorBuffer, transcript)};
    return {};
}

} // namespace popbsmtp
