// Mail through the companion tool popbsmtp: the texts of the settings window as they are at
// the moment of sending, the whole mail on the tool's command line except the password,
// which goes to its standard input ("-p -"). The outcome is the tool's success sentence
// alone. The tool is the configured path, else the first executable popbsmtp in
// ../libexec/tamro-raid-monitor, ../libexec or ./libexec beside the program. A missing tool,
// one that cannot start, and one still running at the mail time limit (then stopped) all
// count as a failed sending.
#include "actions/processrunner.h"
#include "actions/secretbytes.h"
#include "app/appcontroller.h"
#include "util/timetext.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTimeZone>

namespace {

const QString kSuccessSentence = QStringLiteral("Email was sent successfully!");

// Stands in the password's place on the command line: the tool then reads it from its
// standard input.
const QString kPasswordFromInput = QStringLiteral("-");

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

bool AppController::sendMail(int test, int index)
{
    const QString body = mailBody(test, index, ctimeTextNow());
    const QStringList arguments = mailArguments(body);
    const bool withPassword = _form.isChecked(SettingsForm::Box::POPbSMTP);
    const SecretBytes password(withPassword ? _form.text(SettingsForm::Text::Password) : QString());
    const QString tool = _config.mailToolPath.isEmpty() ? locateMailTool() : _config.mailToolPath;

    bool sent = false;
    const QFileInfo toolInfo(tool);
    if (tool.isEmpty() || !toolInfo.isFile() || !toolInfo.isExecutable()) {
        qCWarning(lcActions) << "mail tool not found:"
                             << (tool.isEmpty() ? QStringLiteral("popbsmtp") : tool);
    } else {
        ProcessRequest request;
        request.program = toolInfo.absoluteFilePath();
        request.arguments = arguments;
        if (withPassword)
            request.inputLine = password.view();
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
        const QString complaint = QString::fromLocal8Bit(outcome.standardError).trimmed();
        if (!sent && outcome.ended() && !complaint.isEmpty())
            qCInfo(lcActions).noquote() << "mail not sent:" << complaint;
    }

    if (test != 0) {
        _form.setText(SettingsForm::Text::MailStatus,
                      sent ? qtTrId("MSG_TestMailSuccess") : qtTrId("MSG_TestMailFail"));
    } else if (_flags._isMakeLog) {
        writeCSVFile(sent ? qtTrId("MSG_MailSuccess") : qtTrId("MSG_MailFail"), index);
    }
    emit mailFinished(sent);
    return sent;
}

void AppController::w1_TestMail()
{
    // The text being typed counts as the field's text.
    if (_windows)
        _windows->commitSettingsEditing();
    sendMail(1, 0);
}
