// The network side of popbsmtp: the POP3 login and the SMTP delivery, both through libcurl.
#pragma once

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

// Logs in to the POP3 server and logs out again. Returns an empty string on success, else
// the reason for the failure.
std::string popLogin(const Server& server, const std::string& user, const std::string& password,
                     const Deadline& deadline);

struct SendResult
{
    std::string error;        // empty when the server accepted the message
    bool loginDenied = false; // the server refused the SMTP AUTH credentials
};

// Delivers `message` to the SMTP server for every recipient. SMTP AUTH is used with `user`
// and `password` when a user is given and the server offers it.
SendResult smtpSend(const Server& server, const std::string& user, const std::string& password,
                    const std::string& from, const std::vector<std::string>& recipients,
                    const std::string& message, const Deadline& deadline);

} // namespace popbsmtp
