// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end scenarios: the real monitor against the real simulator and a real SMTP server,
// checked by what a user would see.
#include "harness.h"
#include "httpsink.h"
#include "keychain/keychainstore.h"
#include "settings/defaultsstore.h"
#include "settings/secretkeeper.h"
#include "testmain.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QScopeGuard>
#include <QTcpServer>
#include <QXmlStreamReader>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>

using e2e::Harness;
using e2e::waitUntil;

namespace {

// English texts of the string table, read from its source so the test follows the table.
QHash<QString, QString> englishTexts()
{
    QHash<QString, QString> texts;
    QFile f(QStringLiteral(TAMRO_TS_EN));
    if (!f.open(QIODevice::ReadOnly))
        return texts;
    QXmlStreamReader xml(&f);
    QString id, source, translation;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"message") {
            id = xml.attributes().value(QLatin1String("id")).toString();
            source.clear();
            translation.clear();
        } else if (xml.isStartElement() && xml.name() == u"source") {
            source = xml.readElementText();
        } else if (xml.isStartElement() && xml.name() == u"translation") {
            translation = xml.readElementText();
        } else if (xml.isEndElement() && xml.name() == u"message") {
            texts.insert(id, translation.isEmpty() ? source : translation);
        }
    }
    return texts;
}

const QString kRetrieved = QStringLiteral("Retrieved configuration.");

// A port nothing listens on now.
quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

// The page an HTTP server at the URL answers with, or nothing.
std::optional<QString> httpGet(QNetworkAccessManager& http, const QUrl& url)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(5000);
    std::unique_ptr<QNetworkReply> reply(http.get(request));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    if (reply->error() != QNetworkReply::NoError)
        return std::nullopt;
    return QString::fromUtf8(reply->readAll());
}

} // namespace

class E2ETest : public QObject
{
    Q_OBJECT

private:
    QHash<QString, QString> _text = englishTexts();
    std::unique_ptr<Harness> _h;
    int _case = 0;

    // The exit status of `tamro-raid-monitor --status` asked of the running monitor; -1 when
    // it did not end.
    static int statusExitCode()
    {
        QProcess status;
        status.start(QStringLiteral(TAMRO_MONITOR), {QStringLiteral("--status")});
        if (!status.waitForFinished(20000)) {
            status.kill();
            status.waitForFinished(3000);
            return -1;
        }
        return status.exitStatus() == QProcess::NormalExit ? status.exitCode() : -1;
    }

    // Rows about enclosures, without the rows that record a mail's outcome.
    int stateRows() const
    {
        return int(_h->logRows().size()) - _h->countRows(_text.value(u"MSG_MailSuccess"_qs)) -
               _h->countRows(_text.value(u"MSG_MailFail"_qs));
    }

    // Simulator, SMTP server, settings and monitor, up to the first evaluated answer.
    void bringUp(const QStringList& simArgs = {}, int expectedRows = 2)
    {
        QVERIFY(_h->startSim(simArgs));
        QVERIFY(_h->startSmtp());
        _h->writeSettings(_h->smtpPort());
        QVERIFY(_h->startMonitor());
        QVERIFY2(waitUntil([&] { return _h->logRows().size() >= expectedRows; }, 20000),
                 qPrintable(_h->monitor().err()));
    }

private slots:
    void init()
    {
        QVERIFY2(!_text.isEmpty(), "the English string table could not be read");
        const QString home = tamro::test::homePath() + QStringLiteral("/case%1").arg(++_case);
        QDir().mkpath(home);
        _h = std::make_unique<Harness>(home);
    }
    void cleanup()
    {
        if (QTest::currentTestFailed() && _h) {
            qWarning().noquote() << "monitor stderr:\n" << _h->monitor().err().right(6000);
        }
        _h.reset();
    }

    void healthyStart()
    {
        bringUp();
        QVERIFY(_h->waitIcon(1));
        QTest::qWait(500);
        QCOMPARE(_h->countRows(kRetrieved), 2);
        QCOMPARE(_h->logRows().size(), 2);
        QVERIFY(_h->mails().isEmpty());
        QVERIFY(_h->monitor().running());
    }

