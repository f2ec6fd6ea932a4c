// SPDX-License-Identifier: GPL-3.0-or-later
// The webhook channel against a real HTTP server in the test: the JSON and ntfy requests as
// the server receives them, the outcome rows, one request per event, a server that never
// answers (stopped at the limit while monitoring goes on).
#include "../app/harness.h"
#include "alerts/webhookchannel.h"
#include "httpsink.h"
#include "settings/optionflags.h"
#include "settings/settingsform.h"
#include "testmain.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSslKey>
#include <QTemporaryDir>

using tamro::test::HttpSink;
using Text = SettingsForm::Text;

namespace {

AlertEvent problem(bool reminder = false)
{
    AlertEvent event;
    event.kind = AlertEvent::Kind::Problem;
    event.index = 0;
    event.serial = QStringLiteral("100001");
    event.name = QStringLiteral("Büro");
    event.mode = QStringLiteral("RAID 1");
    event.plugInfo = QStringLiteral("Disk2 is not connected.");
    event.plugText = QStringLiteral("MSG_DiskInfo2");
    event.time = QDateTime::currentDateTime();
    event.reminder = reminder;
    event.since = event.time.addSecs(-3600);
    return event;
}

AlertEvent rebuildFinished()
{
    AlertEvent event = problem();
    event.kind = AlertEvent::Kind::RebuildFinished;
    return event;
}

// A channel on a form and flags of its own, its outcome rows collected.
struct Rig
{
    explicit Rig(const QByteArray& url, int timeoutMs = 20000)
        : channel(form, flags, {timeoutMs, {}},
                  [this](const QString& message, const AlertEvent&) { rows << message; })
    {
        flags._isWebhook = true;
        flags._isMakeLog = true;
        form.setText(Text::WebhookURL, QString::fromLatin1(url));
        form.setText(Text::WebhookFormat, QStringLiteral("json"));
    }
    bool sendAndWait(const AlertEvent& event)
    {
        QSignalSpy finished(&channel, &WebhookChannel::finished);
        if (!channel.send(event))
            return false;
        return finished.wait(20000) || finished.size() == 1;
    }

    SettingsForm form;
    OptionFlags flags;
    QStringList rows;
    WebhookChannel channel;
};

// A throw-away certificate authority and a certificate it issued for 127.0.0.1.
struct TestCa
{
    TestCa()
    {
        const auto openssl = [this](const QStringList& args) {
            QProcess p;
            p.setWorkingDirectory(dir.path());
            p.start(QStringLiteral("openssl"), args);
            return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit &&
                   p.exitCode() == 0;
        };
        const QStringList ec{"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
        QFile ext(dir.filePath(QStringLiteral("cert.ext")));
        ok = ext.open(QIODevice::WriteOnly) &&
             ext.write("basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n"
                       "subjectAltName=IP:127.0.0.1\n") > 0;
        ext.close();
        ok = ok &&
             openssl(QStringList{"req", "-x509"} + ec +
                     QStringList{"-keyout", "ca-key.pem", "-out", "ca.pem", "-days", "2", "-subj",
                                 "/CN=throw-away webhook test CA"}) &&
             openssl(QStringList{"req", "-new"} + ec +
                     QStringList{"-keyout", "key.pem", "-out", "cert.csr", "-subj",
                                 "/CN=webhook test server"}) &&
             openssl({"x509", "-req", "-in", "cert.csr", "-CA", "ca.pem", "-CAkey", "ca-key.pem",
                      "-CAcreateserial", "-out", "cert.pem", "-days", "2", "-extfile", "cert.ext"});
        if (!ok)
            return;
        ca = QSslCertificate::fromPath(dir.filePath(QStringLiteral("ca.pem")));
        server = QSslConfiguration::defaultConfiguration();
        server.setLocalCertificateChain(
            QSslCertificate::fromPath(dir.filePath(QStringLiteral("cert.pem"))));
        QFile key(dir.filePath(QStringLiteral("key.pem")));
        ok = !ca.isEmpty() && key.open(QIODevice::ReadOnly);
        if (ok)
            server.setPrivateKey(QSslKey(key.readAll(), QSsl::Ec));
        server.setPeerVerifyMode(QSslSocket::VerifyNone);
    }

    QTemporaryDir dir;
    bool ok = false;
    QList<QSslCertificate> ca;
    QSslConfiguration server;
};

} // namespace

class TestWebhook : public QObject
{
    Q_OBJECT
private slots:
    void requests_data();
    void requests();
    void failures_data();
    void failures();
    void https_data();
    void https();
    void oneRequestPerEvent();
    void testButton();
    void silentServerDoesNotHoldTheMonitor();
};

void TestWebhook::requests_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("token");
    QTest::addColumn<AlertEvent>("event");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QVariantMap>("expected"); // JSON fields or ntfy headers ("body" too)

