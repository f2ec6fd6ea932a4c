// SPDX-License-Identifier: GPL-3.0-or-later
// A test mail through the real popbsmtp: to POP3 and SMTP responders on loopback sockets of
// this very process (they can only answer while the monitor waits for the tool if that wait
// keeps the event loop turning), and to the test mail server on aiosmtpd with required
// STARTTLS, sign-in and a throw-away CA. Proves the command line and the password hand-over
// match what the tool expects, and that the settings window says why a mail failed.
#include "alerts/mailchannel.h"
#include "app/appcontroller.h"
#include "fakemodal.h"
#include "mailsink.h"
#include "settings/defaultsstore.h"
#include "testmain.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace {

// A line-based responder: a greeting on connect, then one reply per received line. Between
// "DATA" and the lone "." the lines are collected as the message.
class LineServer : public QObject
{
public:
    using Responder = std::function<QByteArray(const QByteArray& line)>;

    LineServer(QByteArray greeting, Responder responder)
        : _greeting(std::move(greeting)), _responder(std::move(responder))
    {
        connect(&_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = _server.nextPendingConnection())
                serve(socket);
        });
    }

    bool listen() { return _server.listen(QHostAddress::LocalHost); }
    QString port() const { return QString::number(_server.serverPort()); }

    QList<QByteArray> lines; // every command line received
    QByteArray message;      // the DATA part

private:
    void serve(QTcpSocket* socket)
    {
        socket->setParent(this);
        socket->write(_greeting);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine().chopped(2);
                if (_inData) {
                    if (line == ".") {
                        _inData = false;
                        socket->write("250 queued\r\n");
                    } else {
                        message += line + "\r\n";
                    }
                    continue;
                }
                lines.append(line);
                if (line.toUpper() == "DATA")
                    _inData = true;
                socket->write(_responder(line));
                if (line.toUpper() == "QUIT")
                    socket->disconnectFromHost();
            }
        });
    }

    QTcpServer _server;
    QByteArray _greeting;
    Responder _responder;
    bool _inData = false;
};

QByteArray smtpReply(const QByteArray& line)
{
    const QByteArray verb = line.left(4).toUpper();
    if (verb == "EHLO")
        return "250-localhost\r\n250 8BITMIME\r\n";
    if (verb == "DATA")
        return "354 go ahead\r\n";
    if (verb == "QUIT")
        return "221 bye\r\n";
    return "250 ok\r\n";
}

} // namespace

class TestMailPopbsmtp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void popBeforeSmtp_data();
    void popBeforeSmtp();
    void securityAndSignIn_data();
    void securityAndSignIn();

private:
    QString _tool;
};

void TestMailPopbsmtp::initTestCase()
{
    _tool = qEnvironmentVariable("TAMRO_BUILD_DIR") + QStringLiteral("/libexec/popbsmtp");
    if (!QFileInfo(_tool).isExecutable())
        QSKIP("popbsmtp has not been built");
    qputenv("POPBSMTP_TIMEOUT", "20");
    qunsetenv("POPBSMTP_CA_FILE"); // the CA comes from the settings or not at all
}

void TestMailPopbsmtp::popBeforeSmtp_data()
{
    QTest::addColumn<bool>("popAccepts");
    QTest::newRow("POP3 login accepted: mail sent") << true;
    QTest::newRow("POP3 login refused: nothing sent") << false;
}

void TestMailPopbsmtp::popBeforeSmtp()
{
    QFETCH(bool, popAccepts);
    const QString password = QStringLiteral("pw with blanks;$(x)'\"");

    LineServer pop("+OK ready\r\n", [&](const QByteArray& line) -> QByteArray {
        const QByteArray verb = line.left(4).toUpper();
        if (verb == "CAPA")
            return "-ERR\r\n";
        if (verb == "PASS" && !popAccepts)
            return "-ERR denied\r\n";
        return "+OK\r\n";
    });
    LineServer smtp("220 localhost ESMTP\r\n", smtpReply);
    QVERIFY(pop.listen());
    QVERIFY(smtp.listen());

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    DefaultsStore store(dir.filePath(QStringLiteral("defaults.ini")));
    FakeModal modal;
    ControllerConfig config;
    config.store = &store;
    config.modal = &modal;
    config.timing.mailTimeoutMs = 60000;
    config.mailToolPath = _tool;
    config.sudoProgram = dir.filePath(QStringLiteral("no-sudo-here"));
    AppController c(config);

    using Text = SettingsForm::Text;
    SettingsForm& form = c.form();
    form.setText(Text::SMTPServer, QStringLiteral("127.0.0.1"));
    form.setText(Text::SMTPPort, smtp.port());
    form.setText(Text::FromField, QStringLiteral("monitor@example.test"));
    form.setText(Text::ToField1, QStringLiteral("a@example.test"));
    form.setText(Text::ToField3, QStringLiteral("c@example.test"));
    form.setText(Text::SubjectField, QStringLiteral("RAID test"));
    form.setText(Text::POP3Server, QStringLiteral("127.0.0.1"));
    form.setText(Text::POP3Port, pop.port());
    form.setText(Text::Username, QStringLiteral("monitor"));
    form.setText(Text::Password, password);
    form.setChecked(SettingsForm::Box::POPbSMTP, true);

    c.mail().w1_TestMail();

    QVERIFY(pop.lines.contains("USER monitor"));
    QVERIFY(pop.lines.contains("PASS " + password.toUtf8()));
    if (popAccepts) {
        QCOMPARE(form.text(Text::MailStatus), QStringLiteral("MSG_TestMailSuccess"));
        QVERIFY(smtp.lines.contains("RCPT TO:<a@example.test>"));
        QVERIFY(smtp.lines.contains("RCPT TO:<c@example.test>"));
        QVERIFY(smtp.message.contains("MSG_TestMessage"));
    } else {
        QCOMPARE(form.text(Text::MailStatus), QStringLiteral("MSG_MailFailSignIn 127.0.0.1"));
        QVERIFY(smtp.message.isEmpty());
    }
}

