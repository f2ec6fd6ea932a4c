// SPDX-License-Identifier: GPL-3.0-or-later
// The tray's summary text on its own inputs, in English and German, and the rebuild progress
// it shows for the service's texts.
#include "presentation/traytext.h"
#include "testmain.h"
#include "ui/translations.h"

#include <QCoreApplication>
#include <QTest>

using State = TrayText::Enclosure::State;

namespace {

TrayText::Input evaluated(QList<TrayText::Enclosure> enclosures)
{
    TrayText::Input input;
    input.evaluated = true;
    input.enclosures = std::move(enclosures);
    return input;
}

} // namespace

class TestTrayText : public QObject
{
    Q_OBJECT
private slots:
    void compose_data();
    void compose();
    void progress_data();
    void progress();
};

void TestTrayText::compose_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<TrayText::Input>("input");
    QTest::addColumn<QString>("text");

    TrayText::Input waiting;
    TrayText::Input lostAtStart;
    lostAtStart.connectionLost = true;
    TrayText::Input none = evaluated({});
    none.noDeviceText = QStringLiteral("Device re-scan did not find any devices.");
    const TrayText::Input three =
        evaluated({{QStringLiteral("Office"), State::Healthy, {}},
                   {QStringLiteral("1234"), State::Problem, {}},
                   {QStringLiteral("Backup"), State::Rebuilding, QStringLiteral(" 45%")}});
    TrayText::Input lostLater = evaluated({{QStringLiteral("Office"), State::Healthy, {}}});
    lostLater.connectionLost = true;

    QTest::newRow("en waiting") << "en" << waiting << "Waiting for the storage service";
    QTest::newRow("de waiting") << "de" << waiting << "Warte auf den Speicherdienst";
    QTest::newRow("en lost before any answer")
        << "en" << lostAtStart << "The storage service is not reachable";
    QTest::newRow("en no enclosure") << "en" << none << "Device re-scan did not find any devices.";
    QTest::newRow("en three enclosures")
        << "en" << three
        << "Office: working normally\n1234: needs attention\nBackup: rebuilding 45%";
    QTest::newRow("de three enclosures")
        << "de" << three
        << "Office: arbeitet normal\n1234: benötigt Aufmerksamkeit\n"
           "Backup: Wiederherstellung läuft 45%";
    QTest::newRow("de lost after an answer")
        << "de" << lostLater << "Der Speicherdienst ist nicht erreichbar\nOffice: arbeitet normal";
}

void TestTrayText::compose()
{
    QFETCH(QString, language);
    QFETCH(TrayText::Input, input);
    QFETCH(QString, text);
    QVERIFY(installLanguage(*QCoreApplication::instance(), language));
    QCOMPARE(TrayText::compose(input), text);
}

void TestTrayText::progress_data()
{
    // Status and RebuildProgress of drive 0, then of drive 1.
    QTest::addColumn<QStringList>("drives");
    QTest::addColumn<QString>("text");

    QTest::newRow("30") << QStringList{"0", "", "1", "30"} << " 30%";
    QTest::newRow("rounded to a whole percent") << QStringList{"0", "", "2", "7.6"} << " 8%";
    QTest::newRow("above 100") << QStringList{"0", "", "1", "150"} << " 100%";
    QTest::newRow("below 0") << QStringList{"0", "", "1", "-20"} << " 0%";
    QTest::newRow("far beyond any integer") << QStringList{"0", "", "1", "1e300"} << " 100%";
    QTest::newRow("far below any integer") << QStringList{"0", "", "1", "-1e300"} << " 0%";
    QTest::newRow("infinite") << QStringList{"0", "", "1", "inf"} << " 100%";
    QTest::newRow("not a number") << QStringList{"0", "", "1", "nan"} << "";
    QTest::newRow("drive 1 wins when both rebuild") << QStringList{"1", "10", "2", "60"} << " 60%";
    QTest::newRow("first drive alone") << QStringList{"2", "10", "0", "60"} << " 10%";
    QTest::newRow("neither rebuilds") << QStringList{"0", "10", "3", "60"} << "";
}

void TestTrayText::progress()
{
    QFETCH(QStringList, drives);
    QFETCH(QString, text);
    const auto drive = [&](int i) {
        return QHash<QString, QString>{{QStringLiteral("Status"), drives.at(2 * i)},
                                       {QStringLiteral("RebuildProgress"), drives.at(2 * i + 1)}};
    };
    QCOMPARE(TrayText::rebuildProgressText(drive(0), drive(1)), text);
}

TAMRO_TEST_GUILESS_MAIN(TestTrayText)
#include "test_traytext.moc"