    QTest::newRow("json, a problem")
        << "json"
        << "" << problem() << QByteArray("application/json")
        << QVariantMap{{"event", "problem"},
                       {"serial", "100001"},
                       {"name", "Büro"},
                       {"mode", "RAID 1"},
                       {"plug", "Disk2 is not connected."},
                       {"message", "UI_NotifyProblem\nBüro: MSG_DiskInfo2"}};
    QTest::newRow("json, a reminder with a token")
        << "json"
        << "tk_secret" << problem(true) << QByteArray("application/json")
        << QVariantMap{
               {"event", "reminder"}, {"serial", "100001"}, {"authorization", "Bearer tk_secret"}};
    QTest::newRow("ntfy, a problem")
        << "ntfy"
        << "" << problem() << QByteArray("text/plain; charset=utf-8")
        << QVariantMap{{"title", "=?UTF-8?B?" + QByteArray("MSG_Title: Büro").toBase64() + "?="},
                       {"priority", "high"},
                       {"tags", "warning,raid"},
                       {"body", "UI_NotifyProblem\nBüro: MSG_DiskInfo2"}};
    QTest::newRow("ntfy, a rebuild finished, with a token")
        << "ntfy"
        << "tk_secret" << rebuildFinished() << QByteArray("text/plain; charset=utf-8")
        << QVariantMap{{"priority", "default"},
                       {"tags", "white_check_mark,raid"},
                       {"authorization", "Bearer tk_secret"},
                       {"body", "UI_NotifyRebuildDone\nBüro"}};
}

void TestWebhook::requests()
{
    QFETCH(QString, format);
    QFETCH(QString, token);
    QFETCH(AlertEvent, event);
    QFETCH(QByteArray, contentType);
    QFETCH(QVariantMap, expected);

    HttpSink sink;
    Rig rig(sink.url());
    rig.form.setText(Text::WebhookFormat, format);
    rig.form.setText(Text::WebhookToken, token);
    QVERIFY(rig.sendAndWait(event));
    QCOMPARE(rig.rows, QStringList{"MSG_WebhookSuccess"});

    QCOMPARE(sink.requests.size(), 1);
    const tamro::test::HttpRequest& request = sink.requests.first();
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.path, QByteArray("/hook"));
    QCOMPARE(request.headers.value("content-type"), contentType);
    QCOMPARE(request.headers.contains("authorization"), !token.isEmpty());

    const QJsonObject json = QJsonDocument::fromJson(request.body).object();
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QByteArray key = it.key().toLatin1();
        if (key == "body")
            QCOMPARE(QString::fromUtf8(request.body), it.value().toString());
        else if (format == u"ntfy" || key == "authorization")
            QCOMPARE(request.headers.value(key), it.value().toByteArray());
        else
            QCOMPARE(json.value(it.key()).toString(), it.value().toString());
    }
    if (format == u"json") {
        // ISO 8601 with the offset from UTC, and the host's name.
        const QString time = json.value(u"time").toString();
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d"
                                                   "(Z|[+-]\\d\\d:\\d\\d)$"))
                     .match(time)
                     .hasMatch(),
                 qPrintable(time));
        QCOMPARE(QDateTime::fromString(time, Qt::ISODate).toSecsSinceEpoch(),
                 event.time.toSecsSinceEpoch());
        QVERIFY(!json.value(u"host").toString().isEmpty());
    }
}

