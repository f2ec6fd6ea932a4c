// SPDX-License-Identifier: GPL-3.0-or-later
// popbsmtp end to end: the real tool against a real SMTP server (smtp_sink.py on aiosmtpd),
// a scripted POP3 responder, and loopback servers that never answer.
#include "mailsink.h"
#include "testmain.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString kSuccess = QStringLiteral("Email was sent successfully!\n");
constexpr int kWaitMs = 60000; // upper bound for a hung process, never reached when all is well

struct Result
{
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;
};

Result runTool(const QStringList& args, const QByteArray& input = {},
               const QList<QPair<QString, QString>>& env = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("POPBSMTP_CA_FILE"));
    environment.remove(QStringLiteral("POPBSMTP_TIMEOUT"));
    for (const auto& [name, value] : env)
        environment.insert(name, value);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TAMRO_POPBSMTP), args);
    Result result;
    if (!process.waitForStarted(kWaitMs))
        return result;
    process.write(input);
    process.closeWriteChannel();
    result.finished = process.waitForFinished(kWaitMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// The fourteen arguments the monitor always passes, in its order.
QStringList mailArgs(quint16 smtpPort, const QString& recipients = QStringLiteral("<a@x.test>"),
                     const QString& subject = QStringLiteral("RAID notice"),
                     const QString& body = QStringLiteral("body"),
                     const QString& from = QStringLiteral("monitor@example.org"),
                     const QString& zone = QStringLiteral("CET"))
{
    return {QStringLiteral("-j"), QStringLiteral("127.0.0.1"),
            QStringLiteral("-k"), QString::number(smtpPort),
            QStringLiteral("-f"), from,
            QStringLiteral("-t"), recipients,
            QStringLiteral("-s"), subject,
            QStringLiteral("-z"), zone,
            QStringLiteral("-m"), body};
}

// The five POP before SMTP arguments, before the common ones.
QStringList popArgs(quint16 popPort, const QString& user, const QString& password)
{
    return {QStringLiteral("-b"),
            QStringLiteral("-h"),
            QStringLiteral("127.0.0.1"),
            QStringLiteral("-i"),
            QString::number(popPort),
            QStringLiteral("-u"),
            user,
            QStringLiteral("-p"),
            password};
}

QStringList toStrings(const QJsonValue& value)
{
    QStringList list;
    const QJsonArray array = value.toArray();
    for (const QJsonValue& item : array)
        list << item.toString();
    return list;
}

QString unixLines(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// A loopback port on which nothing listens.
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

bool isOneErrorLine(const QString& err)
{
    return err.startsWith(QLatin1String("popbsmtp: ")) && err.endsWith(QLatin1Char('\n')) &&
           err.count(QLatin1Char('\n')) == 1;
}

} // namespace

using tamro::test::Sink;

class TestPopbsmtp : public QObject
{
    Q_OBJECT

private slots:
    void delivery();
    void content_data();
    void content();
    void date_data();
    void date();
    void recipients_data();
    void recipients();
    void rejectedRecipient();
    void tls_data();
    void tls();
    void auth_data();
    void auth();
    void securityAndSignIn_data();
    void securityAndSignIn();
    void popBeforeSmtp_data();
    void popBeforeSmtp();
    void silentServer_data();
    void silentServer();
    void commandLine_data();
    void commandLine();
    void help();
};

void TestPopbsmtp::delivery()
{
    Sink sink;
    START_SINK(sink, {});
    const Result r =
        runTool(mailArgs(sink.smtpPort, QStringLiteral("<a@x.test>;<b@y.test>;<c@z.test>"),
                         QStringLiteral("Disk1 lost"), QStringLiteral("one\ntwo"),
                         QStringLiteral("<monitor@example.org>")));
    QVERIFY2(r.finished, qPrintable(r.err));
    QCOMPARE(r.out, kSuccess);
    QCOMPARE(r.err, QString());
    QCOMPARE(r.exitCode, 0);

    const QList<QJsonObject> mails = sink.mails();
    QCOMPARE(mails.size(), 1);
    const QJsonObject m = mails.first();
    QCOMPARE(m.value(QLatin1String("mail_from")).toString(), QStringLiteral("monitor@example.org"));
    QCOMPARE(toStrings(m.value(QLatin1String("rcpt_tos"))),
             QStringList({QStringLiteral("a@x.test"), QStringLiteral("b@y.test"),
                          QStringLiteral("c@z.test")}));
    QCOMPARE(m.value(QLatin1String("from")).toString(), QStringLiteral("monitor@example.org"));
    QCOMPARE(m.value(QLatin1String("to")).toString(),
             QStringLiteral("a@x.test, b@y.test, c@z.test"));
    QCOMPARE(m.value(QLatin1String("subject")).toString(), QStringLiteral("Disk1 lost"));
    QVERIFY(QRegularExpression(QStringLiteral("^<[0-9A-F]{32}\\.\\d+@example\\.org>$"))
                .match(m.value(QLatin1String("message_id")).toString())
                .hasMatch());
    QCOMPARE(m.value(QLatin1String("mime_version")).toString(), QStringLiteral("1.0"));
    QVERIFY(m.value(QLatin1String("content_type"))
                .toString()
                .contains(QLatin1String("text/plain; charset=\"UTF-8\""), Qt::CaseInsensitive));
    QCOMPARE(unixLines(m.value(QLatin1String("body")).toString()), QStringLiteral("one\ntwo\n"));
    QCOMPARE(m.value(QLatin1String("tls")).toBool(), false);

    // Two mails never share a Message-ID.
    QCOMPARE(runTool(mailArgs(sink.smtpPort)).exitCode, 0);
    const QList<QJsonObject> both = sink.mails();
    QCOMPARE(both.size(), 2);
    QVERIFY(both[0].value(QLatin1String("message_id")) !=
            both[1].value(QLatin1String("message_id")));
}

void TestPopbsmtp::content_data()
{
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("expectedSubject");
    QTest::addColumn<QString>("expectedBody");
    QTest::addColumn<bool>("subjectEncoded");

    const QString longGerman =
        QStringLiteral("Festplatte ausgefallen – Gerät «Büro-Speicher» braucht Aufmerksamkeit, "
                       "bitte prüfen: ") +
        QString(40, QChar(0x00e4)) + QStringLiteral(" 日本語のテキスト ✓");
    const QString longAscii = QStringLiteral("Rebuild finished on every enclosure ").repeated(6);
    QTest::newRow("ascii") << "Disk check"
                           << "line 1\nline 2"
                           << "Disk check"
                           << "line 1\nline 2\n"
                           << false;
    QTest::newRow("non-ascii subject and body") << "Gerät «Büro» meldet Fehler"
                                                << "Änderung = nötig\n日本"
                                                << "Gerät «Büro» meldet Fehler"
                                                << "Änderung = nötig\n日本\n"
                                                << true;
    QTest::newRow("long non-ascii subject folded") << longGerman << "x" << longGerman << "x\n"
                                                   << true;
    QTest::newRow("long ascii subject folded") << longAscii << "x" << longAscii << "x\n" << false;
    QTest::newRow("line break in subject is no header") << "alert\r\nBcc: evil@x.test"
                                                        << "x"
                                                        << "alert  Bcc: evil@x.test"
                                                        << "x\n"
                                                        << false;
    QTest::newRow("encoded-word look-alike stays literal") << "=?UTF-8?B?SGk=?="
                                                           << "x"
                                                           << "=?UTF-8?B?SGk=?="
                                                           << "x\n"
                                                           << true;
    QTest::newRow("lines of dots") << "dots"
                                   << "a\n.\n..\n.x\nend"
                                   << "dots"
                                   << "a\n.\n..\n.x\nend\n"
                                   << false;
    QTest::newRow("mixed line ends") << "ends"
                                     << "a\r\nb\rc\nd\n"
                                     << "ends"
                                     << "a\nb\nc\nd\n"
                                     << false;
    QTest::newRow("very long line") << "long" << QString(2500, QLatin1Char('y')) << "long"
                                    << QString(2500, QLatin1Char('y')) + QLatin1Char('\n') << false;
    QTest::newRow("trailing blanks kept") << "blanks"
                                          << "a  \nb\t"
                                          << "blanks"
                                          << "a  \nb\t\n"
                                          << false;
    QTest::newRow("empty subject and body") << ""
                                            << ""
                                            << ""
                                            << "" << false;
}

void TestPopbsmtp::content()
{
    QFETCH(QString, subject);
    QFETCH(QString, body);
    QFETCH(QString, expectedSubject);
    QFETCH(QString, expectedBody);
    QFETCH(bool, subjectEncoded);

    Sink sink;
    START_SINK(sink, {});
    const Result r = runTool(mailArgs(sink.smtpPort, QStringLiteral("<a@x.test>"), subject, body));
    QVERIFY2(r.finished && r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(r.out, kSuccess);
    const QList<QJsonObject> mails = sink.mails();
    QCOMPARE(mails.size(), 1);
    QCOMPARE(mails[0].value(QLatin1String("subject")).toString(), expectedSubject);
    QCOMPARE(unixLines(mails[0].value(QLatin1String("body")).toString()), expectedBody);
    QCOMPARE(toStrings(mails[0].value(QLatin1String("rcpt_tos"))),
             QStringList{QStringLiteral("a@x.test")});

    // On the wire: 7-bit, CR LF, every line within 78 characters, no stray headers.
    const QByteArray raw = sink.raw(1);
    QVERIFY(!raw.isEmpty());
    const QList<QByteArray> lines = raw.split('\n');
    bool inHeader = true;
    for (int i = 0; i < lines.size() - 1; ++i) {
        const QByteArray& line = lines[i];
        QVERIFY2(line.endsWith('\r'), line.constData());
        QVERIFY2(line.size() - 1 <= 78, line.constData());
        for (const char c : line)
            QVERIFY2(static_cast<unsigned char>(c) < 0x80, line.constData());
        if (line == "\r")
            inHeader = false;
        if (inHeader)
            QVERIFY2(!line.startsWith("Bcc:"), line.constData());
    }
    QCOMPARE(raw.contains("Subject: =?UTF-8?B?"), subjectEncoded);
}

void TestPopbsmtp::date_data()
{
    QTest::addColumn<QString>("tz");
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QString>("offsetAndComment");

    QTest::newRow("east, half hour") << "XYZ-5:30"
                                     << "XYZ"
                                     << " +0530 (XYZ)";
    QTest::newRow("west") << "EST5"
                          << "EST"
                          << " -0500 (EST)";
    QTest::newRow("utc, empty zone") << "UTC0"
                                     << ""
                                     << " +0000";
    QTest::newRow("zone that is no comment") << "UTC0"
                                             << "C(E)T\r\nX: y"
                                             << " +0000";
}

void TestPopbsmtp::date()
{
    QFETCH(QString, tz);
    QFETCH(QString, zone);
    QFETCH(QString, offsetAndComment);

    Sink sink;
    START_SINK(sink, {});
    const Result r = runTool(
        mailArgs(sink.smtpPort, QStringLiteral("<a@x.test>"), QStringLiteral("s"),
                 QStringLiteral("b"), QStringLiteral("monitor@example.org"), zone),
        {},
        {{QStringLiteral("TZ"), tz}, {QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8")}});
    QVERIFY2(r.finished && r.exitCode == 0, qPrintable(r.err));
    const QList<QByteArray> lines = sink.raw(1).split('\n');
    QCOMPARE(lines.first().left(6), QByteArray("Date: "));
    const QRegularExpression date(
        QStringLiteral("^Date: (?:Mon|Tue|Wed|Thu|Fri|Sat|Sun), \\d\\d "
                       "(?:Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \\d{4} "
                       "\\d\\d:\\d\\d:\\d\\d( .*)\\r$"));
    const QRegularExpressionMatch match = date.match(QString::fromLatin1(lines.first()));
    QVERIFY2(match.hasMatch(), lines.first().constData());
    QCOMPARE(match.captured(1), offsetAndComment);
    for (const QByteArray& line : lines)
        QVERIFY2(!line.startsWith("X: y"), line.constData());
}

void TestPopbsmtp::recipients_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("expected"); // empty: the tool refuses the list
    QTest::addColumn<QString>("reason");

    QTest::newRow("one") << "<a@x.test>" << QStringList{"a@x.test"} << "";
    QTest::newRow("three") << "<a@x.test>;<b@y.test>;<c@z.test>"
                           << QStringList{"a@x.test", "b@y.test", "c@z.test"} << "";
    QTest::newRow("bare and padded")
        << " a@x.test ; <b@y.test> " << QStringList{"a@x.test", "b@y.test"} << "";
    QTest::newRow("empty items skipped")
        << "<a@x.test>;;<>;<b@y.test>;" << QStringList{"a@x.test", "b@y.test"} << "";
    QTest::newRow("empty list") << "" << QStringList{} << "no recipient";
    QTest::newRow("only separators") << ";;" << QStringList{} << "no recipient";
    QTest::newRow("smuggled command")
        << "<a@x.test>\r\nRCPT TO:<evil@x.test>" << QStringList{} << "recipient";
    QTest::newRow("two addresses in one item")
        << "<a@x.test>, <b@y.test>" << QStringList{} << "recipient";
}

void TestPopbsmtp::recipients()
{
    QFETCH(QString, list);
    QFETCH(QStringList, expected);
    QFETCH(QString, reason);

    Sink sink;
    START_SINK(sink, {});
    const Result r = runTool(mailArgs(sink.smtpPort, list));
    QVERIFY(r.finished);
    if (expected.isEmpty()) {
        QCOMPARE(r.out, QString());
        QVERIFY2(isOneErrorLine(r.err), qPrintable(r.err));
        QVERIFY2(r.err.contains(reason), qPrintable(r.err));
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(sink.mails().size(), 0);
        return;
    }
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(r.out, kSuccess);
    const QList<QJsonObject> mails = sink.mails();
    QCOMPARE(mails.size(), 1);
    QCOMPARE(toStrings(mails[0].value(QLatin1String("rcpt_tos"))), expected);
    QCOMPARE(mails[0].value(QLatin1String("to")).toString(), expected.join(QLatin1String(", ")));
}

// A refused recipient fails the whole sending: success is never claimed for a mail that did
// not reach everybody.
void TestPopbsmtp::rejectedRecipient()
{
    Sink sink;
    START_SINK(sink, (QStringList{QStringLiteral("--reject"), QStringLiteral("gone@x.test")}));
    const Result r =
        runTool(mailArgs(sink.smtpPort, QStringLiteral("<a@x.test>;<gone@x.test>;<b@y.test>")));
    QVERIFY(r.finished);
    QCOMPARE(r.out, QString());
    QCOMPARE(r.exitCode, 8); // a recipient refused
    QVERIFY2(isOneErrorLine(r.err) && r.err.contains(QLatin1String("550")), qPrintable(r.err));
    QCOMPARE(sink.mails().size(), 0);

    // The same server takes a mail for the others.
    const Result ok = runTool(mailArgs(sink.smtpPort, QStringLiteral("<a@x.test>;<b@y.test>")));
    QVERIFY2(ok.exitCode == 0, qPrintable(ok.err));
    QCOMPARE(sink.mails().size(), 1);
}

void TestPopbsmtp::tls_data()
{
    QTest::addColumn<QStringList>("sinkOptions");
    QTest::addColumn<bool>("trustCert");
    QTest::addColumn<bool>("delivered");
    QTest::addColumn<bool>("overTls");

    // Not delivered: the exit status says the certificate is not trusted (6).
    const QStringList tls{QStringLiteral("--tls"), QStringLiteral("@certdir")};
    QTest::newRow("STARTTLS offered is used") << tls << true << true << true;
    QTest::newRow("STARTTLS required")
        << (tls + QStringList{"--require-tls"}) << true << true << true;
    QTest::newRow("untrusted certificate") << tls << false << false << false;
    QTest::newRow("certificate for another name")
        << (tls + QStringList{"--tls-names", "DNS:mail.invalid"}) << true << false << false;
    QTest::newRow("no TLS offered") << QStringList{} << false << true << false;
}

void TestPopbsmtp::tls()
{
    QFETCH(QStringList, sinkOptions);
    QFETCH(bool, trustCert);
    QFETCH(bool, delivered);
    QFETCH(bool, overTls);

    Sink sink;
    START_SINK(sink, sinkOptions);
    QList<QPair<QString, QString>> env;
    if (trustCert)
        env << qMakePair(QStringLiteral("POPBSMTP_CA_FILE"), sink.certFile());
    const Result r = runTool(mailArgs(sink.smtpPort), {}, env);
    QVERIFY(r.finished);
    if (!delivered) {
        QCOMPARE(r.out, QString());
        QCOMPARE(r.exitCode, 6);
        QVERIFY2(isOneErrorLine(r.err), qPrintable(r.err));
        QCOMPARE(sink.mails().size(), 0);
        return;
    }
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(r.out, kSuccess);
    const QList<QJsonObject> mails = sink.mails();
    QCOMPARE(mails.size(), 1);
    QCOMPARE(mails[0].value(QLatin1String("tls")).toBool(), overTls);
}

void TestPopbsmtp::auth_data()
{
    QTest::addColumn<bool>("withTls");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("passwordArg");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("password on stdin") << false << "bob"
                                       << "-" << QByteArray("s3cr3t pw\n") << 0;
    QTest::newRow("stdin with CR LF") << false << "bob"
                                      << "-" << QByteArray("s3cr3t pw\r\n") << 0;
    QTest::newRow("stdin without line end") << false << "bob"
                                            << "-" << QByteArray("s3cr3t pw") << 0;
    QTest::newRow("stdin: first line only") << false << "bob"
                                            << "-" << QByteArray("s3cr3t pw\nnoise\n") << 0;
    QTest::newRow("password as argument") << false << "bob"
                                          << "s3cr3t pw" << QByteArray() << 0;
    QTest::newRow("after STARTTLS") << true << "bob"
                                    << "-" << QByteArray("s3cr3t pw\n") << 0;
    QTest::newRow("wrong password") << false << "bob"
                                    << "-" << QByteArray("wrong\n") << 7;
    QTest::newRow("empty stdin") << false << "bob"
                                 << "-" << QByteArray() << 7;
    QTest::newRow("stdin too long") << false << "bob"
                                    << "-" << QByteArray(5000, 'p') << 2;
    QTest::newRow("no user, server wants AUTH") << false << ""
                                                << "" << QByteArray() << 1;
}

void TestPopbsmtp::auth()
{
    QFETCH(bool, withTls);
    QFETCH(QString, user);
    QFETCH(QString, passwordArg);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);

    Sink sink;
    QStringList options{QStringLiteral("--auth"), QStringLiteral("bob"),
                        QStringLiteral("s3cr3t pw")};
    if (withTls)
        options << QStringLiteral("--tls") << QStringLiteral("@certdir");
    START_SINK(sink, options);
    QList<QPair<QString, QString>> env;
    if (withTls)
        env << qMakePair(QStringLiteral("POPBSMTP_CA_FILE"), sink.certFile());
    const QStringList args =
        QStringList{QStringLiteral("-u"), user, QStringLiteral("-p"), passwordArg} +
        mailArgs(sink.smtpPort);
    const Result r = runTool(args, input, env);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, exitCode);
    if (exitCode != 0) {
        QCOMPARE(r.out, QString());
        QVERIFY2(isOneErrorLine(r.err), qPrintable(r.err));
        QCOMPARE(sink.mails().size(), 0);
        return;
    }
    QCOMPARE(r.out, kSuccess);
    const QList<QJsonObject> mails = sink.mails();
    QCOMPARE(mails.size(), 1);
    QCOMPARE(mails[0].value(QLatin1String("auth_login")).toString(), QStringLiteral("bob"));
    QCOMPARE(mails[0].value(QLatin1String("tls")).toBool(), withTls);
}

void TestPopbsmtp::securityAndSignIn_data()
{
    QTest::addColumn<QStringList>("sinkOptions");
    QTest::addColumn<QString>("security");  // empty: no --security
    QTest::addColumn<bool>("implicitPort"); // the sink's implicit-TLS listener
    QTest::addColumn<bool>("trustCa");      // --cacert with the sink's throw-away CA
    QTest::addColumn<QString>("user");      // empty: no SMTP sign-in
    QTest::addColumn<QByteArray>("input");  // standard input: the SMTP password
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("smtpLog"); // sign-ins and senders the server saw

    const QStringList tls{QStringLiteral("--tls"), QStringLiteral("@certdir")};
    const QStringList auth{QStringLiteral("--auth"), QStringLiteral("bob"),
                           QStringLiteral("s3cr3t pw")};
    const QStringList strict = tls + QStringList{"--require-tls"} + auth;
    const QByteArray pw("s3cr3t pw\n");
    const QByteArray sent("MAIL monitor@example.org\n");

    QTest::newRow("STARTTLS required, AUTH PLAIN")
        << (strict + QStringList{"--auth-mechanism", "PLAIN"}) << "starttls" << false << true
        << "bob" << pw << 0 << "AUTH PLAIN OK bob\n" + sent;
    // The server offers AUTH in the clear but no STARTTLS: not even the user name goes out.
    QTest::newRow("STARTTLS required but not offered: nothing sent")
        << auth << "starttls" << false << false << "bob" << pw << 5 << QByteArray();
    QTest::newRow("CA not given: certificate not trusted")
        << strict << "starttls" << false << false << "bob" << pw << 6 << QByteArray();
    QTest::newRow("none: STARTTLS offered but not used")
        << tls << "none" << false << false << "" << QByteArray() << 0 << sent;
    QTest::newRow("SMTP user name with CR LF refused")
        << strict << "starttls" << false << true << "bob\r\nRSET" << pw << 2 << QByteArray();
    QTest::newRow("bare CR in the SMTP password refused")
        << strict << "starttls" << false << true << "bob" << QByteArray("s3cr3t\rpw\n") << 2
        << QByteArray();
}

// The SMTP protection and sign-in options, against a server with a certificate from a
// throw-away CA (the monitor's test mail covers AUTH LOGIN, implicit TLS and a wrong
// password through the same options).
void TestPopbsmtp::securityAndSignIn()
{
    QFETCH(QStringList, sinkOptions);
    QFETCH(QString, security);
    QFETCH(bool, implicitPort);
    QFETCH(bool, trustCa);
    QFETCH(QString, user);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, smtpLog);

    Sink sink;
    START_SINK(sink, sinkOptions);
    QStringList args;
    if (!security.isEmpty())
        args << QStringLiteral("--security") << security;
    if (trustCa)
        args << QStringLiteral("--cacert") << sink.certFile();
    if (!user.isEmpty())
        args << QStringLiteral("--smtp-user") << user << QStringLiteral("--smtp-password")
             << QStringLiteral("-");
    args += mailArgs(implicitPort ? sink.smtpsPort : sink.smtpPort);
    const Result r = runTool(args, input);
    QVERIFY(r.finished);
    QVERIFY2(r.exitCode == exitCode, qPrintable(QString::number(r.exitCode) + u' ' + r.err));
    QCOMPARE(sink.smtpLog(), smtpLog);
    if (exitCode != 0) {
        QCOMPARE(r.out, QString());
        QVERIFY2(isOneErrorLine(r.err), qPrintable(r.err));
        QCOMPARE(sink.mails().size(), 0);
        return;
    }
    QCOMPARE(r.out, kSuccess);
    const QList<QJsonObject> mails = sink.mails();
    QCOMPARE(mails.size(), 1);
    QCOMPARE(mails[0].value(QLatin1String("tls")).toBool(), security != QLatin1String("none"));
    QCOMPARE(mails[0].value(QLatin1String("auth_login")).toString(), user);
}

void TestPopbsmtp::popBeforeSmtp_data()
{
    QTest::addColumn<bool>("serverRequiresPop");
    QTest::addColumn<bool>("popReachable");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QByteArray>("password"); // on stdin
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("popLog");
    QTest::addColumn<bool>("smtpAuth");     // the SMTP server takes the POP3 account for AUTH
    QTest::addColumn<QString>("authLogin"); // as the delivered mail records it

    // The test server offers AUTH but refuses every login unless it knows the account: the
    // mail then goes without AUTH, allowed by the POP3 login alone.
    QTest::newRow("login, then mail without AUTH")
        << true << true << "bob" << QByteArray("pop pw\n") << 0 << QByteArray("LOGIN-OK bob\n")
        << false << "";
    QTest::newRow("login, then mail with AUTH")
        << true << true << "bob" << QByteArray("pop pw\n") << 0 << QByteArray("LOGIN-OK bob\n")
        << true << "bob";
    // The server would take the mail without POP: a failed login must still send nothing.
    // Failures at the POP3 server: the cause's exit status plus 10.
    QTest::newRow("wrong password sends nothing")
        << false << true << "bob" << QByteArray("nope\n") << 17 << QByteArray("LOGIN-FAIL bob\n")
        << false << "";
    QTest::newRow("unknown user sends nothing")
        << false << true << "eve" << QByteArray("pop pw\n") << 17 << QByteArray("LOGIN-FAIL eve\n")
        << false << "";
    QTest::newRow("POP3 server down sends nothing")
        << false << false << "bob" << QByteArray("pop pw\n") << 13 << QByteArray() << false << "";
    QTest::newRow("no user") << false << true << "" << QByteArray("pop pw\n") << 2 << QByteArray()
                             << false << "";
    // A line break in the user name or password would turn the rest into commands of their
    // own (here a DELE): refused before anything reaches the server.
    QTest::newRow("user name with CR LF refused")
        << false << true << "bob\r\nDELE 1\r\n"
        << QByteArray("pop pw\n") << 2 << QByteArray() << false << "";
    QTest::newRow("bare CR in the password refused")
        << false << true << "bob" << QByteArray("pop pw\rDELE 1\n") << 2 << QByteArray() << false
        << "";
    QTest::newRow("NUL in the password refused")
        << false << true << "bob" << QByteArray("pop pw\0DELE 1\n", 15) << 2 << QByteArray()
        << false << "";
}

void TestPopbsmtp::popBeforeSmtp()
{
    QFETCH(bool, serverRequiresPop);
    QFETCH(bool, popReachable);
    QFETCH(QString, user);
    QFETCH(QByteArray, password);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, popLog);
    QFETCH(bool, smtpAuth);
    QFETCH(QString, authLogin);

    Sink sink;
    QStringList options{QStringLiteral("--pop3"), QStringLiteral("bob"), QStringLiteral("pop pw")};
    if (serverRequiresPop)
        options << QStringLiteral("--require-pop");
    if (smtpAuth)
        options << QStringLiteral("--auth") << QStringLiteral("bob") << QStringLiteral("pop pw");
    START_SINK(sink, options);
    const quint16 popPort = popReachable ? sink.pop3Port : closedPort();
    const Result r =
        runTool(popArgs(popPort, user, QStringLiteral("-")) + mailArgs(sink.smtpPort), password);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(sink.popLog(), popLog);
    if (exitCode != 0) {
        QCOMPARE(r.out, QString());
        QVERIFY2(isOneErrorLine(r.err), qPrintable(r.err));
        QCOMPARE(sink.mails().size(), 0);
        return;
    }
    QCOMPARE(r.out, kSuccess);
    const QList<QJsonObject> mails = sink.mails();
    QCOMPARE(mails.size(), 1);
    QCOMPARE(mails[0].value(QLatin1String("auth_login")).toString(), authLogin);
}

