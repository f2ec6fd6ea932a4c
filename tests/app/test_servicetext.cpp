// SPDX-License-Identifier: GPL-3.0-or-later
// Hostile text from the storage service (a volume description, a model, a serial number) and
// typed into the device list, through every output that a terminal, a spreadsheet, a mail
// reader or a JSON reader takes in: the event log (read back after a restart and by Python's
// csv module), the headless lines on standard error, the --status table, the mail (the real
// mail tool to the test mail server, parsed by Python's email package), the ntfy request (read
// by the test's HTTP server), the metrics file (promtool check metrics) and the JSON documents
// (--status --json, the session bus's Enclosures, the webhook body).
#include "alerts/webhookchannel.h"
#include "harness.h"
#include "httpsink.h"
#include "mailsink.h"
#include "metrics/metricstext.h"
#include "platform/logging.h"
#include "presentation/devicelistmodel.h"
#include "settings/eventlog.h"
#include "settings/optionflags.h"
#include "settings/settingsform.h"
#include "testmain.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QLoggingCategory>
#include <QProcess>
#include <QSet>

using namespace tamro::test;

namespace {

enum class Source { Service, Typed };

QStringList headlessLines;

void captureLine(QtMsgType, const QMessageLogContext&, const QString& message)
{
    headlessLines << message;
}

// A text has a raw control character (other than the line feeds a format uses itself).
bool hasRawControl(QStringView text, QStringView keep = {})
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 || (u >= 0x7f && u <= 0x9f)) && !keep.contains(c))
            return true;
    }
    return false;
}

QString ntfyTitle(const QByteArray& value)
{
    if (value.startsWith("=?UTF-8?B?") && value.endsWith("?="))
        return QString::fromUtf8(QByteArray::fromBase64(value.mid(10, value.size() - 12)));
    return QString::fromLatin1(value);
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

} // namespace

class TestServiceText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void hostileText_data();
    void hostileText();

private:
    Sink _mailSink;
    QString _tool;
    QtMessageHandler _previousHandler = nullptr;
    QSet<QByteArray> _ntfyHeaders; // what an ordinary ntfy request carries
};

void TestServiceText::initTestCase()
{
    _tool = qEnvironmentVariable("TAMRO_BUILD_DIR") + QStringLiteral("/libexec/popbsmtp");
    QVERIFY2(QFileInfo(_tool).isExecutable(), qPrintable(_tool));
    START_SINK(_mailSink, QStringList());
    _previousHandler = qInstallMessageHandler(captureLine);
    // The executable's own handler, in front of the capture as it is in front of stderr.
    installVisibleMessages();
    QLoggingCategory::setFilterRules(QStringLiteral("tamro.monitor.info=true"));

    // The headers of an ntfy request about an ordinary name.
    HttpSink sink;
    SettingsForm form;
    OptionFlags flags;
    form.setText(SettingsForm::Text::WebhookURL, QString::fromLatin1(sink.url()));
    form.setText(SettingsForm::Text::WebhookFormat, QStringLiteral("ntfy"));
    WebhookChannel channel(form, flags, {20000, {}}, {});
    AlertEvent event;
    event.kind = AlertEvent::Kind::Problem;
    event.name = QStringLiteral("Office");
    event.time = QDateTime::currentDateTime();
    QVERIFY(channel.send(event));
    QTRY_COMPARE_WITH_TIMEOUT(sink.requests.size(), 1, 20000);
    for (auto it = sink.requests.first().headers.cbegin();
         it != sink.requests.first().headers.cend(); ++it)
        _ntfyHeaders.insert(it.key());
    QVERIFY(_ntfyHeaders.contains("title"));
}

void TestServiceText::cleanupTestCase()
{
    qInstallMessageHandler(_previousHandler);
    QLoggingCategory::setFilterRules(QString());
}

