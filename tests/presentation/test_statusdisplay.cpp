// SPDX-License-Identifier: GPL-3.0-or-later
// What the status window shows for an enclosure: drive panes with their capacity texts and
// bar fractions, mode and rebuild texts with their colours, pictures by plug status, and the
// localized plug-state texts. No translator is installed, so every text reads as its id.
#include "presentation/statusdisplay.h"
#include "service/raidinfolistener.h"
#include "testmain.h"
#include "tools/renderui/raiddocument.h"

Q_DECLARE_METATYPE(NamedColor)

namespace {

class IdleListener : public RaidInfoListener
{
public:
    void processRaidInfo(const ServiceAnswer&) override {}
    void errorOccurredStreamEvent() override {}
};

AttrRecord driveRecord(const QString& capacity, const QString& actual, const QString& status)
{
    AttrRecord record;
    record.insert(QStringLiteral("ModelName"), raiddoc::codes(QStringLiteral("WDC WD5000")));
    if (!capacity.isNull())
        record.insert(QStringLiteral("Capacity_GB"), capacity);
    if (!actual.isNull())
        record.insert(QStringLiteral("ActualCapacity_GB"), actual);
    record.insert(QStringLiteral("Status"), status);
    return record;
}

StatusDisplay previousDisplay()
{
    StatusDisplay display;
    display.modeText = QStringLiteral("previous mode");
    display.statusText = QStringLiteral("previous status");
    display.modeColor = NamedColor::Blue;
    display.statusColor = NamedColor::Yellow;
    return display;
}

} // namespace

class StatusDisplayTest : public QObject
{
    Q_OBJECT

private slots:
    void drivePane_data()
    {
        QTest::addColumn<QString>("capacity");
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("difference");
        QTest::addColumn<float>("fraction");
        QTest::addColumn<NamedColor>("color");

        QTest::newRow("500 of 500") << "500"
                                    << "500"
                                    << "0"
                                    << "500 [GB]"
                                    << "" << 1.0f << NamedColor::Blue;
        QTest::newRow("500 of 500, drive rebuilding") << "500"
                                                      << "500"
                                                      << "1"
                                                      << "500 [GB]"
                                                      << "" << 1.0f << NamedColor::Yellow;
        QTest::newRow("100 of 1000") << "100"
                                     << "1000"
                                     << "0"
                                     << "100 [GB]"
                                     << "900.000[GB]" << 0.41f << NamedColor::Blue;
        QTest::newRow("900 of 1000") << "900"
                                     << "1000"
                                     << "0"
                                     << "900 [GB]"
                                     << "100.000[GB]" << 0.8f << NamedColor::Blue;
        QTest::newRow("500 of 1000") << "500"
                                     << "1000"
                                     << "2"
                                     << "500 [GB]"
                                     << "500.000[GB]" << 0.5f << NamedColor::Yellow;
        QTest::newRow("difference 0.5") << "499.5"
                                        << "500"
                                        << "0"
                                        << "499.5 [GB]"
                                        << "0.50000[GB]" << 0.8f << NamedColor::Blue;
        QTest::newRow("actual smaller by 2") << "500"
                                             << "498"
                                             << "0"
                                             << "500 [GB]"
                                             << "-2.00000[GB]" << 0.8f << NamedColor::Blue;
        QTest::newRow("actual missing") << "500" << QString() << "0"
                                        << "500 [GB]"
                                        << "-500.00000[GB]" << 0.8f << NamedColor::Blue;
        QTest::newRow("both zero") << "0"
                                   << "0"
                                   << "0"
                                   << "0 [GB]"
                                   << "" << 1.0f << NamedColor::Blue;
        QTest::newRow("size text as received") << "465.760"
                                               << "465.760"
                                               << "0"
                                               << "465.760 [GB]"
                                               << "" << 1.0f << NamedColor::Blue;
        // 232.89f - 232.88f is 0.0099945..., which a double subtraction would show as 0.01000.
        QTest::newRow("difference in single precision")
            << "232.88"
            << "232.89"
            << "0"
            << "232.88 [GB]"
            << "0.00999[GB]" << 0.8f << NamedColor::Blue;
        QTest::newRow("41 of 100 stays at the lower bound")
            << "41"
            << "100"
            << "0"
            << "41 [GB]"
            << "59.000[GB]" << 0.41f << NamedColor::Blue;
        QTest::newRow("size missing") << QString() << "500"
                                      << "0"
                                      << "- [GB]"
                                      << "500.000[GB]" << 0.41f << NamedColor::Blue;
        QTest::newRow("status text with trailing letters") << "500"
                                                           << "500"
                                                           << "3x"
                                                           << "500 [GB]"
                                                           << "" << 1.0f << NamedColor::Yellow;
    }