void TestPopbsmtp::silentServer_data()
{
    QTest::addColumn<bool>("pop");
    QTest::newRow("SMTP server never greets") << false;
    QTest::newRow("POP3 server never greets") << true;
}

// A server that accepts and stays silent must not hold the tool beyond its time limit.
void TestPopbsmtp::silentServer()
{
    QFETCH(bool, pop);
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    QStringList args;
    if (pop)
        args << popArgs(silent.serverPort(), QStringLiteral("bob"), QStringLiteral("pw"));
    args << mailArgs(pop ? closedPort() : silent.serverPort());
    const Result r = runTool(args, {}, {{QStringLiteral("POPBSMTP_TIMEOUT"), QStringLiteral("2")}});
    QVERIFY2(r.finished, "popbsmtp kept waiting for a silent server");
    QCOMPARE(r.exitCode, pop ? 14 : 4); // timed out, at the POP3 or the SMTP server
    QCOMPARE(r.out, QString());
    QVERIFY2(isOneErrorLine(r.err), qPrintable(r.err));
    QVERIFY2(r.err.contains(QLatin1String(pop ? "POP3" : "SMTP")), qPrintable(r.err));
    QVERIFY2(r.err.contains(QLatin1String("timed out"), Qt::CaseInsensitive), qPrintable(r.err));
}

