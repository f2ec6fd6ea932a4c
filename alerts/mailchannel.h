// SPDX-License-Identifier: GPL-3.0-or-later
// Mail through the companion tool popbsmtp: the texts of the settings window as they are at
// the moment of sending, the whole mail on the tool's command line except the passwords,
// which go to its standard input ("-p -", "--smtp-password -"; the POP3 one first). The
// outcome is the tool's success sentence alone; when it is missing, the tool's exit status
// says why, and a test mail shows that reason. A notification's outcome is a row in the event
// log (when logging is on); a test mail's goes to the settings window's status line.
#pragma once

#include "alerts/alertchannel.h"

#include <QObject>
#include <QStringList>

class SettingsForm;
class WindowPresenter;
struct OptionFlags;

class MailChannel : public QObject, public AlertChannel
{
    Q_OBJECT
public:
    struct Config
    {
        QString toolPath;       // empty: popbsmtp found beside the executable
        int timeoutMs = 120000; // a tool still running then is stopped: a failure
    };

    MailChannel(SettingsForm& form, const OptionFlags& flags, const Config& config,
                AlertOutcomeLog log, WindowPresenter* windows = nullptr, QObject* parent = nullptr);

    QString channelName() const override { return QStringLiteral("mail"); }
    // Problems and the service out of reach or back with SendMail, finished rebuilds with
    // SendRebuildMail.
    bool wants(const AlertEvent& event) const override;
    void deliver(const AlertEvent& event) override { sendMail(event); }

    // Sends one mail about the event (a test mail for Kind::Test); true when the tool
    // reported success.
    bool sendMail(const AlertEvent& event);
    // The settings window's "Send Test Mail".
    void w1_TestMail();

    // The recipient list of the three recipient fields: "<a>;<b>".
    QString recipientList() const;
    // The argument list handed to the mail tool for a body: 14 items, 23 with POP before
    // SMTP, and the SMTP security, CA file and sign-in options only when they are set.
    QStringList mailArguments(const QString& body) const;
    QString mailBody(const AlertEvent& event, const QString& timeText) const;

signals:
    void mailFinished(bool ok);

private:
    QString locateMailTool() const;
    // The status line's text for a test mail the tool did not send, from its exit status.
    QString testMailFailureText(int exitCode) const;

    SettingsForm& _form;
    const OptionFlags& _flags;
    Config _config;
    AlertOutcomeLog _log;
    WindowPresenter* _windows = nullptr;
    bool _testMailRunning = false; // a test mail is on its way: the button starts no second one
};
