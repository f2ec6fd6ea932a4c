// SPDX-License-Identifier: GPL-3.0-or-later
// Mail sending against a stand-in mail tool: a shell script that records its arguments, its
// own command line as the system shows it, and what it read on standard input, then prints
// and exits as the test tells it.
#include "alerts/mailchannel.h"
#include "app/appcontroller.h"
#include "fakemodal.h"
#include "platform/modalgate.h"
#include "settings/defaultsstore.h"
#include "settings/eventlogactions.h"
#include "settings/scramble.h"
#include "settings/secretkeeper.h"
#include "testfiles.h"
#include "testmain.h"
#include "util/timetext.h"

#include <QDateTime>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <memory>

#include <sys/types.h>

namespace {

using tamro::test::readFile;
using tamro::test::splitNul;
using tamro::test::writeFile;

const QString kPassword = QStringLiteral("s3cret pass;word");
const QByteArray kSuccess = QByteArrayLiteral("Email was sent successfully!");

AlertEvent testMail()
{
    AlertEvent event;
    event.kind = AlertEvent::Kind::Test;
    return event;
}

} // namespace

class TestMail : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void recipientList_data();
    void recipientList();
    void popBoxCheckedButNotSavedAddsPopArguments();
    void argumentsFromTheStoreAtLaunch_data();
    void argumentsFromTheStoreAtLaunch();
    void savedPopFlagAloneAddsNothing();
    void passwordOnlyOnStandardInput();
    void body_data();
    void body();
    void outcome_data();
    void outcome();
    void notificationLog_data();
    void notificationLog();
    void testMailNeverLogs_data();
    void testMailNeverLogs();
    void hangingToolIsStopped();
    void unusableTool_data();
    void unusableTool();
    void eventLoopTurnsWhileToolRuns();
    void secondTestMailWhileOneRuns();

private:
    QString path(const QString& name) const { return _dir->filePath(name); }
    void makeController(const QString& toolPath, int mailTimeoutMs = 30000);
    void fillForm();
    // The arguments the stand-in tool received.
    QStringList toolArguments() const { return splitNul(readFile(path(QStringLiteral("args")))); }
    QString argumentAfter(const QString& option) const;
    void setToolReply(const QByteArray& out, const QByteArray& err, int exitCode);

    std::unique_ptr<QTemporaryDir> _dir;
    std::unique_ptr<DefaultsStore> _store;
    std::unique_ptr<FakeModal> _modal;
    std::unique_ptr<AppController> _c;
    QString _tool;
};

