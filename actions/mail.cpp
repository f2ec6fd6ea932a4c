// Mail through the companion tool popbsmtp: the texts of the settings window as they are at
// the moment of sending, the whole mail on the tool's command line except the passwords,
// which go to its standard input ("-p -", "--smtp-password -"; the POP3 one first). The
// outcome is the tool's success sentence alone; when it is missing, the tool's exit status
// says why, and a test mail shows that reason. The tool is the configured path, else the
// first executable popbsmtp in ../libexec/tamro-raid-monitor, ../libexec or ./libexec beside
// the program. A missing tool, one that cannot start, and one still running at the mail time
// limit (then stopped) all count as a failed sending.
#include "actions/processrunner.h"
#include "actions/secretbytes.h"
#include "app/appcontroller.h"
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
};
constexpr int kAtPopServer = 10;

} // namespace

QString AppController::recipientList() const
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

QString AppController::mailBody(int test, int index, const QString& timeText) const
{
    if (test != 0)
        return timeText + u'\n' + qtTrId("MSG_TestMessage");
    const bool rebuildFinished =
        index >= 0 && index < kSlots && _rebuildPhase.at(std::size_t(index)) == 2;
    if (rebuildFinished)
        return timeText + QStringLiteral("\nDeviceName:") + deviceName(index) + u'\n' +
               qtTrId("MSG_EndRebuildMessage");
    return timeText + QStringLiteral("\nDeviceName:") + deviceName(index) + u'\n' +
           localizedErrorString(index) + qtTrId("MSG_DiskCheck");
}

QStringList AppController::mailArguments(const QString& body) const
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
    arguments << QStringLiteral("-j") << _form.text(Text::SMTPServer)   //
              << QStringLiteral("-k") << _form.text(Text::SMTPPort)     //
              << QStringLiteral("-f") << _form.text(Text::FromField)    //
              << QStringLiteral("-t") << recipientList()                //
              << QStringLiteral("-s") << _form.text(Text::SubjectField) //
              << QStringLiteral("-z") << zone                           //
              << QStringLiteral("-m") << body;
    return arguments;
}

QString AppController::locateMailTool() const
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

QString AppController::testMailFailureText(int exitCode) const
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
    default:
        return qtTrId("MSG_TestMailFail");
    }
}

bool AppController::sendMail(int test, int index)
{
    const QString body = mailBody(test, index, ctimeTextNow());
    const QStringList arguments = mailArguments(body);
    const bool withPopPassword = _form.isChecked(SettingsForm::Box::POPbSMTP);
    const bool withSmtpPassword = _form.isChecked(SettingsForm::Box::SMTPAuth);
    const SecretBytes popPassword(withPopPassword ? _form.text(SettingsForm::Text::Password)
                                                  : QString());
    const SecretBytes smtpPassword(withSmtpPassword ? _form.text(SettingsForm::Text::SMTPPassword)
                                                    : QString());
    const QString tool = _config.mailToolPath.isEmpty() ? locateMailTool() : _config.mailToolPath;

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
        request.timeoutMs = _config.timing.mailTimeoutMs;
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

    if (test != 0) {
        _form.setText(SettingsForm::Text::MailStatus,
                      sent ? qtTrId("MSG_TestMailSuccess") : testMailFailureText(exitCode));
    } else if (_flags._isMakeLog) {
        writeCSVFile(sent ? qtTrId("MSG_MailSuccess") : qtTrId("MSG_MailFail"), index);
    }
    emit mailFinished(sent);
    return sent;
}

void AppController::w1_TestMail()
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
    sendMail(1, 0);
}
