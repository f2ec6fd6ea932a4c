// SPDX-License-Identifier: GPL-3.0-or-later
// The tool is the configured path, else the first executable popbsmtp in
// ../libexec/tamro-raid-monitor, ../libexec or ./libexec beside the program. A missing tool,
// one that cannot start, and one still running at the mail time limit (then stopped) all
// count as a failed sending.
#include "alerts/mailchannel.h"

#include "actions/processrunner.h"
#include "platform/logging.h"
#include "platform/ports.h"
#include "settings/optionflags.h"
#include "settings/settingsform.h"
#include "util/controltext.h"
#include "util/secretbytes.h"
#include "util/timetext.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTimeZone>

#include <vector>

namespace {

const QString kSuccessSentence = QStringLiteral("Email was sent successfully!");

// Stands in the password's place on the command line: the tool then reads it from its
// standard input.
const QString kPasswordFromInput = QStringLiteral("-");

// Today's behaviour, which adds no option to the command line.
const QString kSecurityIfOffered = QStringLiteral("starttls-if-offered");

// The tool's exit statuses for a sending that failed for a known cause; 10 more when it
// failed at the POP3 server (see tools/popbsmtp/README.md).
enum ToolCause {
    kUnreachable = 3,
    kTimedOut = 4,
    kTlsRefused = 5,
    kUntrusted = 6,
    kSignInRefused = 7,
    kRecipientRefused = 8,
    kTlsRequired = 9,
    kRelayRefused = 10,
};
constexpr int kAtPopServer = 10;

} // namespace

MailChannel::MailChannel(SettingsForm& form, const OptionFlags& flags, const Config& config,
                         AlertOutcomeLog log, WindowPresenter* windows, QObject* parent)
    : QObject(parent), _form(form), _flags(flags), _config(config), _log(std::move(log)),
      _windows(windows)
{
}

bool MailChannel::wants(const AlertEvent& event) const
{
    switch (event.kind) {
    case AlertEvent::Kind::RebuildFinished:
        return _flags._isSendRebuildMail;
    case AlertEvent::Kind::Test:
        return true;
    default:
        return _flags._isSendMail;
    }
}

QString MailChannel::recipientList() const
{
    QStringList recipients;
    for (const SettingsForm::Text field :
         {SettingsForm::Text::ToField1, SettingsForm::Text::ToField2,
          SettingsForm::Text::ToField3}) {
        const QString address = _form.text(field);
        if (!address.isEmpty())
            recipients.append(u'<' + address + u'>');
    }
    return recipients.join(u';');
}

QString MailChannel::mailBody(const AlertEvent& event, const QString& timeText) const
{
    QString body;
    switch (event.kind) {
    case AlertEvent::Kind::Test:
        return timeText + u'\n' + qtTrId("MSG_TestMessage");
    case AlertEvent::Kind::RebuildFinished:
        body = timeText + QStringLiteral("\nDeviceName:") + oneVisibleLine(event.name) + u'\n' +
               qtTrId("MSG_EndRebuildMessage");
        break;
    case AlertEvent::Kind::Problem:
        body = timeText + QStringLiteral("\nDeviceName:") + oneVisibleLine(event.name) + u'\n' +
               event.plugText + qtTrId("MSG_DiskCheck");
        break;
    case AlertEvent::Kind::ServiceUnreachable:
        body = timeText + u'\n' + qtTrId("MSG_AlertServiceDown");
        break;
    case AlertEvent::Kind::ServiceReachable:
        body = timeText + u'\n' + qtTrId("MSG_AlertServiceBack");
        break;
    }
    // A reminder says so and since when; held-back alerts are counted.
    if (event.reminder)
        body += u'\n' + alerts::reminderLine(event);
    if (const QString held = alerts::heldBackLine(event); !held.isEmpty())
        body += u'\n' + held;
    return body;
}

QStringList MailChannel::mailArguments(const QString& body) const
{
    using Text = SettingsForm::Text;
    QStringList arguments;
    // Empty texts stay as empty arguments so every value keeps its position.
    if (_form.isChecked(SettingsForm::Box::POPbSMTP)) {
        arguments << QStringLiteral("-b")                                 //
                  << QStringLiteral("-h") << _form.text(Text::POP3Server) //
                  << QStringLiteral("-i") << _form.text(Text::POP3Port)   //
                  << QStringLiteral("-u") << _form.text(Text::Username)   //
                  << QStringLiteral("-p") << kPasswordFromInput;
    }
    // Options of their own, only when set: a settings file without them mails as before.
    const QString security = _form.text(Text::SMTPSecurity);
    if (!security.isEmpty() && security != kSecurityIfOffered)
        arguments << QStringLiteral("--security") << security;
    if (const QString caFile = _form.text(Text::SMTPCAFile); !caFile.isEmpty())
        arguments << QStringLiteral("--cacert") << caFile;
    if (_form.isChecked(SettingsForm::Box::SMTPAuth)) {
        arguments << QStringLiteral("--smtp-user") << _form.text(Text::SMTPUser)
                  << QStringLiteral("--smtp-password") << kPasswordFromInput;
    }
    const QString zone = QTimeZone::systemTimeZone().abbreviation(QDateTime::currentDateTime());
    arguments << QStringLiteral("-j") << _form.text(Text::SMTPServer) //
              << QStringLiteral("-k") << _form.text(Text::SMTPPort)   //
              << QStringLiteral("-f") << _form.text(Text::FromField)  //
              << QStringLiteral("-t") << recipientList()              //
              << QStringLiteral("-s") << oneVisibleLine(_form.text(Text::SubjectField))
              << QStringLiteral("-z")
              << zone //
              // The body keeps its own line breaks; a name's line breaks and other control
              // characters cannot make lines of their own or reach a terminal raw.
              << QStringLiteral("-m") << visibleControls(body, u"\n");
    return arguments;
}