    void drivePulledRebuildAndBack()
    {
        bringUp();
        QVERIFY(_h->waitIcon(1));

        _h->simCommand(QStringLiteral("unplug 0 1"));
        QVERIFY(waitUntil([&] { return _h->mails().size() == 1; }, 20000));
        QVERIFY(_h->waitIcon(2));
        QCOMPARE(_h->countRows(QStringLiteral("Disk2 is not connected.")), 1);
        const QJsonObject problem = _h->mails().at(0);
        // Body layout: the ctime text, "DeviceName:" and the name, then the plug-state text
        // with the check text right after it.
        const QStringList problemLines =
            problem.value(u"body").toString().remove(u'\r').split(u'\n');
        QVERIFY(problemLines.size() >= 3);
        QVERIFY(QRegularExpression(
                    QStringLiteral("^\\w{3} \\w{3} [ \\d]\\d \\d\\d:\\d\\d:\\d\\d \\d{4}$"))
                    .match(problemLines.at(0))
                    .hasMatch());
        QCOMPARE(problemLines.at(1), u"DeviceName:100001"_qs);
        QVERIFY(problemLines.mid(2).join(u'\n').startsWith(_text.value(u"MSG_DiskInfo2"_qs) +
                                                           _text.value(u"MSG_DiskCheck"_qs)));
        QVERIFY(problem.value(u"body").toString().contains(u"DeviceName:100001"));
        QVERIFY(problem.value(u"body").toString().contains(_text.value(u"MSG_DiskInfo2"_qs)));
        QCOMPARE(problem.value(u"rcpt_tos").toArray().first().toString(), u"admin@example.com"_qs);

        // The drive comes back and the rebuild runs with rising progress: no row, no mail.
        const int rowsBefore = stateRows();
        QVERIFY(waitUntil([&] { return _h->countRows(_text.value(u"MSG_MailSuccess"_qs)) == 1; },
                          20000));
        const int passesBefore = _h->passes();
        _h->simCommand(QStringLiteral("plug 0 1 rebuild"));
        for (int p = 20; p <= 90; p += 35)
            _h->simCommand(QStringLiteral("progress 0 %1").arg(p));
        QVERIFY(_h->waitPasses(passesBefore + 4, 20000));
        QCOMPARE(stateRows(), rowsBefore);
        QCOMPARE(_h->mails().size(), 1);

        // Back to "Normal": one row and one rebuild-complete mail.
        _h->simCommand(QStringLiteral("finish 0"));
        QVERIFY(waitUntil([&] { return _h->mails().size() == 2; }, 20000));
        QVERIFY(_h->monitor().waitErr(QStringLiteral("rebuild finished: 100001\n")));
        QVERIFY(_h->waitIcon(1));
        QTest::qWait(300);
        QVERIFY(waitUntil([&] { return _h->countRows(_text.value(u"MSG_MailSuccess"_qs)) == 2; },
                          20000));
        QCOMPARE(stateRows(), rowsBefore + 1);
        QCOMPARE(_h->countRows(kRetrieved), 3);
        const QStringList doneLines =
            _h->mails().at(1).value(u"body").toString().remove(u'\r').split(u'\n');
        QVERIFY(doneLines.size() >= 3);
        QCOMPARE(doneLines.at(1), u"DeviceName:100001"_qs);
        QCOMPARE(doneLines.at(2), _text.value(u"MSG_EndRebuildMessage"_qs));
        QVERIFY(_h->monitor().running());
    }

    // A drive that fails while it stays plugged in is reported as failed, not as missing;
    // its repair recovers the enclosure as a reconnected drive does.
    void driveFailsInPlaceAndIsRepaired()
    {
        bringUp();
        QVERIFY(_h->waitIcon(1));
        QCOMPARE(statusExitCode(), 0);

        _h->simCommand(QStringLiteral("fail 0 1"));
        QVERIFY(waitUntil([&] { return _h->mails().size() == 1; }, 20000));
        QVERIFY(_h->waitIcon(2));
        QVERIFY(waitUntil([&] { return _h->countRows(_text.value(u"MSG_MailSuccess"_qs)) == 1; },
                          20000));
        QCOMPARE(_h->countRows(QStringLiteral("Disk2 has failed.")), 1);
        QCOMPARE(_h->countRows(QStringLiteral("Disk2 is not connected.")), 0);
        QCOMPARE(stateRows(), 3);
        const QString body = _h->mails().at(0).value(u"body").toString().remove(u'\r');
        QVERIFY2(body.contains(u"DeviceName:100001\n"_qs + _text.value(u"MSG_DiskInfo6"_qs) +
                               _text.value(u"MSG_DiskCheck"_qs)),
                 qPrintable(body));
        QCOMPARE(statusExitCode(), 1);

        _h->simCommand(QStringLiteral("repair 0 1"));
        QVERIFY(_h->waitIcon(1, 20000));
        QVERIFY(waitUntil([&] { return _h->countRows(kRetrieved) == 3; }, 20000));
        QTest::qWait(300);
        QCOMPARE(stateRows(), 4);
        QCOMPARE(_h->mails().size(), 1);
        QCOMPARE(statusExitCode(), 0);
        QVERIFY(_h->monitor().running());
    }