void TestPopbsmtp::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("reason");

    const QStringList good = mailArgs(closedPort());
    const auto with = [&](const QString& option, const QString& value) {
        QStringList a = good;
        a[a.indexOf(option) + 1] = value;
        return a;
    };
    QTest::newRow("unknown option") << (good + QStringList{"-x", "1"}) << 2 << "unknown option";
    QTest::newRow("value missing at the end") << (good + QStringList{"-m"}) << 2 << "needs a value";
    QTest::newRow("no SMTP server") << with("-j", "") << 2 << "no SMTP server";
    QTest::newRow("port not a number") << with("-k", "25x") << 2 << "invalid SMTP port";
    QTest::newRow("port too large") << with("-k", "70000") << 2 << "invalid SMTP port";
    QTest::newRow("no sender") << with("-f", "") << 2 << "no sender";
    QTest::newRow("sender with line break") << with("-f", "a@x\r\nBcc: y@z") << 2 << "sender";
    QTest::newRow("server name with URL parts")
        << with("-j", "evil.test/x?y") << 2 << "invalid SMTP server";
    QTest::newRow("POP before SMTP without server")
        << (QStringList{"-b", "-h", "", "-i", "110", "-u", "bob", "-p", "x"} + good) << 2
        << "no POP3 server";
    QTest::newRow("POP3 port not a number")
        << (QStringList{"-b", "-h", "127.0.0.1", "-i", "pop", "-u", "bob", "-p", "x"} + good) << 2
        << "invalid POP3 port";
    QTest::newRow("security not known")
        << (QStringList{"--security", "ssl"} + good) << 2 << "invalid --security";
    QTest::newRow("SMTP password on the command line")
        << (QStringList{"--smtp-user", "bob", "--smtp-password", "pw"} + good) << 2
        << "standard input";
    QTest::newRow("SMTP user without password")
        << (QStringList{"--smtp-user", "bob"} + good) << 2 << "go together";
    QTest::newRow("CA file missing")
        << (QStringList{"--cacert", "/nonexistent/ca.pem"} + good) << 2 << "CA file";
    QTest::newRow("password argument with a line break")
        << (QStringList{"-u", "bob", "-p", "pw\nRSET"} + good) << 2 << "line break";
    QTest::newRow("nothing listening") << good << 3 << "connect";
}

void TestPopbsmtp::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, reason);

    const Result r = runTool(args);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, QString());
    QVERIFY2(isOneErrorLine(r.err), qPrintable(r.err));
    QVERIFY2(r.err.contains(reason, Qt::CaseInsensitive), qPrintable(r.err));
}

void TestPopbsmtp::help()
{
    const Result r = runTool({QStringLiteral("--help")});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith(QLatin1String("Usage: popbsmtp")));
    QVERIFY(!r.out.contains(kSuccess));
    for (const char* option :
         {"-b", "-h", "-i", "-u", "-p", "-j", "-k", "-f", "-t", "-s", "-z", "-m", "--security",
          "--cacert", "--smtp-user", "--smtp-password", "POPBSMTP_TIMEOUT", "POPBSMTP_CA_FILE"})
        QVERIFY2(r.out.contains(QLatin1String(option)), option);
}

TAMRO_TEST_GUILESS_MAIN(TestPopbsmtp)
#include "test_popbsmtp.moc"