    void drivePane()
    {
        QFETCH(QString, capacity);
        QFETCH(QString, actual);
        QFETCH(QString, status);
        QFETCH(QString, size);
        QFETCH(QString, difference);
        QFETCH(float, fraction);
        QFETCH(NamedColor, color);

        const DrivePane pane = status::displayDriveInfo(driveRecord(capacity, actual, status));
        QCOMPARE(pane.name, QStringLiteral("WDC WD5000"));
        QCOMPARE(pane.size, size);
        QCOMPARE(pane.capacity, difference);
        QVERIFY2(pane.fraction == fraction, qPrintable(QString::number(pane.fraction, 'g', 9)));
        QCOMPARE(pane.barColor, color);
    }

    void clearedPane()
    {
        const DrivePane pane = status::clearedDriveInfo();
        QCOMPARE(pane.name, QStringLiteral("MSG_NoDisk"));
        QCOMPARE(pane.size, QStringLiteral("- [GB]"));
        QCOMPARE(pane.capacity, QString());
        QCOMPARE(pane.barColor, NamedColor::Magenta);
        QCOMPARE(pane.fraction, 1.0f);
    }

    void plugText_data()
    {
        QTest::addColumn<QString>("plugInfo");
        QTest::addColumn<QString>("expected");
        QTest::newRow("disk 1") << "Disk1 is not connected."
                                << "MSG_DiskInfo1";
        QTest::newRow("disk 2") << "Disk2 is not connected."
                                << "MSG_DiskInfo2";
        QTest::newRow("both") << "Disk1/2 is not connected."
                              << "MSG_DiskInfo3";
        QTest::newRow("disk 1 failed") << "Disk1 has failed."
                                       << "MSG_DiskInfo5";
        QTest::newRow("disk 2 failed") << "Disk2 has failed."
                                       << "MSG_DiskInfo6";
        QTest::newRow("both failed") << "Disk1/2 have failed."
                                     << "MSG_DiskInfo7";
        QTest::newRow("nothing found") << "Device re-scan did not find any devices."
                                       << "MSG_DiskInfo4";
        QTest::newRow("failed") << "Failed configuration."
                                << "MSG_DiskInfo4";
        QTest::newRow("retrieved, untranslated") << "Retrieved configuration."
                                                 << "Retrieved configuration.";
        QTest::newRow("case matters") << "disk1 is not connected."
                                      << "disk1 is not connected.";
    }

    void plugText()
    {
        QFETCH(QString, plugInfo);
        QFETCH(QString, expected);
        QCOMPARE(status::localizedPlugText(plugInfo), expected);
    }

    void modeAndRebuild_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<int>("errorType");
        QTest::addColumn<QString>("modeText");
        QTest::addColumn<QString>("statusText");
        QTest::addColumn<NamedColor>("modeColor");
        QTest::addColumn<NamedColor>("statusColor");

