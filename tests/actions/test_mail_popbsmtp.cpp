// A test mail through the real popbsmtp to POP3 and SMTP responders on loopback sockets of
// this very process: they can only answer while the monitor waits for the tool if that wait
// keeps the event loop turning. Proves the command line and the password hand-over match
// what the tool expects.
#include "app/appcontroller.h"
#include "fakemodal.h"
#include "settings/defaultsstore.h"
#include "testmain.h"

#include <QFileInfo>
#include <QHostAddress>
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

private:
    QString _tool;
};

void TestMailPopbsmtp::initTestCase()
{
    _tool = qEnvironmentVariable("TAMRO_BUILD_DIR") + QStringLiteral("/libexec/popbsmtp");
    if (!QFileInfo(_tool).isExecutable())
        QSKIP("popbsmtp has not been built");
    qputenv("POPBSMTP_TIMEOUT", "20");
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

    c.w1_TestMail();

    QVERIFY(pop.lines.contains("USER monitor"));
    QVERIFY(pop.lines.contains("PASS " + password.toUtf8()));
    if (popAccepts) {
        QCOMPARE(form.text(Text::MailStatus), QStringLiteral("MSG_TestMailSuccess"));
        QVERIFY(smtp.lines.contains("RCPT TO:<a@example.test>"));
        QVERIFY(smtp.lines.contains("RCPT TO:<c@example.test>"));
        QVERIFY(smtp.message.contains("MSG_TestMessage"));
    } else {
        QCOMPARE(form.text(Text::MailStatus), QStringLiteral("MSG_TestMailFail"));
        QVERIFY(smtp.message.isEmpty());
    }
}

TAMRO_TEST_GUILESS_MAIN(TestMailPopbsmtp)
#include "test_mail_popbsmtp.moc"