void TestWebhook::failures_data()
{
    QTest::addColumn<int>("status");  // of the server; 0: it never answers; -1: no server
    QTest::addColumn<QString>("url"); // empty: the server's
    QTest::addColumn<QString>("row");
    QTest::addColumn<bool>("requested");

    QTest::newRow("server error") << 500 << ""
                                  << "MSG_WebhookFail (HTTP 500)" << true;
    QTest::newRow("refused token") << 401 << ""
                                   << "MSG_WebhookFail (HTTP 401)" << true;
    QTest::newRow("never answers: stopped at the limit") << 0 << ""
                                                         << "MSG_WebhookFail (timed out)" << true;
    QTest::newRow("not a web address") << 200 << "ftp://127.0.0.1/x"
                                       << "MSG_WebhookFail (URL)" << false;
    QTest::newRow("nothing listening") << -1 << ""
                                       << "MSG_WebhookFail (" << false;
}

void TestWebhook::failures()
{
    QFETCH(int, status);
    QFETCH(QString, url);
    QFETCH(QString, row);
    QFETCH(bool, requested);

    HttpSink sink;
    sink.setStatus(status);
    QByteArray target = url.isEmpty() ? sink.url() : url.toLatin1();
    if (status < 0)
        target = "http://127.0.0.1:" + QByteArray::number(tamro::test::unusedPort()) + "/hook";
    Rig rig(target, 300);
    QSignalSpy finished(&rig.channel, &WebhookChannel::finished);
    rig.channel.deliver(problem());
    QVERIFY(finished.size() == 1 || finished.wait(20000));
    QCOMPARE(finished.first().first().toBool(), false);
    QCOMPARE(rig.rows.size(), 1);
    QVERIFY2(rig.rows.first().startsWith(row), qPrintable(rig.rows.first()));
    QCOMPARE(sink.requests.size(), requested ? 1 : 0);
    QCOMPARE(rig.channel.requestsInFlight(), 0);
}

void TestWebhook::https_data()
{
    QTest::addColumn<bool>("trusted");
    QTest::newRow("certificate from a trusted authority") << true;
    QTest::newRow("certificate from an unknown authority") << false;
}

// HTTPS checks the server's certificate: from an authority it does not trust, nothing is
// sent.
void TestWebhook::https()
{
    QFETCH(bool, trusted);
    QVERIFY(QSslSocket::supportsSsl());
    static const TestCa ca;
    QVERIFY2(ca.ok, "openssl could not make the test certificates");
    HttpSink sink(&ca.server);
    SettingsForm form;
    OptionFlags flags;
    flags._isWebhook = true;
    flags._isMakeLog = true;
    form.setText(Text::WebhookURL, QString::fromLatin1(sink.url()));
    QStringList rows;
    WebhookChannel channel(form, flags, {20000, trusted ? ca.ca : QList<QSslCertificate>{}},
                           [&rows](const QString& message, const AlertEvent&) { rows << message; });
    QSignalSpy finished(&channel, &WebhookChannel::finished);
    QVERIFY(channel.send(problem()));
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.first().first().toBool(), trusted);
    QCOMPARE(sink.requests.size(), trusted ? 1 : 0);
    QCOMPARE(rows.size(), 1);
    QVERIFY(rows.first().startsWith(trusted ? u"MSG_WebhookSuccess" : u"MSG_WebhookFail ("));
    if (trusted)
        QCOMPARE(QJsonDocument::fromJson(sink.requests.first().body).object().value(u"serial"),
                 u"100001"_qs);
}