void TestMail::init()
{
    _dir = std::make_unique<QTemporaryDir>();
    QVERIFY(_dir->isValid());
    _store = std::make_unique<DefaultsStore>(path(QStringLiteral("defaults.ini")));
    _modal = std::make_unique<FakeModal>();

    // The stand-in tool. Files in its folder steer it: "out", "err" and "code" are its reply,
    // "waitfor" names a file to wait for, "hang" makes it run on.
    const QString d = _dir->path();
    const QByteArray script = "#!/bin/sh\n"
                              "D='" +
                              d.toLocal8Bit() +
                              "'\n"
                              "echo $$ > \"$D/pid\"\n"
                              "echo run >> \"$D/runs\"\n"
                              ": > \"$D/args\"\n"
                              "for a in \"$@\"; do printf '%s\\0' \"$a\" >> \"$D/args\"; done\n"
                              "cat /proc/$$/cmdline > \"$D/cmdline\"\n"
                              "cat > \"$D/stdin\"\n"
                              "if [ -f \"$D/waitfor\" ]; then\n"
                              "  i=0\n"
                              "  while [ ! -f \"$(cat \"$D/waitfor\")\" ] && [ $i -lt 3000 ]; do\n"
                              "    sleep 0.01; i=$((i+1))\n"
                              "  done\n"
                              "fi\n"
                              "[ -f \"$D/hang\" ] && exec sleep 60\n"
                              "[ -f \"$D/out\" ] && cat \"$D/out\"\n"
                              "[ -f \"$D/err\" ] && cat \"$D/err\" >&2\n"
                              "exit $(cat \"$D/code\" 2>/dev/null || echo 0)\n";
    _tool = path(QStringLiteral("popbsmtp"));
    QVERIFY(writeFile(_tool, script));
    QVERIFY(QFile::setPermissions(_tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    setToolReply(kSuccess + '\n', QByteArray(), 0);
    makeController(_tool);
}

void TestMail::cleanup()
{
    _c.reset();
    _modal.reset();
    _store.reset();
    _dir.reset();
}

void TestMail::makeController(const QString& toolPath, int mailTimeoutMs)
{
    _c.reset();
    const ControllerConfig config =
        actionsTestConfig(_store.get(), _modal.get(), toolPath,
                          path(QStringLiteral("no-sudo-here")), mailTimeoutMs, 10000);
    _c = std::make_unique<AppController>(config);
    fillForm();
}

void TestMail::fillForm()
{
    using Text = SettingsForm::Text;
    SettingsForm& form = _c->form();
    form.setText(Text::SMTPServer, QStringLiteral("smtp.example.test"));
    form.setText(Text::SMTPPort, QStringLiteral("2525"));
    form.setText(Text::FromField, QStringLiteral("monitor@example.test"));
    form.setText(Text::ToField1, QStringLiteral("admin@example.test"));
    form.setText(Text::SubjectField, QStringLiteral("RAID"));
    form.setText(Text::POP3Server, QStringLiteral("pop.example.test"));
    form.setText(Text::POP3Port, QStringLiteral("1110"));
    form.setText(Text::Username, QStringLiteral("monitor"));
    form.setText(Text::Password, kPassword);
    form.setText(Text::LogFilePath, path(QStringLiteral("events.csv")));
}

QString TestMail::argumentAfter(const QString& option) const
{
    const QStringList args = toolArguments();
    const qsizetype at = args.indexOf(option);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : QStringLiteral("<missing>");
}

void TestMail::setToolReply(const QByteArray& out, const QByteArray& err, int exitCode)
{
    QVERIFY(writeFile(path(QStringLiteral("out")), out));
    QVERIFY(writeFile(path(QStringLiteral("err")), err));
    QVERIFY(writeFile(path(QStringLiteral("code")), QByteArray::number(exitCode)));
}

void TestMail::recipientList_data()
{
    QTest::addColumn<QString>("to1");
    QTest::addColumn<QString>("to2");
    QTest::addColumn<QString>("to3");
    QTest::addColumn<QString>("expected");
    QTest::newRow("fields 1 and 3") << "a@x.test"
                                    << ""
                                    << "c@x.test"
                                    << "<a@x.test>;<c@x.test>";
    QTest::newRow("only field 3") << ""
                                  << ""
                                  << "c@x.test"
                                  << "<c@x.test>";
    QTest::newRow("none") << ""
                          << ""
                          << ""
                          << "";
    QTest::newRow("all three") << "a@x.test"
                               << "b@x.test"
                               << "c@x.test"
                               << "<a@x.test>;<b@x.test>;<c@x.test>";
    QTest::newRow("blank is not empty") << " "
                                        << ""
                                        << ""
                                        << "< >";
}

void TestMail::recipientList()
{
    QFETCH(QString, to1);
    QFETCH(QString, to2);
    QFETCH(QString, to3);
    QFETCH(QString, expected);
    _c->form().setText(SettingsForm::Text::ToField1, to1);
    _c->form().setText(SettingsForm::Text::ToField2, to2);
    _c->form().setText(SettingsForm::Text::ToField3, to3);

    QVERIFY(_c->mail().sendMail(testMail()));
    // The list is one argument, passed even when empty, so the positions stay fixed.
    QCOMPARE(toolArguments().size(), 14);
    QCOMPARE(argumentAfter(QStringLiteral("-t")), expected);
}

void TestMail::popBoxCheckedButNotSavedAddsPopArguments()
{
    _c->flags()._isPOPbSMTP = false;
    _c->form().setChecked(SettingsForm::Box::POPbSMTP, true);
    _c->form().setText(SettingsForm::Text::SubjectField, QString());

    QVERIFY(_c->mail().sendMail(testMail()));
    const QStringList args = toolArguments();
    QCOMPARE(args.size(), 23);
    const QStringList head{"-b",
                           "-h",
                           "pop.example.test",
                           "-i",
                           "1110",
                           "-u",
                           "monitor",
                           "-p",
                           "-",
                           "-j",
                           "smtp.example.test",
                           "-k",
                           "2525",
                           "-f",
                           "monitor@example.test",
                           "-t",
                           "<admin@example.test>",
                           "-s",
                           ""};
    QCOMPARE(args.mid(0, head.size()), head);
    QCOMPARE(args.at(19), QStringLiteral("-z"));
    QCOMPARE(args.at(21), QStringLiteral("-m"));
    QCOMPARE(readFile(path(QStringLiteral("stdin"))), kPassword.toLocal8Bit() + '\n');
}

void TestMail::argumentsFromTheStoreAtLaunch_data()
{
    QTest::addColumn<QVariantMap>("stored");       // values in the settings file
    QTest::addColumn<QString>("smtpPassword");     // kept in the settings file; empty: none
    QTest::addColumn<QStringList>("before");       // the arguments before "-j"
    QTest::addColumn<QByteArray>("standardInput"); // the passwords, one line each

    const QVariantMap today{
        {"SMTPServer", "smtp.example.test"},   {"SMTPPort", "587"},
        {"FromField", "monitor@example.test"}, {"ToField1", "admin@example.test"},
        {"POP3Server", "pop.example.test"},    {"Username", "pop-user"}};
    const auto with = [&](const QVariantMap& more) {
        QVariantMap m = today;
        for (auto it = more.cbegin(); it != more.cend(); ++it)
            m.insert(it.key(), it.value());
        return m;
    };
    const QStringList pop{"-b", "-h", "pop.example.test", "-i", "110", "-u", "pop-user", "-p", "-"};
    // A settings file of today's version mails exactly as before.
    QTest::newRow("today's settings: 14 arguments") << today << "" << QStringList() << QByteArray();
    // Fresh start, the settings window never opened.
    QTest::newRow("POP before SMTP from launch: 23 arguments")
        << with({{"POPbSMTP", true}}) << "" << pop << QByteArray("\n");
    QTest::newRow("required STARTTLS, own CA, sign-in")
        << with({{"SMTPSecurity", "starttls"},
                 {"SMTPCAFile", "/etc/company/ca.pem"},
                 {"SMTPAuth", true},
                 {"SMTPUser", "monitor@example.test"}})
        << "app password 1234" << QStringList{"--security",      "starttls",
                                              "--cacert",        "/etc/company/ca.pem",
                                              "--smtp-user",     "monitor@example.test",
                                              "--smtp-password", "-"}
        << QByteArray("app password 1234\n");
    QTest::newRow("implicit TLS, no sign-in")
        << with({{"SMTPSecurity", "tls"}, {"SMTPUser", "unused"}}) << "unused"
        << QStringList{"--security", "tls"} << QByteArray();
    QTest::newRow("POP and SMTP sign-in: POP3 password first")
        << with({{"POPbSMTP", true}, {"SMTPAuth", true}, {"SMTPUser", "smtp-user"}}) << "smtp pw"
        << (pop + QStringList{"--smtp-user", "smtp-user", "--smtp-password", "-"})
        << QByteArray("\nsmtp pw\n");
}

void TestMail::argumentsFromTheStoreAtLaunch()
{
    QFETCH(QVariantMap, stored);
    QFETCH(QString, smtpPassword);
    QFETCH(QStringList, before);
    QFETCH(QByteArray, standardInput);
    const QString ini = path(QStringLiteral("launch.ini"));
    {
        DefaultsStore store(ini);
        for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
            if (it.value().typeId() == QMetaType::Bool)
                store.setBool(it.key(), it.value().toBool());
            else
                store.setString(it.key(), it.value().toString());
        }
        if (!smtpPassword.isEmpty()) {
            // As the settings file keeps it: 257 scrambled bytes.
            QByteArray field(257, '\0');
            const QByteArray utf8 = smtpPassword.toUtf8();
            std::copy(utf8.cbegin(), utf8.cend(), field.begin());
            scramble(kPasswordSeed, field.constData(), field.data(), 257);
            store.setData(QStringLiteral("SMTPPassword"), field);
        }
        QVERIFY(store.synchronize());
    }
    DefaultsStore store(ini);
    AppController c(actionsTestConfig(&store, _modal.get(), _tool,
                                      path(QStringLiteral("no-sudo-here")), 30000, 10000));
    QVERIFY(c.init());
    c.preferences().loadUserDefaults();

    QVERIFY(c.mail().sendMail(testMail()));
    const QStringList args = toolArguments();
    QCOMPARE(args.mid(0, before.size()), before);
    QCOMPARE(args.mid(before.size()),
             (QStringList{"-j", "smtp.example.test", "-k", "587", "-f", "monitor@example.test",
                          "-t", "<admin@example.test>", "-s", qtTrId("MSG_MailSubject"), "-z",
                          args.value(before.size() + 11), "-m", args.value(before.size() + 13)}));
    QCOMPARE(readFile(path(QStringLiteral("stdin"))), standardInput);
    QVERIFY(!readFile(path(QStringLiteral("cmdline"))).contains("pw"));
}

void TestMail::savedPopFlagAloneAddsNothing()
{
    _c->flags()._isPOPbSMTP = true;
    _c->form().setChecked(SettingsForm::Box::POPbSMTP, false);

    QVERIFY(_c->mail().sendMail(testMail()));
    const QStringList args = toolArguments();
    QCOMPARE(args.size(), 14);
    QCOMPARE(args.first(), QStringLiteral("-j"));
    QVERIFY(!args.contains(QStringLiteral("-p")));
    // Without POP the tool gets no password at all.
    QCOMPARE(readFile(path(QStringLiteral("stdin"))), QByteArray());
}

void TestMail::passwordOnlyOnStandardInput()
{
    _c->form().setChecked(SettingsForm::Box::POPbSMTP, true);

    QVERIFY(_c->mail().sendMail(testMail()));
    // What any user could read from the process list while the tool ran.
    const QByteArray cmdline = readFile(path(QStringLiteral("cmdline")));
    QVERIFY(!cmdline.isEmpty());
    QVERIFY(splitNul(cmdline).contains(_tool));
    QVERIFY(!cmdline.contains(kPassword.toLocal8Bit()));
    QVERIFY(!cmdline.contains("s3cret"));
    QCOMPARE(argumentAfter(QStringLiteral("-p")), QStringLiteral("-"));
    QCOMPARE(readFile(path(QStringLiteral("stdin"))), kPassword.toLocal8Bit() + '\n');
}

void TestMail::body_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("reminder");
    QTest::addColumn<int>("heldBack");
    QTest::addColumn<QString>("expectedAfterTime");
    using Kind = AlertEvent::Kind;
    // A reminder's first report, in the body as the time text.
    const QString since = ctimeText(std::time_t(1700000000));
    // No enclosure is known: the display name is "-", the problem text the localized
    // "Device re-scan did not find any devices." (ids stand for texts without a translator).
    QTest::newRow("test mail") << int(Kind::Test) << false << 0 << "\nMSG_TestMessage";
    QTest::newRow("rebuild finished")
        << int(Kind::RebuildFinished) << false << 0 << "\nDeviceName:-\nMSG_EndRebuildMessage";
    QTest::newRow("problem") << int(Kind::Problem) << false << 0
                             << "\nDeviceName:-\nMSG_DiskInfo4MSG_DiskCheck";
    QTest::newRow("problem, a reminder")
        << int(Kind::Problem) << true << 0
        << "\nDeviceName:-\nMSG_DiskInfo4MSG_DiskCheck\nMSG_AlertReminder " + since;
    QTest::newRow("problem, three held back")
        << int(Kind::Problem) << false << 3
        << "\nDeviceName:-\nMSG_DiskInfo4MSG_DiskCheck\nMSG_AlertsHeldBack 3";
    QTest::newRow("service out of reach")
        << int(Kind::ServiceUnreachable) << false << 0 << "\nMSG_AlertServiceDown";
    QTest::newRow("service back") << int(Kind::ServiceReachable) << false << 0
                                  << "\nMSG_AlertServiceBack";
}

