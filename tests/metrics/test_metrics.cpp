// SPDX-License-Identifier: GPL-3.0-or-later
// The metrics file: what it holds for names a user may type, that Prometheus's own checker
// accepts it, its mode, and how a folder that cannot be written is reported and retried.
#include "testfiles.h"
#include "testmain.h"

#include "metrics/metricsexporter.h"

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

// 2025-12-06 05:46:40.123 UTC
constexpr qint64 kNowMs = 1765000000123;

DriveSnapshot drive(bool plugged, double capacityGb, int status = 0, int progress = 0)
{
    DriveSnapshot d;
    d.plugged = plugged;
    d.capacityGb = capacityGb;
    d.status = status;
    d.rebuildProgress = progress;
    return d;
}

// Two enclosures with names that need escaping: one healthy with a drive rebuilding at 45%,
// one with disk 2 pulled.
MonitorSnapshot awkwardSnapshot()
{
    MonitorSnapshot s;
    s.state = MonitorSnapshot::State::Problem;
    EnclosureSnapshot a;
    a.key = 100001;
    a.serial = QStringLiteral("100001");
    a.name = QStringLiteral("Studio \"A\" \\ back\\slash\nZweite Zeile äöü €");
    a.mode = QStringLiteral("RAID 1 (Mirroring)");
    a.state = EnclosureSnapshot::State::Rebuilding;
    a.rebuilding = true;
    a.rebuildProgress = 45;
    a.drives = {drive(true, 500.11), drive(true, 500.11, 1, 45)};
    EnclosureSnapshot b;
    b.key = 42;
    b.serial = QStringLiteral("0042");
    b.name = QStringLiteral("日本語 \\\"x\"\r\n");
    b.mode = QString();
    b.state = EnclosureSnapshot::State::Problem;
    b.drives = {drive(true, 1000.2), drive(false, 0)};
    b.drives[0].capacityGb = -1; // the service gave no number
    s.enclosures = {a, b};
    return s;
}

using tamro::test::fileMode;

// Counts the warnings of the monitor's log category while it lives.
class WarningCounter
{
public:
    WarningCounter()
    {
        s_count = 0;
        _previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString&) {
                if (type == QtWarningMsg && qstrcmp(context.category, "tamro.monitor") == 0)
                    ++s_count;
            });
    }
    ~WarningCounter() { qInstallMessageHandler(_previous); }
    int count() const { return s_count; }

private:
    static inline int s_count = 0;
    QtMessageHandler _previous = nullptr;
};

} // namespace

class TestMetrics : public QObject
{
    Q_OBJECT

private slots:
    void awkwardNamesMakeAValidFile()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const MonitorSnapshot snapshot = awkwardSnapshot();
        MetricsExporter exporter([&] { return snapshot; });
        exporter.setClock([] { return kNowMs; });
        exporter.setSettings({true, folder.path()});
        QSignalSpy written(&exporter, &MetricsExporter::written);
        // A process with a strict umask still writes a file the collector's user can read.
        const mode_t umask = ::umask(077);
        const auto restore = qScopeGuard([umask] { ::umask(umask); });
        exporter.start();
        exporter.notePass();
        QVERIFY(written.wait(5000));
        QCOMPARE(written.count(), 1);
        QCOMPARE(written.first().first().toBool(), true);

