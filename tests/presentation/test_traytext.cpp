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
    QTest::addColumn<QString>("drive0Status");
    QTest::addColumn<QString>("drive0Progress");
    QTest::addColumn<QString>("drive1Status");
    QTest::addColumn<QString>("drive1Progress");
    QTest::addColumn<QString>("text");

    QTest::newRow("30") << "0"
                        << ""
                        << "1"
                        << "30"
                        << " 30%";
    QTest::newRow("rounded to a whole percent") << "0"
                                                << ""
                                                << "2"
                                                << "7.6"
                                                << " 8%";
    QTest::newRow("above 100") << "0"
                               << ""
                               << "1"
                               << "150"
                               << " 100%";
    QTest::newRow("below 0") << "0"
                             << ""
                             << "1"
                             << "-20"
                             << " 0%";
    QTest::newRow("far beyond any integer") << "0"
                                            << ""
                                            << "1"
                                            << "1e300"
                                            << " 100%";
    QTest::newRow("far below any integer") << "0"
                                           << ""
                                           << "1"
                                           << "-1e300"
                                           << " 0%";
    QTest::newRow("infinite") << "0"
                              << ""
                              << "1"
                              << "inf"
                              << " 100%";
    QTest::newRow("not a number") << "0"
                                  << ""
                                  << "1"
                                  << "nan"
                                  << "";
    QTest::newRow("drive 1 wins when both rebuild") << "1"
                                                    << "10"
                                                    << "2"
                                                    << "60"
                                                    << " 60%";
    QTest::newRow("first drive alone") << "2"
                                       << "10"
                                       << "0"
                                       << "60"
                                       << " 10%";
    QTest::newRow("neither rebuilds") << "0"
                                      << "10"
                                      << "3"
                                      << "60"
                                      << "";
}

void TestTrayText::progress()
{
    QFETCH(QString, drive0Status);
    QFETCH(QString, drive0Progress);
    QFETCH(QString, drive1Status);
    QFETCH(QString, drive1Progress);
    QFETCH(QString, text);
    const QHash<QString, QString> drive0{{QStringLiteral("Status"), drive0Status},
                                         {QStringLiteral("RebuildProgress"), drive0Progress}};
    const QHash<QString, QString> drive1{{QStringLiteral("Status"), drive1Status},
                                         {QStringLiteral("RebuildProgress"), drive1Progress}};
    QCOMPARE(TrayText::rebuildProgressText(drive0, drive1), text);
}

TAMRO_TEST_GUILESS_MAIN(TestTrayText)
#include "test_traytext.moc"