void TestMail::body()
{
    QFETCH(int, kind);
    QFETCH(bool, reminder);
    QFETCH(int, heldBack);
    QFETCH(QString, expectedAfterTime);
    AlertEvent event = _c->pass().enclosureEvent(AlertEvent::Kind(kind), 0);
    event.reminder = reminder;
    event.since = QDateTime::fromSecsSinceEpoch(1700000000);
    event.heldBack = heldBack;

    const std::time_t before = std::time(nullptr);
    QVERIFY(_c->mail().sendMail(event));
    const std::time_t after = std::time(nullptr);

    const QString body = argumentAfter(QStringLiteral("-m"));
    QCOMPARE(toolArguments().last(), body);
    const QString timeText = body.left(24);
    bool timeMatches = false;
    for (std::time_t t = before; t <= after; ++t)
        timeMatches = timeMatches || ctimeText(t) == timeText;
    QVERIFY2(timeMatches, qPrintable(timeText));
    QCOMPARE(body.mid(24), expectedAfterTime);
    QCOMPARE(argumentAfter(QStringLiteral("-z")),
             QTimeZone::systemTimeZone().abbreviation(QDateTime::currentDateTime()));
}

void TestMail::outcome_data()
{
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<QString>("status"); // of a test mail
    const QString ok = QStringLiteral("MSG_TestMailSuccess");
    const QString fail = QStringLiteral("MSG_TestMailFail");
    QTest::newRow("exit 0, nothing printed") << QByteArray() << QByteArray() << 0 << false << fail;
    QTest::newRow("exit 1, sentence printed") << kSuccess + '\n' << QByteArray() << 1 << true << ok;
    QTest::newRow("sentence amid other lines") << "connecting\n" + kSuccess + "\nbye\n"
                                               << QByteArray() << 0 << true << ok;
    QTest::newRow("sentence on standard error only")
        << QByteArray() << kSuccess << 0 << false << fail;
    QTest::newRow("sentence cut short")
        << QByteArray("Email was sent") << QByteArray() << 0 << false << fail;
    // The exit status carries the cause of a failure; the reason on standard error is free
    // text and decides nothing.
    const QByteArray reason("popbsmtp: sign-in refused\n");
    QTest::newRow("1: another cause") << QByteArray() << reason << 1 << false << fail;
    QTest::newRow("2: unusable settings") << QByteArray() << reason << 2 << false << fail;
    QTest::newRow("3: SMTP server not reachable")
        << QByteArray() << reason << 3 << false << "MSG_MailFailUnreachable smtp.example.test";
    QTest::newRow("4: timed out") << QByteArray() << reason << 4 << false
                                  << "MSG_MailFailTimeout smtp.example.test";
    QTest::newRow("5: TLS refused")
        << QByteArray() << reason << 5 << false << "MSG_MailFailTLS smtp.example.test";
    QTest::newRow("6: certificate not trusted")
        << QByteArray() << reason << 6 << false << "MSG_MailFailCertificate smtp.example.test";
    QTest::newRow("7: sign-in refused")
        << QByteArray() << QByteArray() << 7 << false << "MSG_MailFailSignIn smtp.example.test";
    QTest::newRow("8: recipient refused")
        << QByteArray() << reason << 8 << false << "MSG_MailFailRecipient";
    QTest::newRow("13: POP3 server not reachable")
        << QByteArray() << reason << 13 << false << "MSG_MailFailUnreachable pop.example.test";
    QTest::newRow("17: POP3 sign-in refused")
        << QByteArray() << reason << 17 << false << "MSG_MailFailSignIn pop.example.test";
    QTest::newRow("6 but the sentence printed") << kSuccess << QByteArray() << 6 << true << ok;
}