        const QString path = folder.filePath(QStringLiteral("tamro_raid_monitor.prom"));
        QCOMPARE(exporter.filePath(), path);
        QCOMPARE(fileMode(path), 0644);
        // Nothing but the file is left in the folder.
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("tamro_raid_monitor.prom")});

        const QString text = QString::fromUtf8(tamro::test::readFile(path));
        const QStringList expected = {
            QStringLiteral("# TYPE tamro_service_up gauge"),
            QStringLiteral("tamro_service_up 1"),
            QStringLiteral("tamro_enclosures 2"),
            QStringLiteral("tamro_enclosure_info{serial=\"100001\",name=\"Studio \\\"A\\\" \\\\ "
                           "back\\\\slash\\nZweite Zeile äöü €\",mode=\"RAID 1 (Mirroring)\"} 1"),
            QStringLiteral(
                "tamro_enclosure_info{serial=\"42\",name=\"日本語 \\\\\\\"x\\\"\\\\x0d\\n\","
                "mode=\"\"} 1"),
            QStringLiteral("tamro_enclosure_problem{serial=\"100001\"} 0"),
            QStringLiteral("tamro_enclosure_problem{serial=\"42\"} 1"),
            QStringLiteral("tamro_enclosure_plug_status{serial=\"100001\"} 0"),
            QStringLiteral("tamro_enclosure_plug_status{serial=\"42\"} 2"),
            QStringLiteral("tamro_enclosure_rebuilding{serial=\"100001\"} 1"),
            QStringLiteral("tamro_enclosure_rebuilding{serial=\"42\"} 0"),
            QStringLiteral("tamro_enclosure_rebuild_progress_ratio{serial=\"100001\"} 0.45"),
            QStringLiteral("tamro_enclosure_rebuild_progress_ratio{serial=\"42\"} 0"),
            QStringLiteral("tamro_drive_present{serial=\"42\",drive=\"2\"} 0"),
            QStringLiteral(
                "tamro_drive_capacity_bytes{serial=\"100001\",drive=\"2\"} 500110000000"),
            QStringLiteral("tamro_drive_capacity_bytes{serial=\"42\",drive=\"2\"} 0"),
            QStringLiteral("tamro_last_pass_timestamp_seconds 1765000000.123"),
            QStringLiteral("tamro_monitor_start_time_seconds 1765000000.123"),
        };
        const QStringList lines = text.split(u'\n');
        for (const QString& line : expected)
            QVERIFY2(lines.contains(line), qPrintable(line + QStringLiteral("\n---\n") + text));
        // No capacity where the service gave none.
        QVERIFY(!text.contains(QStringLiteral("{serial=\"42\",drive=\"1\"} 1000")));
        QVERIFY(text.endsWith(u'\n'));

        // Prometheus's own parser and linter accept it.
        QProcess promtool;
        promtool.setProcessChannelMode(QProcess::MergedChannels);
        promtool.setStandardInputFile(path);
        promtool.start(QStringLiteral(TAMRO_PROMTOOL),
                       {QStringLiteral("check"), QStringLiteral("metrics")});
        QVERIFY(promtool.waitForFinished(30000));
        const QByteArray said = promtool.readAll();
        QVERIFY2(promtool.exitStatus() == QProcess::NormalExit && promtool.exitCode() == 0,
                 said.constData());
        QVERIFY2(said.trimmed().isEmpty(), said.constData());
    }

    void unwritableFolderIsReportedOnceAndRetried()
    {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        // Below a plain file: no folder can be there, whoever runs the test.
        const QString blocker = root.filePath(QStringLiteral("metrics"));
        const auto block = [&] {
            QDir(blocker).removeRecursively();
            QFile f(blocker);
            return f.open(QIODevice::WriteOnly);
        };
        QVERIFY(block());
        const MonitorSnapshot snapshot = awkwardSnapshot();
        MetricsExporter exporter([&] { return snapshot; });
        exporter.setSettings({true, blocker});
        QSignalSpy written(&exporter, &MetricsExporter::written);
        WarningCounter warnings;

        exporter.start();
        QVERIFY(written.wait(5000));
        QCOMPARE(written.takeFirst().first().toBool(), false);
        exporter.noteChange();
        QVERIFY(written.wait(5000));
        QCOMPARE(written.takeFirst().first().toBool(), false);
        QCOMPARE(warnings.count(), 1);

        // The folder appears: the next change writes the file.
        QVERIFY(QFile::remove(blocker));
        QVERIFY(QDir().mkpath(blocker));
        exporter.notePass();
        QVERIFY(written.wait(5000));
        QCOMPARE(written.takeFirst().first().toBool(), true);
        QVERIFY(tamro::test::readFile(exporter.filePath()).contains("tamro_enclosures 2\n"));

        // A new run of failures is reported again.
        QVERIFY(block());
        exporter.noteChange();
        QVERIFY(written.wait(5000));
        QCOMPARE(written.takeFirst().first().toBool(), false);
        QCOMPARE(warnings.count(), 2);
    }

    // The file's age tells the collector whether the monitor still runs: it is rewritten
    // while nothing happens.
    void rewrittenWhileNothingHappens()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        MetricsExporter exporter([] { return MonitorSnapshot(); }, 20);
        exporter.setSettings({true, folder.path()});
        QSignalSpy written(&exporter, &MetricsExporter::written);
        exporter.start();
        for (int i = 0; i < 3; ++i)
            QVERIFY(written.wait(5000));
        QVERIFY(written.count() >= 3);
    }

    void switchedOffTheFileGoes()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        MetricsExporter exporter([] { return MonitorSnapshot(); });
        exporter.setSettings({true, folder.path()});
        QSignalSpy written(&exporter, &MetricsExporter::written);
        exporter.start();
        QVERIFY(written.wait(5000));
        QVERIFY(QFile::exists(exporter.filePath()));

        exporter.setSettings({false, folder.path()});
        QVERIFY(!QFile::exists(exporter.filePath()));
        exporter.noteChange();
        exporter.notePass();
        QCoreApplication::processEvents();
        QVERIFY(!QFile::exists(exporter.filePath()));
        QCOMPARE(written.count(), 1);
    }
};

TAMRO_TEST_GUILESS_MAIN(TestMetrics)
#include "test_metrics.moc"