    void removalOfOneOfThree()
    {
        bringUp({QStringLiteral("--scenario"), _h->paths.scenarios + u"/removal.json"_qs}, 3);
        QVERIFY(waitUntil(
            [&] { return _h->countRows(QStringLiteral("Failed configuration.")) == 1; }, 20000));
        QVERIFY(waitUntil([&] { return _h->mails().size() == 1; }, 20000));
        QVERIFY(_h->mails().at(0).value(u"body").toString().contains(u"DeviceName:100002"));
        // The other two are kept and evaluated.
        QVERIFY(_h->monitor().waitErr(QStringLiteral("pass: 2 enclosure")));
        QTest::qWait(300);
        QCOMPARE(_h->countRows(kRetrieved), 3);
        QVERIFY(_h->monitor().running());
    }

    void nineEnclosuresEndTheProgram()
    {
        QVERIFY(
            _h->startSim({QStringLiteral("--scenario"), _h->paths.scenarios + u"/nine.json"_qs}));
        QVERIFY(_h->startSmtp());
        _h->writeSettings(_h->smtpPort());
        QVERIFY(_h->startMonitor());
        QVERIFY(_h->monitor().process().waitForFinished(20000));
        QCOMPARE(_h->monitor().process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(_h->monitor().process().exitCode(), 0);
        // One alert, the one about the enclosure limit, before the end.
        QCOMPARE(_h->monitor().countErr(QStringLiteral("modal: alert: ")), 1);
        QCOMPARE(_h->monitor().countErr(
                     QStringLiteral("(?m)modal: alert: ") +
                     QRegularExpression::escape(_text.value(u"MSG_ErrorMessage3"_qs)) + u'$'),
                 1);
        QVERIFY(_h->logRows().isEmpty());
    }

    void serviceKilledMidAnswerAndRestarted()
    {
        bringUp();
        QVERIFY(_h->waitIcon(1));
        const quint16 port = _h->simPort();
        // Slow, chunked output, then a kill in the middle of a pushed answer.
        _h->simCommand(QStringLiteral("split 40"));
        _h->simCommand(QStringLiteral("push 0"));
        QTest::qWait(30);
        _h->sim().kill();
        QVERIFY2(_h->waitIcon(2), "no service must not show a healthy icon");
        QVERIFY(_h->monitor().running());

        const int passes = _h->passes();
        QVERIFY(_h->startSim({}, port));
        QVERIFY(_h->waitPasses(passes + 1, 20000));
        QVERIFY(_h->waitIcon(1));
        QCOMPARE(_h->countRows(kRetrieved), 2);
        QVERIFY(_h->monitor().running());
    }

    void splitAndCoalescedAnswers()
    {
        bringUp();
        QVERIFY(_h->waitIcon(1));
        _h->simCommand(QStringLiteral("split 7"));
        _h->simCommand(QStringLiteral("unplug 0 0"));
        QVERIFY(waitUntil(
            [&] { return _h->countRows(QStringLiteral("Disk1 is not connected.")) == 1; }, 20000));
        _h->simCommand(QStringLiteral("split 0"));
        _h->simCommand(QStringLiteral("coalesce on"));
        _h->simCommand(QStringLiteral("unplug 1 1"));
        QVERIFY(waitUntil(
            [&] { return _h->countRows(QStringLiteral("Disk2 is not connected.")) == 1; }, 20000));
        QTest::qWait(500);
        QVERIFY(waitUntil([&] { return _h->countRows(_text.value(u"MSG_MailSuccess"_qs)) == 2; },
                          20000));
        QCOMPARE(stateRows(), 4);
        QCOMPARE(_h->mails().size(), 2);
        QVERIFY(_h->monitor().running());
    }

    void garbageAndOversizedMessages()
    {
        bringUp();
        QVERIFY(_h->waitIcon(1));
        const int passes = _h->passes();
        _h->simCommand(QStringLiteral("garbage 500"));
        _h->simCommand(QStringLiteral("big 70000"));
        // A failed parse shows status2 and asks for a rescan, whose answer is good again.
        QVERIFY(_h->waitPasses(passes + 2, 20000));
        QVERIFY(_h->waitIcon(1, 20000));
        _h->simCommand(QStringLiteral("unplug 0 1"));
        QVERIFY(waitUntil(
            [&] { return _h->countRows(QStringLiteral("Disk2 is not connected.")) == 1; }, 20000));
        QVERIFY(_h->monitor().running());
    }

    // Messages of a broken or hostile service: what each must still lead to. "row" is a row
    // the log must gain "added" times, "scan" whether a device scan must reach the service.
    void hostileMessages_data()
    {
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QString>("row");
        QTest::addColumn<int>("added"); // rows of that text the commands add
        QTest::addColumn<bool>("scan");
        QTest::addColumn<int>("icon");

        const QString disk2 = QStringLiteral("Disk2 is not connected.");
        QTest::newRow("unbalanced document, then a drive pulled")
            << QStringList{"raw <SVConfigCmd eResult='0'><SVBox "
                           "SerialNumber='49'></SVConfigCmd>\\r\\n",
                           "unplug 0 1"}
            << disk2 << 1 << true << 2;
        QTest::newRow("document left unfinished")
            << QStringList{"raw <SVConfigCmd eResult=\"0\"><SVBox"} << QString() << 0 << true << 1;
        // The device scan then goes unanswered: only the answer itself can give the row.
        QTest::newRow("answer followed by garbage in the same write")
            << QStringList{"trail xx", "unplug 0 1", "silent on"} << disk2 << 1 << true << 2;
        QTest::newRow("answer followed by NUL in the same write")
            << QStringList{"trail \\0", "unplug 0 1"} << disk2 << 1 << false << 2;
        QTest::newRow("failed command, then an event message in the same write")
            << QStringList{"eresult 1",
                           "trail <SVEventLogCmd><SVEvent MsgIdx=\"5\" BoxSN=\"49, 48, 48, 48, 48, "
                           "49\"/></SVEventLogCmd>\\r\\n",
                           "push 0"}
            << kRetrieved << 2 << false << 2; // one row for each of the two enclosures
    }
    void hostileMessages()
    {
        QFETCH(QStringList, commands);
        QFETCH(QString, row);
        QFETCH(int, added);
        QFETCH(bool, scan);
        QFETCH(int, icon);

        bringUp();
        QVERIFY(_h->waitIcon(1));
        const QString scanned = QStringLiteral("SVScanDevicesCmd received");
        const int scans = _h->sim().countErr(scanned);
        const int rows = row.isEmpty() ? 0 : _h->countRows(row);
        for (const QString& command : commands)
            _h->simCommand(command);
        if (scan)
            QVERIFY(waitUntil([&] { return _h->sim().countErr(scanned) > scans; }, 20000));
        if (!row.isEmpty())
            QVERIFY(waitUntil([&] { return _h->countRows(row) >= rows + added; }, 20000));
        QVERIFY(_h->waitIcon(icon));
        if (!scan) {
            QTest::qWait(500);
            QCOMPARE(_h->sim().countErr(scanned), scans);
        }
        // No row more than the commands call for, once everything has settled.
        if (!row.isEmpty())
            QCOMPARE(_h->countRows(row), rows + added);
        QVERIFY(_h->monitor().running());
    }

    void serviceThatNeverAnswers()
    {
        QVERIFY(_h->startSim());
        _h->simCommand(QStringLiteral("silent on"));
        QVERIFY(_h->sim().waitErr(QStringLiteral("silent")));
        QVERIFY(_h->startSmtp());
        _h->writeSettings(_h->smtpPort());
        QVERIFY(_h->startMonitor());
        QVERIFY(_h->sim().waitErr(QStringLiteral("connect")));
        QTest::qWait(1500);
        QVERIFY(_h->monitor().running());
        // An icon was reported (the launch icon, or the problem icon), never "all well".
        const int icon = _h->icon();
        QVERIFY2(icon == 0 || icon == 2, qPrintable(QString::number(icon)));
        QVERIFY(_h->logRows().isEmpty());
        // When the service speaks again, the monitor evaluates.
        _h->simCommand(QStringLiteral("silent off"));
        _h->simCommand(QStringLiteral("push 0"));
        QVERIFY(_h->waitIcon(1, 20000));
    }

    // A drive model that is markup for an image in a FIFO: shown as the text it is. Were it
    // taken as rich text, the status window (shown at launch without a tray) would open the
    // FIFO and wait there for a writer forever.
    void markupFromTheServiceIsShownAsText()
    {
        const QString folder = QFileInfo(_h->logPath()).absolutePath();
        const QByteArray fifo = QFile::encodeName(folder + QStringLiteral("/canary"));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        const QString scenario = folder + QStringLiteral("/markup.json");
        QFile file(scenario);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QJsonObject drive{
            {u"plugged"_qs, true},
            {u"model"_qs, QStringLiteral("<img src=\"%1\">").arg(QFile::decodeName(fifo))}};
        const QJsonObject box{
            {u"serial"_qs, u"100001"_qs},
            {u"drives"_qs, QJsonArray{drive, QJsonObject{{u"plugged"_qs, true}}}}};
        file.write(QJsonDocument(QJsonObject{{u"enclosures"_qs, QJsonArray{box}}}).toJson());
        file.close();

        bringUp({QStringLiteral("--scenario"), scenario}, 1);
        // The pass ends with the icon, and one more answer follows: the window has long been
        // laid out and painted by then.
        bool answered = _h->waitIcon(1);
        if (answered) {
            const int passes = _h->passes();
            _h->simCommand(QStringLiteral("push 0"));
            answered = _h->waitPasses(passes + 1, 20000);
        }
        // No reader has the FIFO open: opening its writing end without waiting fails. (If it
        // succeeds, it sets a stuck reader free.)
        const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        QVERIFY2(fd < 0 && error == ENXIO, "the monitor opened the file named in the markup");
        QVERIFY(answered);
        QVERIFY(_h->monitor().running());
    }

    void logFolderRemovedWhileRunning()
    {
        bringUp();
        QVERIFY(_h->waitIcon(1));
        const QString folder = QFileInfo(_h->logPath()).absolutePath();
        QVERIFY(QDir(folder).removeRecursively());
        _h->simCommand(QStringLiteral("unplug 0 1"));
        QVERIFY(
            _h->monitor().waitErr(QStringLiteral("modal: alert: ") +
                                  QRegularExpression::escape(_text.value(u"MSG_FileMessage2"_qs))));
        QVERIFY(!QFile::exists(_h->logPath()));
        // The next good write stores everything, the row that failed included.
        QVERIFY(QDir().mkpath(folder));
        _h->simCommand(QStringLiteral("unplug 1 0"));
        QVERIFY(waitUntil(
            [&] { return _h->countRows(QStringLiteral("Disk1 is not connected.")) == 1; }, 20000));
        QCOMPARE(_h->countRows(QStringLiteral("Disk2 is not connected.")), 1);
        QCOMPARE(_h->countRows(kRetrieved), 2);
        QVERIFY(_h->monitor().running());
    }

    void logOnAFullDisk()
    {
        // A small file system of its own for the log, filled up while the monitor runs.
        const QString folder = tamro::test::homePath() + QStringLiteral("/full%1").arg(_case);
        QVERIFY(QDir().mkpath(folder));
        if (QProcess::execute(QStringLiteral("mount"),
                              {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                               QStringLiteral("size=256k"), QStringLiteral("tmpfs"), folder}) != 0)
            QSKIP("mounting a small tmpfs needs root");
        const auto unmount = qScopeGuard([&] {
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), folder});
        });
        _h->setLogPath(folder + QStringLiteral("/TAMRORAIDLOG.csv"));
        bringUp();
        QVERIFY(_h->waitIcon(1));
        const QStringList before = _h->logRows();

        QFile filler(folder + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();

        _h->simCommand(QStringLiteral("unplug 0 1"));
        QVERIFY(
            _h->monitor().waitErr(QStringLiteral("modal: alert: ") +
                                  QRegularExpression::escape(_text.value(u"MSG_FileMessage2"_qs))));
        QCOMPARE(_h->logRows(), before); // the old file is intact, not cut short

        // Room again: the next event stores everything, the row that failed included.
        QVERIFY(QFile::remove(filler.fileName()));
        _h->simCommand(QStringLiteral("unplug 1 0"));
        QVERIFY(waitUntil(
            [&] { return _h->countRows(QStringLiteral("Disk1 is not connected.")) == 1; }, 20000));
        QCOMPARE(_h->countRows(QStringLiteral("Disk2 is not connected.")), 1);
        QCOMPARE(_h->countRows(kRetrieved), 2);
        QVERIFY(_h->monitor().running());
    }

    void mailServerDownOrSilent()
    {
        bringUp();
        QVERIFY(_h->waitIcon(1));
        const QString failText = _text.value(u"MSG_MailFail"_qs);
        // Server down.
        _h->stopSmtp();
        _h->simCommand(QStringLiteral("unplug 0 1"));
        QVERIFY(waitUntil([&] { return _h->countRows(failText) == 1; }, 20000));
        QCOMPARE(_h->countRows(QStringLiteral("Disk2 is not connected.")), 1);

        // Monitoring goes on.
        _h->simCommand(QStringLiteral("unplug 1 0"));
        QVERIFY(waitUntil([&] { return _h->countRows(failText) == 2; }, 20000));
        QCOMPARE(_h->countRows(QStringLiteral("Disk1 is not connected.")), 1);
        QVERIFY(_h->monitor().running());
    }

    void signInWithRequiredStartTls_data()
    {
        QTest::addColumn<bool>("inKeyring");
        QTest::addColumn<bool>("rightPassword");
        QTest::newRow("password in the settings file") << false << true;
        QTest::newRow("wrong password in the settings file") << false << false;
        // Only inside a private session with a Secret Service (CTest's test_e2e_keyring).
        if (qEnvironmentVariableIsSet("TAMRO_TEST_KEYRING"))
            QTest::newRow("password in the keyring") << true << true;
    }

    // A mail account of today: submission with STARTTLS required, sign-in, and a server
    // certificate from a CA of its own.
    void signInWithRequiredStartTls()
    {
        QFETCH(bool, inKeyring);
        QFETCH(bool, rightPassword);
        const QString password = QStringLiteral("app password 4711");
        QVERIFY(_h->startSim());
        QVERIFY(
            _h->startSmtp({QStringLiteral("--tls"), _h->certDir(), QStringLiteral("--require-tls"),
                           QStringLiteral("--auth"), QStringLiteral("monitor"), password}));
        _h->writeSettings(_h->smtpPort(),
                          {{QStringLiteral("SMTPSecurity"), QStringLiteral("starttls")},
                           {QStringLiteral("SMTPAuth"), true},
                           {QStringLiteral("SMTPUser"), QStringLiteral("monitor")},
                           {QStringLiteral("SMTPCAFile"), _h->certDir() + u"/ca.pem"_qs}});
        {
            // Kept as the settings window keeps it.
            DefaultsStore store(Harness::settingsPath());
            NoSecretStore noKeyring;
            KeychainSecretStore keyring(QStringLiteral("TAMRO RAID MONITOR"), 30000);
            if (inKeyring)
                QVERIFY(keyring.isAvailable());
            SecretKeeper keeper(store, inKeyring ? static_cast<SecretStore&>(keyring) : noKeyring);
            keeper.save(rightPassword ? password : QStringLiteral("wrong"));
            QCOMPARE(keeper.place(), inKeyring ? SecretPlace::Keyring : SecretPlace::SettingsFile);
            QVERIFY(store.synchronize());
        }
        QStringList env;
        if (!inKeyring) // no keyring for this monitor, even inside a session that has one
            env << QStringLiteral("DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/no-bus");
        QVERIFY(_h->startMonitor(env));
        QVERIFY(_h->monitor().waitErr(
            inKeyring ? QStringLiteral("SMTP sign-in password: from the keyring")
                      : QStringLiteral("SMTP sign-in password: from the settings file")));
        QVERIFY2(waitUntil([&] { return _h->logRows().size() >= 2; }, 20000),
                 qPrintable(_h->monitor().err()));
        QVERIFY(_h->waitIcon(1));

        _h->simCommand(QStringLiteral("unplug 0 1"));
        if (rightPassword) {
            QVERIFY(waitUntil(
                [&] { return _h->countRows(_text.value(u"MSG_MailSuccess"_qs)) == 1; }, 20000));
            QTest::qWait(500);
            const QList<QJsonObject> mails = _h->mails();
            QCOMPARE(mails.size(), 1);
            QCOMPARE(mails.at(0).value(u"tls").toBool(), true);
            QCOMPARE(mails.at(0).value(u"auth_login").toString(), u"monitor"_qs);
            QVERIFY(
                mails.at(0).value(u"body").toString().contains(_text.value(u"MSG_DiskInfo2"_qs)));
            QCOMPARE(_h->smtpLog(),
                     QByteArray("AUTH PLAIN OK monitor\nMAIL monitor@example.com\n"));
        } else {
            QVERIFY(waitUntil([&] { return _h->countRows(_text.value(u"MSG_MailFail"_qs)) == 1; },
                              20000));
            QCOMPARE(_h->countRows(QStringLiteral("Disk2 is not connected.")), 1);
            QVERIFY(_h->mails().isEmpty());
            QCOMPARE(_h->smtpLog(), QByteArray("AUTH PLAIN FAIL monitor\n"));
            // Monitoring goes on.
            _h->simCommand(QStringLiteral("plug 0 1"));
            QVERIFY(_h->waitIcon(1, 20000));
        }
        QVERIFY(_h->monitor().running());
    }

    // A drive pulled: one mail and one web request with the enclosure's serial; with
    // reminders on (an hour of two seconds) a second of each follows, and none once the drive
    // is back.
    void webhookAndReminders()
    {
        constexpr int kHourMs = 2000;
        tamro::test::HttpSink sink;
        const auto post = [&](int i) {
            return QJsonDocument::fromJson(sink.requests.at(i).body).object();
        };
        QVERIFY(_h->startSim());
        QVERIFY(_h->startSmtp());
        _h->writeSettings(_h->smtpPort(),
                          {{QStringLiteral("WebhookEnabled"), true},
                           {QStringLiteral("WebhookURL"), QString::fromLatin1(sink.url())},
                           {QStringLiteral("ReminderHours"), QStringLiteral("1")}});
        QVERIFY(_h->startMonitor({QStringLiteral("TAMRO_REMINDER_HOUR_MS=%1").arg(kHourMs)}));
        QVERIFY2(waitUntil([&] { return _h->logRows().size() >= 2; }, 20000),
                 qPrintable(_h->monitor().err()));
        QVERIFY(_h->waitIcon(1));
        QVERIFY(sink.requests.isEmpty());

        _h->simCommand(QStringLiteral("unplug 0 1"));
        QVERIFY(
            waitUntil([&] { return _h->mails().size() >= 1 && !sink.requests.isEmpty(); }, 20000));
        QCOMPARE(post(0).value(u"event").toString(), u"problem"_qs);
        QCOMPARE(post(0).value(u"serial").toString(), u"100001"_qs);
        QCOMPARE(post(0).value(u"plug").toString(), u"Disk2 is not connected."_qs);
        const QString reminderText = _text.value(u"MSG_AlertReminder"_qs);
        QVERIFY(!reminderText.isEmpty());
        QVERIFY(!_h->mails().at(0).value(u"body").toString().contains(reminderText));

        // The problem stays: a reminder by mail and by web request.
        QVERIFY(
            waitUntil([&] { return _h->mails().size() >= 2 && sink.requests.size() >= 2; }, 20000));
        QCOMPARE(post(1).value(u"event").toString(), u"reminder"_qs);
        QCOMPARE(post(1).value(u"serial").toString(), u"100001"_qs);
        QVERIFY(_h->mails().at(1).value(u"body").toString().contains(reminderText));
        QVERIFY(_h->countRows(_text.value(u"MSG_WebhookSuccess"_qs)) >= 1);

        // The drive is back: the reminders stop.
        _h->simCommand(QStringLiteral("plug 0 1"));
        QVERIFY(_h->waitIcon(1, 20000));
        QTest::qWait(kHourMs / 2); // what was on its way when the drive came back
        const int posts = int(sink.requests.size());
        const int mails = int(_h->mails().size());
        QTest::qWait(2 * kHourMs + 500);
        QCOMPARE(int(sink.requests.size()), posts);
        QCOMPARE(int(_h->mails().size()), mails);
        QVERIFY(_h->monitor().running());
    }

    void mailServerThatNeverGreets()
    {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        QVERIFY(_h->startSim());
        QVERIFY(_h->startSmtp());
        _h->writeSettings(silent.serverPort());
        QVERIFY(_h->startMonitor());
        QVERIFY(waitUntil([&] { return _h->logRows().size() >= 2; }, 20000));
        _h->simCommand(QStringLiteral("unplug 0 1"));
        const QString failText = _text.value(u"MSG_MailFail"_qs);
        QVERIFY(waitUntil([&] { return _h->countRows(failText) == 1; }, 30000));
        _h->simCommand(QStringLiteral("plug 0 1"));
        QVERIFY(_h->waitIcon(1, 20000));
        QVERIFY(_h->monitor().running());
    }

    // The monitor's metrics file served by the real node_exporter: the scrape follows a
    // pulled drive, the rebuild and its end, and carries the user's awkward enclosure name
    // as Prometheus reads it.
    void metricsScrapedThroughNodeExporter()
    {
        const QString folder = tamro::test::homePath() + QStringLiteral("/metrics");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(_h->startSim());
        _h->writeSettings(0, {{QStringLiteral("SendMail"), false},
                              {QStringLiteral("SendRebuildMail"), false},
                              {QStringLiteral("ExportMetrics"), QStringLiteral("YES")},
                              {QStringLiteral("MetricsFolder"), folder},
                              {QStringLiteral("RAIDName"),
                               QVariantMap{{QStringLiteral("100001"),
                                            QStringLiteral("Cutting \"A\" \\ Räume\nZwei")}}}});
        QVERIFY(_h->startMonitor());

        // Only the textfile collector, on a free loopback port; killed with this process
        // whatever way it ends.
        const quint16 port = freePort();
        QVERIFY(port != 0);
        e2e::Child exporter(QStringLiteral("node-exporter"));
        exporter.process().setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        QVERIFY(exporter.start(QStringLiteral(TAMRO_NODE_EXPORTER),
                               {QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port),
                                QStringLiteral("--collector.disable-defaults"),
                                QStringLiteral("--collector.textfile"),
                                QStringLiteral("--collector.textfile.directory=") + folder}));

        QNetworkAccessManager http;
        const QUrl url(QStringLiteral("http://127.0.0.1:%1/metrics").arg(port));
        QString page;
        const auto scrapeShows = [&](const QStringList& lines) {
            return waitUntil(
                [&] {
                    page = httpGet(http, url).value_or(QString());
                    const QStringList got = page.split(u'\n');
                    return std::all_of(lines.cbegin(), lines.cend(),
                                       [&](const QString& l) { return got.contains(l); });
                },
                20000);
        };
        const auto failure = [&] {
            return (page + QStringLiteral("\n--- exporter:\n") + exporter.err() +
                    QStringLiteral("\n--- monitor:\n") + _h->monitor().err())
                .toLocal8Bit();
        };

        QVERIFY2(scrapeShows({
                     u"tamro_service_up 1"_qs,
                     u"tamro_enclosures 2"_qs,
                     u"tamro_enclosure_problem{serial=\"100001\"} 0"_qs,
                     u"tamro_enclosure_info{mode=\"RAID 1 (Mirroring)\",name=\"Cutting \\\"A\\\" "
                     u"\\\\ Räume\\nZwei\",serial=\"100001\"} 1"_qs,
                 }),
                 failure().constData());

        _h->simCommand(QStringLiteral("unplug 0 1"));
        QVERIFY2(scrapeShows({u"tamro_enclosure_problem{serial=\"100001\"} 1"_qs,
                              u"tamro_enclosure_plug_status{serial=\"100001\"} 2"_qs,
                              u"tamro_drive_present{drive=\"2\",serial=\"100001\"} 0"_qs,
                              u"tamro_enclosure_problem{serial=\"100002\"} 0"_qs}),
                 failure().constData());

        _h->simCommand(QStringLiteral("plug 0 1 rebuild"));
        _h->simCommand(QStringLiteral("progress 0 40"));
        QVERIFY2(scrapeShows({u"tamro_enclosure_rebuilding{serial=\"100001\"} 1"_qs,
                              u"tamro_enclosure_rebuild_progress_ratio{serial=\"100001\"} 0.4"_qs,
                              u"tamro_drive_present{drive=\"2\",serial=\"100001\"} 1"_qs}),
                 failure().constData());

        _h->simCommand(QStringLiteral("finish 0"));
        QVERIFY2(scrapeShows({u"tamro_enclosure_problem{serial=\"100001\"} 0"_qs,
                              u"tamro_enclosure_rebuilding{serial=\"100001\"} 0"_qs,
                              u"tamro_enclosure_plug_status{serial=\"100001\"} 0"_qs}),
                 failure().constData());
        // The collector read the file without an error.
        QVERIFY2(page.split(u'\n').contains(u"node_textfile_scrape_error 0"_qs),
                 failure().constData());
        QStringList ours =
            page.split(u'\n').filter(QRegularExpression(u"^tamro_|^node_textfile"_qs));
        qInfo().noquote() << "scrape:\n" + ours.join(u'\n');
        QVERIFY(_h->monitor().running());
    }
};

TAMRO_TEST_GUILESS_MAIN(E2ETest)
#include "test_e2e.moc"