void TestMail::outcome()
{
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    QFETCH(int, exitCode);
    QFETCH(bool, sent);
    QFETCH(QString, status);
    setToolReply(out, err, exitCode);
    QSignalSpy finished(&_c->mail(), &MailChannel::mailFinished);

    _c->mail().w1_TestMail();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toBool(), sent);
    QCOMPARE(_c->form().text(SettingsForm::Text::MailStatus), status);
    QCOMPARE(_c->mail().sendMail(testMail()), sent);
    // A notification logs the texts it always has, whatever the cause.
    _c->eventLogActions().readCSVFile();
    _c->flags()._isMakeLog = true;
    QCOMPARE(_c->mail().sendMail(_c->pass().enclosureEvent(AlertEvent::Kind::Problem, 0)), sent);
    QCOMPARE(_c->eventLog().field(0, 3),
             sent ? QStringLiteral("MSG_MailSuccess") : QStringLiteral("MSG_MailFail"));
}

void TestMail::notificationLog_data()
{
    QTest::addColumn<bool>("makeLog");
    QTest::addColumn<bool>("succeed");
    QTest::addColumn<QString>("logged");
    QTest::newRow("log on, sent") << true << true << "MSG_MailSuccess";
    QTest::newRow("log on, failed") << true << false << "MSG_MailFail";
    QTest::newRow("log off, sent") << false << true << "";
    QTest::newRow("log off, failed") << false << false << "";
}