void TestServiceText::hostileText_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown"); // in the log window, the table, the mail, the title
    QTest::addColumn<QString>("json");  // the value in the JSON documents

    const QString esc = QStringLiteral("\x1b]0;TITLE\x07\x1b[2J\x1b[31m RAID 1");
    const QString formula =
        QStringLiteral("=HYPERLINK(\"http://127.0.0.1:9/?\"&A1,\"Click for details\")");
    const QString lone = QStringLiteral("a") + QChar(0xd800) + QStringLiteral("b");
    struct Row
    {
        const char* name;
        QString text;
        QString shown;
        QString json;
    };
    const QList<Row> rows{
        {"CR", QStringLiteral("a\rb"), QStringLiteral("a b"), {}},
        {"LF", QStringLiteral("a\nb"), QStringLiteral("a b"), {}},
        {"CR LF", QStringLiteral("a\r\nb"), QStringLiteral("a b"), {}},
        {"NUL", QString::fromUtf16(u"a\0b", 3), QStringLiteral("a\\x00b"), {}},
        {"ESC sequences", esc, QStringLiteral("\\x1b]0;TITLE\\x07\\x1b[2J\\x1b[31m RAID 1"), {}},
        {"C1 CSI",
         QStringLiteral("a") + QChar(0x9b) + QStringLiteral("31mb"),
         QStringLiteral("a\\x9b31mb"),
         {}},
        {"formula prefix", formula, formula, {}},
        {"formula prefix minus",
         QStringLiteral("-2+3+cmd|' /C calc'!A0"),
         QStringLiteral("-2+3+cmd|' /C calc'!A0"),
         {}},
        {"comma and quote",
         QStringLiteral("Office, \"big\" box"),
         QStringLiteral("Office, \"big\" box"),
         {}},
        {"apostrophe and formula", QStringLiteral("'=1+2"), QStringLiteral("'=1+2"), {}},
        {"10,000 characters", QString(10000, u'x'), QString(10000, u'x'), {}},
        {"invalid UTF-8 (a lone surrogate)", lone, QStringLiteral("a\uFFFDb"),
         QStringLiteral("a\uFFFDb")},
    };
    for (const Row& row : rows) {
        const QString json = row.json.isNull() ? row.text : row.json;
        QTest::addRow("typed: %s", row.name) << int(Source::Typed) << row.text << row.shown << json;
        // The service's code lists carry codes up to 122 and at most 255 of them; a text
        // with any other code reads as "-".
        bool decodable = true;
        for (const QChar c : row.text)
            decodable = decodable && c.unicode() <= 122;
        QTest::addRow("service: %s", row.name)
            << int(Source::Service) << row.text
            << (decodable ? row.shown.left(255) : QStringLiteral("-"))
            << (decodable ? json.left(255) : QStringLiteral("-"));
    }
}