void TestMailPopbsmtp::securityAndSignIn_data()
{
    QTest::addColumn<QStringList>("sinkOptions");
    QTest::addColumn<QString>("security");
    QTest::addColumn<bool>("implicitPort"); // the server's implicit-TLS listener
    QTest::addColumn<bool>("withCa");       // SMTPCAFile names the server's throw-away CA
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("status"); // w1_MailStatus afterwards
    QTest::addColumn<QByteArray>("smtpLog");

    const QStringList tls{QStringLiteral("--tls"), QStringLiteral("@certdir")};
    const QStringList auth{QStringLiteral("--auth"), QStringLiteral("monitor"),
                           QStringLiteral("app password")};
    const QStringList strict = tls + QStringList{"--require-tls"} + auth;
    const QString sent = QStringLiteral("MSG_TestMailSuccess");
    const QByteArray mail("MAIL monitor@example.test\n");
    QTest::newRow("required STARTTLS, sign-in with PLAIN")
        << (strict + QStringList{"--auth-mechanism", "PLAIN"}) << "starttls" << false << true
        << "app password" << sent << "AUTH PLAIN OK monitor\n" + mail;
    QTest::newRow("required STARTTLS, sign-in with LOGIN")
        << (strict + QStringList{"--auth-mechanism", "LOGIN"}) << "starttls" << false << true
        << "app password" << sent << "AUTH LOGIN OK monitor\n" + mail;
    QTest::newRow("implicit TLS on a port other than 465")
        << (tls + QStringList{"--implicit-tls"} + auth) << "tls" << true << true << "app password"
        << sent << "AUTH PLAIN OK monitor\n" + mail;
    QTest::newRow("STARTTLS required, not offered: nothing sent, reason shown")
        << auth << "starttls" << false << false << "app password"
        << "MSG_MailFailTLS 127.0.0.1" << QByteArray();
    QTest::newRow("wrong password: sign-in refused")
        << strict << "starttls" << false << true << "wrong"
        << "MSG_MailFailSignIn 127.0.0.1" << QByteArray("AUTH PLAIN FAIL monitor\n");
    QTest::newRow("CA not named: certificate not trusted")
        << strict << "starttls" << false << false << "app password"
        << "MSG_MailFailCertificate 127.0.0.1" << QByteArray();
    // The server's own refusals, each shown as what it is.
    QTest::newRow("TLS required first (530), security none: nothing sent, reason shown")
        << strict << "none" << false << true << "app password"
        << "MSG_MailFailTLSRequired 127.0.0.1" << QByteArray();
    QTest::newRow("relaying refused (554): nothing sent, reason shown")
        << (tls + auth + QStringList{"--no-relay", "admin@example.test"}) << "starttls" << false
        << true << "app password"
        << "MSG_MailFailRelay 127.0.0.1"
        << "AUTH PLAIN OK monitor\n" + mail;
}

void TestMailPopbsmtp::securityAndSignIn()
{
    QFETCH(QStringList, sinkOptions);
    QFETCH(QString, security);
    QFETCH(bool, implicitPort);
    QFETCH(bool, withCa);
    QFETCH(QString, password);
    QFETCH(QString, status);
    QFETCH(QByteArray, smtpLog);

    tamro::test::Sink sink;
    START_SINK(sink, sinkOptions);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    DefaultsStore store(dir.filePath(QStringLiteral("defaults.ini")));
    FakeModal modal;
    AppController c(actionsTestConfig(&store, &modal, _tool,
                                      dir.filePath(QStringLiteral("no-sudo-here")), 60000, 10000));
    QVERIFY(c.init());
    c.preferences().loadUserDefaults();

    using Text = SettingsForm::Text;
    SettingsForm& form = c.form();
    form.setText(Text::SMTPServer, QStringLiteral("127.0.0.1"));
    form.setText(Text::SMTPPort, QString::number(implicitPort ? sink.smtpsPort : sink.smtpPort));
    form.setText(Text::FromField, QStringLiteral("monitor@example.test"));
    form.setText(Text::ToField1, QStringLiteral("admin@example.test"));
    form.setText(Text::SMTPSecurity, security);
    form.setText(Text::SMTPCAFile, withCa ? sink.certFile() : QString());
    form.setChecked(SettingsForm::Box::SMTPAuth, true);
    form.setText(Text::SMTPUser, QStringLiteral("monitor"));
    form.setText(Text::SMTPPassword, password);

    c.mail().w1_TestMail();
    QCOMPARE(form.text(Text::MailStatus), status);
    QCOMPARE(sink.smtpLog(), smtpLog);
    const QList<QJsonObject> mails = sink.mails();
    QCOMPARE(mails.size(), status == QLatin1String("MSG_TestMailSuccess") ? 1 : 0);
    for (const QJsonObject& mail : mails) {
        QCOMPARE(mail.value(QLatin1String("tls")).toBool(), true);
        QCOMPARE(mail.value(QLatin1String("auth_login")).toString(), QStringLiteral("monitor"));
    }
}

TAMRO_TEST_GUILESS_MAIN(TestMailPopbsmtp)
#include "test_mail_popbsmtp.moc"
