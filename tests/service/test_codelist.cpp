// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding the service's code lists ("70, 97" -> "Fa").
#include "service/parseraidinfo.h"
#include "testmain.h"

class TestCodeList : public QObject
{
    Q_OBJECT
private slots:
    void decode_data()
    {
        QTest::addColumn<QString>("codes");
        QTest::addColumn<QString>("text");
        QTest::newRow("word") << "70, 97, 105, 108"
                              << "Fail";
        QTest::newRow("lone comma") << "70,97,105,108"
                                    << "Fail";
        QTest::newRow("lone space") << "70 97"
                                    << "Fa";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("null") << QString() << "";
        QTest::newRow("only delimiters") << ", , ,"
                                         << "";
        QTest::newRow("123 first") << "123, 70"
                                   << "-";
        QTest::newRow("123 last") << "70, 97, 123"
                                  << "-";
        QTest::newRow("122") << "122"
                             << "z";
        QTest::newRow("zero") << "0" << QString(QChar(0));
        QTest::newRow("zero inside") << "65, 0, 66" << (QStringLiteral("A") + QChar(0) + u'B');
        QTest::newRow("not a number") << "x" << QString(QChar(0));
        QTest::newRow("number then letters") << "65abc, 66"
                                             << "AB";
        QTest::newRow("low 16 bits") << "65601"
                                     << "A";
        QTest::newRow("minus one") << "-1"
                                   << "-";
        QTest::newRow("huge") << "99999999999999"
                              << "-";
        QTest::newRow("removal text")
            << "70, 97, 105, 108, 101, 100, 32, 99, 111, 110, 102, 105, 103, 117, 114, 97, 116, "
               "105, 111, 110, 46"
            << "Failed configuration.";
    }
    void decode()
    {
        QFETCH(QString, codes);
        QFETCH(QString, text);
        QCOMPARE(ParseRaidInfo::convertUniData(codes), text);
    }

    void longListsDecodeTheirFirst255Codes_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("expected");
        QTest::newRow("255") << 255 << 255;
        QTest::newRow("256") << 256 << 255;
        QTest::newRow("300") << 300 << 255;
        QTest::newRow("100000") << 100000 << 255;
    }
    void longListsDecodeTheirFirst255Codes()
    {
        QFETCH(int, count);
        QFETCH(int, expected);
        QStringList codes;
        for (int i = 0; i < count; ++i)
            codes.append(QString::number(65 + i % 26));
        const QString text = ParseRaidInfo::convertUniData(codes.join(QStringLiteral(", ")));
        QCOMPARE(text.size(), expected);
        QCOMPARE(text.left(3), QStringLiteral("ABC"));
        QCOMPARE(text.at(expected - 1), QChar(65 + (expected - 1) % 26));
    }

    void codesPastTheRoomAreNotRead()
    {
        // Only the codes that fit are looked at: a bad code after them changes nothing.
        QStringList codes(255, QStringLiteral("49"));
        codes.append(QStringLiteral("200"));
        QCOMPARE(ParseRaidInfo::convertUniData(codes.join(QStringLiteral(", "))),
                 QString(255, u'1'));
        codes[254] = QStringLiteral("200");
        QCOMPARE(ParseRaidInfo::convertUniData(codes.join(QStringLiteral(", "))),
                 QStringLiteral("-"));
    }
};

TAMRO_TEST_GUILESS_MAIN(TestCodeList)
#include "test_codelist.moc"