void TestServiceText::hostileText()
{
    QFETCH(int, source);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(QString, json);
    const bool typed = Source(source) == Source::Typed;
    bool decodable = true;
    for (const QChar c : text)
        decodable = decodable && c.unicode() <= 122;

    HttpSink ntfy;
    Harness h(fastTiming(), [this](ControllerConfig& config) { config.mailToolPath = _tool; });
    QVERIFY(h.start());
    using Text = SettingsForm::Text;
    SettingsForm& form = h.c().form();
    form.setText(Text::SMTPServer, QStringLiteral("127.0.0.1"));
    form.setText(Text::SMTPPort, QString::number(_mailSink.smtpPort));
    form.setText(Text::FromField, QStringLiteral("monitor@example.test"));
    form.setText(Text::ToField1, QStringLiteral("admin@example.test"));
    form.setText(Text::SubjectField, QStringLiteral("RAID"));
    form.setText(Text::SMTPSecurity, QStringLiteral("none"));
    form.setText(Text::WebhookURL, QString::fromLatin1(ntfy.url()));
    form.setText(Text::WebhookFormat, QStringLiteral("ntfy"));
    h.c().flags()._isMakeLog = true;
    h.c().flags()._isSendMail = true;
    h.c().flags()._isWebhook = true;

    // A document is at most 64 KiB: the whole text goes into the volume description, the
    // model and the serial number get its first 300 characters (the client reads 255).
    BoxSpec box =
        healthyBox(typed ? QStringLiteral("100001") : QStringLiteral("100001") + text.left(300));
    if (!typed) {
        box.friendly = text;
        box.drive0.model = text.left(300);
    }
    QVERIFY(h.feed(answer({box})));
    if (typed) {
        DeviceListModel* list = h.c().deviceListModel();
        QVERIFY(list->setData(list->index(0, 0), text, Qt::EditRole));
    }
    const int mailsBefore = int(_mailSink.mails().size());
    headlessLines.clear();
    box.unplug(1);
    QVERIFY(h.feed(answer({box})));
    QTRY_COMPARE_WITH_TIMEOUT(ntfy.requests.size(), 1, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(int(_mailSink.mails().size()), mailsBefore + 1, 20000);
    // From the service the name is the serial number's value, which a text the code lists
    // cannot carry leaves at 0.
    const QString name = typed ? shown : decodable ? QStringLiteral("100001") : QStringLiteral("0");

    // The event log: the same rows after a restart, one line each, and the window shows the
    // text (without the apostrophe that guards a formula).
    const QString logPath = h.dir.filePath(QStringLiteral("log.csv"));
    EventLog reread;
    QCOMPARE(reread.read(logPath), EventLog::ReadResult::Read);
    QCOMPARE(reread.entries(), h.c().eventLog().entries());
    for (const QString& entry : reread.entries()) {
        QVERIFY(entry.endsWith(QStringLiteral("\r\n")));
        QVERIFY2(!hasRawControl(QStringView(entry).chopped(2)), qPrintable(entry.left(200)));
    }
    int problemRow = -1;
    for (int r = reread.rowCount() - 1; r >= 0; --r) {
        if (reread.field(r, 3) == QLatin1String("Disk2 is not connected."))
            problemRow = r;
    }
    QVERIFY(problemRow >= 0);
    QCOMPARE(reread.field(problemRow, 1), name);
    QCOMPARE(reread.field(problemRow, 2), typed ? QStringLiteral("RAID 1") : shown);

    // The headless lines and the --status table.
    QVERIFY(!headlessLines.isEmpty());
    for (const QString& line : std::as_const(headlessLines))
        QVERIFY2(!hasRawControl(line), qPrintable(line.left(200)));
    const QString table = h.c().pass().snapshot().table();
    QVERIFY2(!hasRawControl(table, u"\n"), qPrintable(table.left(400)));
    QVERIFY(table.contains(shown));

    // ntfy: exactly the headers of an ordinary request, the title on one line.
    const HttpRequest request = ntfy.requests.first();
    QSet<QByteArray> headerNames;
    for (auto it = request.headers.cbegin(); it != request.headers.cend(); ++it)
        headerNames.insert(it.key());
    QCOMPARE(headerNames, _ntfyHeaders);
    const QString title = ntfyTitle(request.headers.value("title"));
    QCOMPARE(title, QStringLiteral("MSG_Title: ") + name);

    // The metrics file passes promtool.
    const QString metricsPath = h.dir.filePath(QStringLiteral("tamro.prom"));
    QVERIFY(writeFile(metricsPath, metrics::render(h.c().pass().snapshot(), 1.0, 2.0)));
    QProcess promtool;
    promtool.setProcessChannelMode(QProcess::MergedChannels);
    promtool.setStandardInputFile(metricsPath);
    promtool.start(QStringLiteral(TAMRO_PROMTOOL),
                   {QStringLiteral("check"), QStringLiteral("metrics")});
    QVERIFY(promtool.waitForFinished(30000));
    QVERIFY2(promtool.exitStatus() == QProcess::NormalExit && promtool.exitCode() == 0,
             promtool.readAll().constData());

    // The JSON documents as they are sent: --status --json and GetStatus, the bus's
    // Enclosures, the webhook body.
    const QJsonObject status = h.c().pass().snapshot().toJson();
    const QList<QByteArray> documents{
        QJsonDocument(status).toJson(QJsonDocument::Compact),
        QJsonDocument(status.value(QLatin1String("enclosures")).toArray())
            .toJson(QJsonDocument::Compact),
        WebhookChannel::jsonBody(h.c().pass().enclosureEvent(AlertEvent::Kind::Problem, 0),
                                 QStringLiteral("host")),
    };
    QStringList jsonPaths;
    for (int i = 0; i < documents.size(); ++i) {
        jsonPaths << h.dir.filePath(QStringLiteral("output-%1.json").arg(i));
        QVERIFY(writeFile(jsonPaths.last(), documents.at(i)));
    }
    const QJsonObject enclosure = QJsonDocument::fromJson(documents.first())
                                      .object()
                                      .value(QLatin1String("enclosures"))
                                      .toArray()
                                      .first()
                                      .toObject();
    QCOMPARE(enclosure.value(typed ? QLatin1String("name") : QLatin1String("mode")).toString(),
             json);

    // Python reads the log as CSV, the mail with its email package and the JSON strictly.
    const QString emlPath =
        _mailSink.outDir() + QStringLiteral("/mail-%1.eml").arg(mailsBefore + 1);
    QProcess python;
    python.start(QStringLiteral(TAMRO_PYTHON3),
                 QStringList{QStringLiteral(TAMRO_CHECK_OUTPUTS), logPath, emlPath} + jsonPaths);
    QVERIFY(python.waitForFinished(30000));
    QVERIFY2(python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0,
             python.readAllStandardError().constData());
    const QJsonObject found = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    QCOMPARE(found.value(QLatin1String("device_line")).toString(),
             QStringLiteral("DeviceName:") + name);
}

TAMRO_TEST_GUILESS_MAIN(TestServiceText)
#include "test_servicetext.moc"