void TestMail::notificationLog()
{
    QFETCH(bool, makeLog);
    QFETCH(bool, succeed);
    QFETCH(QString, logged);
    _c->eventLogActions().readCSVFile();
    const QStringList before = _c->eventLog().entries();
    _c->flags()._isMakeLog = makeLog;
    setToolReply(succeed ? kSuccess : QByteArray(), QByteArray(), 0);
    const QString status = QStringLiteral("untouched");
    _c->form().setText(SettingsForm::Text::MailStatus, status);

    QCOMPARE(_c->mail().sendMail(_c->pass().enclosureEvent(AlertEvent::Kind::Problem, 0)), succeed);
    QCOMPARE(_c->form().text(SettingsForm::Text::MailStatus), status);
    if (logged.isEmpty()) {
        QCOMPARE(_c->eventLog().entries(), before);
        QVERIFY(!QFile::exists(path(QStringLiteral("events.csv"))));
    } else {
        QCOMPARE(_c->eventLog().entries().size(), before.size() + 1);
        QCOMPARE(_c->eventLog().field(0, 1), QStringLiteral("-"));
        QCOMPARE(_c->eventLog().field(0, 2), QStringLiteral("-"));
        QCOMPARE(_c->eventLog().field(0, 3), logged);
        QVERIFY(readFile(path(QStringLiteral("events.csv"))).contains(logged.toUtf8()));
    }
}