QString MailChannel::locateMailTool() const
{
    const QString dir = QCoreApplication::applicationDirPath();
    for (const char* relative :
         {"/../libexec/tamro-raid-monitor/popbsmtp", "/../libexec/popbsmtp", "/libexec/popbsmtp"}) {
        const QFileInfo candidate(QDir::cleanPath(dir + QLatin1String(relative)));
        if (candidate.isFile() && candidate.isExecutable())
            return candidate.absoluteFilePath();
    }
    return QString();
}

QString MailChannel::testMailFailureText(int exitCode) const
{
    const bool atPop = exitCode > kAtPopServer;
    const QString host =
        _form.text(atPop ? SettingsForm::Text::POP3Server : SettingsForm::Text::SMTPServer);
    switch (atPop ? exitCode - kAtPopServer : exitCode) {
    case kUnreachable:
        return qtTrId("MSG_MailFailUnreachable") + u' ' + host;
    case kTimedOut:
        return qtTrId("MSG_MailFailTimeout") + u' ' + host;
    case kTlsRefused:
        return qtTrId("MSG_MailFailTLS") + u' ' + host;
    case kUntrusted:
        return qtTrId("MSG_MailFailCertificate") + u' ' + host;
    case kSignInRefused:
        return qtTrId("MSG_MailFailSignIn") + u' ' + host;
    case kRecipientRefused:
        return qtTrId("MSG_MailFailRecipient");
    case kTlsRequired:
        return qtTrId("MSG_MailFailTLSRequired") + u' ' + host;
    case kRelayRefused:
        return qtTrId("MSG_MailFailRelay") + u' ' + host;
    default:
        return qtTrId("MSG_TestMailFail");
    }
}

bool MailChannel::sendMail(const AlertEvent& event)
{
    const bool test = event.kind == AlertEvent::Kind::Test;
    const QString body = mailBody(event, ctimeTextNow());
    const QStringList arguments = mailArguments(body);
    const bool withPopPassword = _form.isChecked(SettingsForm::Box::POPbSMTP);
    const bool withSmtpPassword = _form.isChecked(SettingsForm::Box::SMTPAuth);
    const SecretBytes popPassword(withPopPassword ? _form.text(SettingsForm::Text::Password)
                                                  : QString());
    const SecretBytes smtpPassword(withSmtpPassword ? _form.text(SettingsForm::Text::SMTPPassword)
                                                    : QString());
    const QString tool = _config.toolPath.isEmpty() ? locateMailTool() : _config.toolPath;

    bool sent = false;
    int exitCode = -1;
    const QFileInfo toolInfo(tool);
    if (tool.isEmpty() || !toolInfo.isFile() || !toolInfo.isExecutable()) {
        qCWarning(lcActions) << "mail tool not found:"
                             << (tool.isEmpty() ? QStringLiteral("popbsmtp") : tool);
    } else {
        ProcessRequest request;
        request.program = toolInfo.absoluteFilePath();
        request.arguments = arguments;
        // One line each, in the order the tool reads them.
        if (withPopPassword)
            request.inputLines.push_back(popPassword.view());
        if (withSmtpPassword)
            request.inputLines.push_back(smtpPassword.view());
        request.timeoutMs = _config.timeoutMs;
        const ProcessOutcome outcome = ProcessRunner::runInEventLoop(request);
        if (!outcome.started)
            qCWarning(lcActions) << "mail tool could not be started:" << request.program;
        else if (outcome.timedOut)
            qCWarning(lcActions) << "mail tool still running after" << request.timeoutMs
                                 << "ms: stopped";
        else if (outcome.abandoned)
            qCWarning(lcActions) << "mail tool stopped: the wait was ended";
        // The tool's word alone decides; its exit status is not examined.
        sent = outcome.ended() &&
               QString::fromLocal8Bit(outcome.standardOutput).contains(kSuccessSentence);
        if (outcome.ended())
            exitCode = outcome.exitCode;
        const QString complaint = QString::fromLocal8Bit(outcome.standardError).trimmed();
        if (!sent && outcome.ended() && !complaint.isEmpty())
            qCInfo(lcActions).noquote() << "mail not sent:" << complaint;
    }

    if (test) {
        _form.setText(SettingsForm::Text::MailStatus,
                      sent ? qtTrId("MSG_TestMailSuccess") : testMailFailureText(exitCode));
    } else if (_flags._isMakeLog && _log) {
        _log(sent ? qtTrId("MSG_MailSuccess") : qtTrId("MSG_MailFail"), event);
    }
    emit mailFinished(sent);
    return sent;
}

void MailChannel::w1_TestMail()
{
    // The window stays usable while the tool runs: a second press then starts nothing.
    if (_testMailRunning)
        return;
    _testMailRunning = true;
    const auto done = qScopeGuard([this] { _testMailRunning = false; });
    // The text being typed counts as the field's text.
    if (_windows)
        _windows->commitSettingsEditing();
    _form.setText(SettingsForm::Text::MailStatus, qtTrId("MSG_TestMailSending"));
    AlertEvent test;
    test.kind = AlertEvent::Kind::Test;
    sendMail(test);
}