void TestWebhook::oneRequestPerEvent()
{
    HttpSink sink;
    sink.setStatus(0);
    Rig rig(sink.url(), 300);
    QSignalSpy finished(&rig.channel, &WebhookChannel::finished);
    const AlertEvent event = problem();
    QVERIFY(rig.channel.send(event));
    QVERIFY(!rig.channel.send(event));
    QVERIFY(QTest::qWaitFor([&] { return !sink.requests.isEmpty(); }));
    QVERIFY(finished.wait(20000));
    QTest::qWait(50);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(sink.requests.size(), 1);
    // A new event is a new request.
    QVERIFY(rig.sendAndWait(problem(true)));
    QCOMPARE(sink.requests.size(), 2);
}

// "Send Test" shows its outcome in the window and never in the event log.
void TestWebhook::testButton()
{
    HttpSink sink;
    Rig rig(sink.url());
    rig.flags._isWebhook = false; // the test goes out whether or not the option is on
    QSignalSpy finished(&rig.channel, &WebhookChannel::finished);
    rig.channel.w1_TestWebhook();
    QCOMPARE(rig.form.text(Text::WebhookStatus), u"MSG_WebhookTestSending"_qs);
    QVERIFY(finished.wait(20000));
    QCOMPARE(rig.form.text(Text::WebhookStatus), u"MSG_WebhookTestSuccess"_qs);
    QCOMPARE(sink.requests.size(), 1);
    QCOMPARE(QJsonDocument::fromJson(sink.requests.first().body).object().value(u"event"),
             u"test"_qs);
    QVERIFY(rig.rows.isEmpty());

    sink.setStatus(503);
    rig.channel.w1_TestWebhook();
    QVERIFY(finished.wait(20000));
    QCOMPARE(rig.form.text(Text::WebhookStatus), u"MSG_WebhookTestFail HTTP 503"_qs);
    QVERIFY(rig.rows.isEmpty());
}

// The pass publishes and goes on; the request fails at its limit while passes keep running.
void TestWebhook::silentServerDoesNotHoldTheMonitor()
{
    HttpSink sink;
    sink.setStatus(0);
    ControllerTiming timing = tamro::test::fastTiming();
    timing.webhookTimeoutMs = 500;
    tamro::test::Harness h(timing);
    QVERIFY(h.start());
    h.c().flags()._isMakeLog = true;
    h.c().flags()._isWebhook = true;
    h.c().form().setText(Text::WebhookURL, QString::fromLatin1(sink.url()));
    using tamro::test::answer;
    using tamro::test::healthyBox;
    QVERIFY(h.feed(answer({healthyBox(QStringLiteral("1234"))})));
    h.newLogRows();

    tamro::test::BoxSpec degraded = healthyBox(QStringLiteral("1234"));
    degraded.unplug(1);
    QVERIFY(h.feed(answer({degraded})));
    QCOMPARE(h.newLogRows(), QStringList{"Disk2 is not connected."});
    QCOMPARE(h.c().webhook().requestsInFlight(), 1);
    // Monitoring goes on while the request waits.
    QVERIFY(h.feed(answer({healthyBox(QStringLiteral("1234"))})));
    QCOMPARE(h.newLogRows(), QStringList{"Retrieved configuration."});
    QCOMPARE(h.c().pass().statusIcon(), StatusIcon::AllWell);

    QVERIFY(QTest::qWaitFor([&] { return h.c().webhook().requestsInFlight() == 0; }, 20000));
    QCOMPARE(h.newLogRows(2), QStringList{"-,MSG_WebhookFail (timed out)"});
    QCOMPARE(sink.requests.size(), 1);
    QCOMPARE(QJsonDocument::fromJson(sink.requests.first().body).object().value(u"serial"),
             u"1234"_qs);
}

TAMRO_TEST_GUILESS_MAIN(TestWebhook)
#include "test_webhook.moc"