void TestMail::testMailNeverLogs_data()
{
    QTest::addColumn<bool>("succeed");
    QTest::newRow("sent") << true;
    QTest::newRow("failed") << false;
}

void TestMail::testMailNeverLogs()
{
    QFETCH(bool, succeed);
    _c->eventLogActions().readCSVFile();
    const QStringList before = _c->eventLog().entries();
    _c->flags()._isMakeLog = true;
    setToolReply(succeed ? kSuccess : QByteArray("535 authentication failed\n"), QByteArray(), 0);

    QCOMPARE(_c->mail().sendMail(testMail()), succeed);
    QCOMPARE(_c->form().text(SettingsForm::Text::MailStatus),
             succeed ? QStringLiteral("MSG_TestMailSuccess") : QStringLiteral("MSG_TestMailFail"));
    QCOMPARE(_c->eventLog().entries(), before);
    QVERIFY(!QFile::exists(path(QStringLiteral("events.csv"))));
}

void TestMail::hangingToolIsStopped()
{
    makeController(_tool, 300);
    QVERIFY(writeFile(path(QStringLiteral("hang")), "1"));
    QSignalSpy finished(&_c->mail(), &MailChannel::mailFinished);

    QVERIFY(!_c->mail().sendMail(testMail()));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toBool(), false);
    QCOMPARE(_c->form().text(SettingsForm::Text::MailStatus), QStringLiteral("MSG_TestMailFail"));
    // The tool has been stopped and reaped, not left behind.
    const pid_t pid = pid_t(readFile(path(QStringLiteral("pid"))).trimmed().toInt());
    QVERIFY(pid > 0);
    errno = 0;
    QCOMPARE(::kill(pid, 0), -1);
    QCOMPARE(errno, ESRCH);
}

