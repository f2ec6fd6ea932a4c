// SPDX-License-Identifier: GPL-3.0-or-later
// Splitting code lists and log rows: a token is a maximal run of non-delimiter bytes.
#include "testmain.h"
#include "util/stringenumerator.h"

class TestStringEnumerator : public QObject
{
    Q_OBJECT
private slots:
    void tokens_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("delimiters");
        QTest::addColumn<QStringList>("tokens");
        QTest::newRow("code list") << "70, 97, 105"
                                   << ", " << QStringList{"70", "97", "105"};
        QTest::newRow("lone space splits") << "7 0"
                                           << ", " << QStringList{"7", "0"};
        QTest::newRow("lone comma splits") << "7,0"
                                           << ", " << QStringList{"7", "0"};
        QTest::newRow("leading and trailing") << ", 70, "
                                              << ", " << QStringList{"70"};
        QTest::newRow("only delimiters") << ",,"
                                         << "," << QStringList{};
        QTest::newRow("empty field lost") << "a,,b"
                                          << "," << QStringList{"a", "b"};
        QTest::newRow("empty text") << ""
                                    << ", " << QStringList{};
        QTest::newRow("no delimiter in text") << "abc"
                                              << ", " << QStringList{"abc"};
        QTest::newRow("empty delimiter set") << "a, b"
                                             << "" << QStringList{"a, b"};
        QTest::newRow("repeated delimiters in set") << "a;b"
                                                    << ";;;" << QStringList{"a", "b"};
        QTest::newRow("log row") << "Tue Dec  8 14:16:11 2026,Box,Retrieved configuration."
                                 << ","
                                 << QStringList{"Tue Dec  8 14:16:11 2026", "Box",
                                                "Retrieved configuration."};
        QTest::newRow("NUL ends the text")
            << QString::fromUtf8("12\0 34", 6) << ", " << QStringList{"12"};
    }
    void tokens()
    {
        QFETCH(QString, text);
        QFETCH(QString, delimiters);
        QFETCH(QStringList, tokens);
        QCOMPARE(tokenize(text, delimiters).allObjects(), tokens);

        D_StringEnumerator one = tokenize(text, delimiters);
        QStringList seen;
        while (auto token = one.nextObject())
            seen.append(*token);
        QCOMPARE(seen, tokens);
        // Exhausted for good.
        QVERIFY(!one.nextObject());
        QVERIFY(!one.nextObject());
        QCOMPARE(one.allObjects(), QStringList());
    }

    void allObjectsAfterSomeCalls()
    {
        D_StringEnumerator e = tokenize(QStringLiteral("1, 2, 3, 4"), QStringLiteral(", "));
        QCOMPARE(e.nextObject(), std::optional<QString>(QStringLiteral("1")));
        QCOMPARE(e.nextObject(), std::optional<QString>(QStringLiteral("2")));
        QCOMPARE(e.allObjects(), (QStringList{"3", "4"}));
        QCOMPARE(e.allObjects(), QStringList());
    }
};

TAMRO_TEST_GUILESS_MAIN(TestStringEnumerator)
#include "test_stringenumerator.moc"