        using raiddoc::drive;
        const auto answer = [](const QString& rebuild, int mode, raiddoc::Drive d0,
                               raiddoc::Drive d1) {
            raiddoc::Enclosure e;
            e.rebuildStatus = rebuild;
            e.mode = mode;
            e.drives = {d0, d1};
            return raiddoc::configAnswer({e});
        };
        const raiddoc::Drive ok =
            drive(QStringLiteral("A"), QStringLiteral("500"), QStringLiteral("500"));
        const auto state = [](int status, const QString& progress) {
            return drive(QStringLiteral("A"), QStringLiteral("500"), QStringLiteral("500"), status,
                         progress);
        };
        const QString normal = QStringLiteral("Normal");
        const QString rebuilding = QStringLiteral("Rebuilding");

        QTest::newRow("normal") << answer(normal, 1, ok, ok) << 0 << "MSG_Mode1"
                                << "MSG_RStatus0" << NamedColor::Black << NamedColor::Black;
        QTest::newRow("mode 0") << answer(normal, 0, ok, ok) << 0 << "MSG_Mode0"
                                << "MSG_RStatus0" << NamedColor::Black << NamedColor::Black;
        QTest::newRow("mode 2") << answer(normal, 2, ok, ok) << 0 << "MSG_Mode2"
                                << "MSG_RStatus0" << NamedColor::Black << NamedColor::Black;
        QTest::newRow("mode 3") << answer(normal, 3, ok, ok) << 0 << "MSG_Mode3"
                                << "MSG_RStatus0" << NamedColor::Black << NamedColor::Black;
        QTest::newRow("mode 4 keeps the mode text")
            << answer(normal, 4, ok, ok) << 0 << "previous mode"
            << "MSG_RStatus0" << NamedColor::Black << NamedColor::Black;
        QTest::newRow("normal, drive 1 in state 3")
            << answer(normal, 1, ok, state(3, QStringLiteral("0"))) << 0 << "MSG_Mode1"
            << "MSG_RStatus3" << NamedColor::Black << NamedColor::Black;
        QTest::newRow("normal, drive 0 in state 3")
            << answer(normal, 1, state(3, QStringLiteral("0")), ok) << 0 << "MSG_Mode1"
            << "MSG_RStatus3" << NamedColor::Black << NamedColor::Black;
        QTest::newRow("normal with an error, both drives present")
            << answer(normal, 1, ok, ok) << 1 << "MSG_Mode1"
            << "MSG_RErrorRetrieved configuration." << NamedColor::Magenta << NamedColor::Magenta;
        QTest::newRow("normal with an error, drive 0 unplugged")
            << answer(normal, 1,
                      drive(QStringLiteral("A"), QStringLiteral("500"), QStringLiteral("500"), 0,
                            QStringLiteral("0"), false),
                      ok)
            << 2 << "MSG_Mode1"
            << "MSG_RErrorMSG_DiskInfo1" << NamedColor::Magenta << NamedColor::Magenta;
        QTest::newRow("error slot wins over state 3")
            << answer(normal, 1, ok, state(3, QStringLiteral("0"))) << 1 << "MSG_Mode1"
            << "MSG_RErrorRetrieved configuration." << NamedColor::Magenta << NamedColor::Magenta;
        QTest::newRow("progress 7.6 rounds to three places")
            << answer(rebuilding, 1, state(2, QStringLiteral("7.6")), ok) << 0 << "MSG_Mode1"
            << "MSG_RStatus2   8%" << NamedColor::Black << NamedColor::Black;
        QTest::newRow("progress 100")
            << answer(rebuilding, 1, state(1, QStringLiteral("100")), ok) << 0 << "MSG_Mode1"
            << "MSG_RStatus1 100%" << NamedColor::Black << NamedColor::Black;
        QTest::newRow("progress missing reads 0")
            << answer(rebuilding, 1, state(1, QString()), ok) << 0 << "MSG_Mode1"
            << "MSG_RStatus1   0%" << NamedColor::Black << NamedColor::Black;
        QTest::newRow("both drives in state 2: drive 1 wins")
            << answer(rebuilding, 1, state(2, QStringLiteral("30")), state(2, QStringLiteral("60")))
            << 0 << "MSG_Mode1"
            << "MSG_RStatus2  60%" << NamedColor::Black << NamedColor::Black;
        QTest::newRow("drive 0 state 2, drive 1 state 1: drive 1 wins")
            << answer(rebuilding, 1, state(2, QStringLiteral("30")),
                      state(1, QStringLiteral("45.4")))
            << 0 << "MSG_Mode1"
            << "MSG_RStatus1  45%" << NamedColor::Black << NamedColor::Black;
        QTest::newRow("rebuilding with an error is magenta")
            << answer(rebuilding, 1, state(1, QStringLiteral("12")), ok) << 1 << "MSG_Mode1"
            << "MSG_RStatus1  12%" << NamedColor::Magenta << NamedColor::Magenta;
        QTest::newRow("rebuilding, no drive in state 1 or 2: text unchanged")
            << answer(rebuilding, 1, state(0, QStringLiteral("50")), state(3, QStringLiteral("50")))
            << 0 << "MSG_Mode1"
            << "previous status" << NamedColor::Black << NamedColor::Black;
        QTest::newRow("box status compared case-sensitively")
            << answer(QStringLiteral("normal"), 1, ok, ok) << 0 << "MSG_Mode1"
            << "previous status" << NamedColor::Black << NamedColor::Black;
        raiddoc::Enclosure noVolume;
        noVolume.friendlyMode.clear();
        noVolume.drives = {ok, ok};
        QTest::newRow("no volume: status emptied, its colour kept")
            << raiddoc::configAnswer({noVolume}) << 1 << "MSG_ModeNoDisk"
            << "" << NamedColor::Magenta << NamedColor::Yellow;
    }

    void modeAndRebuild()
    {
        QFETCH(QByteArray, document);
        QFETCH(int, errorType);
        QFETCH(QString, modeText);
        QFETCH(QString, statusText);
        QFETCH(NamedColor, modeColor);
        QFETCH(NamedColor, statusColor);

        IdleListener listener;
        ParseRaidInfo client(&listener);
        client.handleReadBytes(document);
        QCOMPARE(client.getDeviceCount(), 1);

        StatusDisplay display = previousDisplay();
        status::displaySVInfo(client, 0, errorType, display);
        QCOMPARE(display.modeText, modeText);
        QCOMPARE(display.statusText, statusText);
        QCOMPARE(display.modeColor, modeColor);
        QCOMPARE(display.statusColor, statusColor);
    }

    void pictureByPlugStatus_data()
    {
        // Each drive "in", "out" (not plugged in) or "failed" (attached, reported failed).
        QTest::addColumn<QString>("drive0State");
        QTest::addColumn<QString>("drive1State");
        QTest::addColumn<QString>("picture");
        QTest::newRow("both present") << "in"
                                      << "in"
                                      << "type1";
        QTest::newRow("drive 0 missing") << "out"
                                         << "in"
                                         << "type3";
        QTest::newRow("drive 1 missing") << "in"
                                         << "out"
                                         << "type4";
        QTest::newRow("both missing") << "out"
                                      << "out"
                                      << "type2";
        // The picture shows the bay the volume has lost; the pane still shows the drive.
        QTest::newRow("drive 1 failed") << "in"
                                        << "failed"
                                        << "type4";
        QTest::newRow("drive 0 failed, drive 1 missing") << "failed"
                                                         << "out"
                                                         << "type2";
    }

    void pictureByPlugStatus()
    {
        QFETCH(QString, drive0State);
        QFETCH(QString, drive1State);
        QFETCH(QString, picture);

        raiddoc::Enclosure e;
        e.drives = {
            raiddoc::drive(QStringLiteral("Left"), QStringLiteral("100"), QStringLiteral("1000"), 0,
                           QStringLiteral("0"), drive0State != u"out"),
            raiddoc::drive(QStringLiteral("Right"), QStringLiteral("900"), QStringLiteral("1000"),
                           1, QStringLiteral("0"), drive1State != u"out")};
        if (drive0State == u"failed")
            e.drives[0].drive.insert(QStringLiteral("Failed"), QStringLiteral("1"));
        if (drive1State == u"failed")
            e.drives[1].drive.insert(QStringLiteral("Failed"), QStringLiteral("1"));
        IdleListener listener;
        ParseRaidInfo client(&listener);
        client.handleReadBytes(raiddoc::configAnswer({e}));

        const StatusDisplay display = status::displayRaidInfo(client, 0, 0, previousDisplay());
        QCOMPARE(display.picture, picture);
        QCOMPARE(display.index, 0);
        if (drive0State == u"out") {
            QCOMPARE(display.drive0, status::clearedDriveInfo());
        } else {
            const bool failed = drive0State == u"failed";
            QCOMPARE(display.drive0.name,
                     failed ? QStringLiteral("MSG_DiskFailedLeft") : QStringLiteral("Left"));
            QCOMPARE(display.drive0.size, QStringLiteral("100 [GB]"));
            QCOMPARE(display.drive0.capacity, QStringLiteral("900.000[GB]"));
            QCOMPARE(display.drive0.barColor, failed ? NamedColor::Magenta : NamedColor::Blue);
            QCOMPARE(display.drive0.fraction, 0.41f);
        }
        if (drive1State == u"out") {
            QCOMPARE(display.drive1, status::clearedDriveInfo());
        } else {
            const bool failed = drive1State == u"failed";
            QCOMPARE(display.drive1.name,
                     failed ? QStringLiteral("MSG_DiskFailedRight") : QStringLiteral("Right"));
            QCOMPARE(display.drive1.size, QStringLiteral("900 [GB]"));
            QCOMPARE(display.drive1.barColor, failed ? NamedColor::Magenta : NamedColor::Yellow);
            QCOMPARE(display.drive1.fraction, 0.8f);
        }
    }

    void emptyTable()
    {
        IdleListener listener;
        ParseRaidInfo client(&listener);
        client.handleReadBytes(raiddoc::configAnswer({}));
        QCOMPARE(client.getDeviceCount(), 0);

        const StatusDisplay display = status::displayRaidInfo(client, 0, 0, previousDisplay());
        QCOMPARE(display.picture, QStringLiteral("type2"));
        QCOMPARE(display.modeText, QStringLiteral("MSG_ModeNoDisk"));
        QCOMPARE(display.modeColor, NamedColor::Magenta);
        QCOMPARE(display.statusText, QString());
        QCOMPARE(display.drive0, status::clearedDriveInfo());
        QCOMPARE(display.drive1, status::clearedDriveInfo());
    }

    void indexOutsideTheTableKeepsTheDisplay_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("no row") << -1;
        QTest::newRow("past the end") << 1;
    }

    void indexOutsideTheTableKeepsTheDisplay()
    {
        QFETCH(int, index);
        raiddoc::Enclosure e;
        e.drives = {raiddoc::drive(QStringLiteral("A"), QStringLiteral("1"), QStringLiteral("1")),
                    raiddoc::drive(QStringLiteral("B"), QStringLiteral("1"), QStringLiteral("1"))};
        IdleListener listener;
        ParseRaidInfo client(&listener);
        client.handleReadBytes(raiddoc::configAnswer({e}));
        QCOMPARE(client.getDeviceCount(), 1);

        const StatusDisplay previous = previousDisplay();
        QCOMPARE(status::displayRaidInfo(client, index, 0, previous), previous);
    }
};

TAMRO_TEST_GUILESS_MAIN(StatusDisplayTest)
#include "test_statusdisplay.moc"