void TestMail::unusableTool_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("not executable") << "plain file";
    QTest::newRow("a folder") << "folder";
    QTest::newRow("bad interpreter") << "bad interpreter";
}

void TestMail::unusableTool()
{
    QFETCH(QString, kind);
    QString tool = path(QStringLiteral("unusable"));
    if (kind == QLatin1String("plain file")) {
        QVERIFY(writeFile(tool, "#!/bin/sh\necho 'Email was sent successfully!'\n"));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(tool));
    } else if (kind == QLatin1String("bad interpreter")) {
        QVERIFY(writeFile(tool, "#!/nonexistent/interpreter\nEmail was sent successfully!\n"));
        QVERIFY(QFile::setPermissions(tool, QFile::ReadOwner | QFile::ExeOwner));
    }
    makeController(tool);
    _c->eventLogActions().readCSVFile();
    _c->flags()._isMakeLog = true;
    QSignalSpy finished(&_c->mail(), &MailChannel::mailFinished);

    QVERIFY(!_c->mail().sendMail(testMail()));
    QCOMPARE(_c->form().text(SettingsForm::Text::MailStatus), QStringLiteral("MSG_TestMailFail"));
    QVERIFY(!_c->mail().sendMail(_c->pass().enclosureEvent(AlertEvent::Kind::Problem, 0)));
    QCOMPARE(finished.size(), 2);
    QCOMPARE(finished.at(1).first().toBool(), false);
    QCOMPARE(_c->eventLog().field(0, 3), QStringLiteral("MSG_MailFail"));
}

void TestMail::eventLoopTurnsWhileToolRuns()
{
    // The tool finishes only after a timer of this process has created the file it waits
    // for: the mail can only succeed if the event loop turned during the wait.
    const QString flag = path(QStringLiteral("timer-fired"));
    QVERIFY(writeFile(path(QStringLiteral("waitfor")), flag.toLocal8Bit()));
    bool fired = false;
    bool modalWhileFiring = true;
    QTimer::singleShot(20, this, [&] {
        fired = true;
        modalWhileFiring = ModalGate::instance().isModal();
        writeFile(flag, "1");
    });

    QVERIFY(_c->mail().sendMail(testMail()));
    QVERIFY(fired);
    QVERIFY(!modalWhileFiring);
}

// The settings window stays usable while the tool runs; a second press of "Send Test Mail"
// then starts no second tool.
void TestMail::secondTestMailWhileOneRuns()
{
    const QString flag = path(QStringLiteral("second-press-done"));
    QVERIFY(writeFile(path(QStringLiteral("waitfor")), flag.toLocal8Bit()));
    QString statusWhileRunning;
    QTimer::singleShot(20, this, [&] {
        statusWhileRunning = _c->form().text(SettingsForm::Text::MailStatus);
        _c->mail().w1_TestMail();
        writeFile(flag, "1");
    });

    _c->mail().w1_TestMail();
    QCOMPARE(statusWhileRunning, QStringLiteral("MSG_TestMailSending"));
    QCOMPARE(readFile(path(QStringLiteral("runs"))), QByteArray("run\n"));
    QCOMPARE(_c->form().text(SettingsForm::Text::MailStatus),
             QStringLiteral("MSG_TestMailSuccess"));
    // Once it has ended, the button sends again.
    _c->mail().w1_TestMail();
    QCOMPARE(readFile(path(QStringLiteral("runs"))), QByteArray("run\nrun\n"));
}

TAMRO_TEST_GUILESS_MAIN(TestMail)
#include "test_mail.moc"
