// SPDX-License-Identifier: GPL-3.0-or-later
// Integer reading of the service's texts: white space, sign, leading digits, clamping.
#include "testmain.h"
#include "util/intvalue.h"

class TestIntValue : public QObject
{
    Q_OBJECT
private slots:
    void values_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "42" << 42;
        QTest::newRow("digits then letters") << "12abc" << 12;
        QTest::newRow("blanks, sign, tail") << "  -7x" << -7;
        QTest::newRow("tab and newline") << "\t\n9" << 9;
        QTest::newRow("plus") << "+15" << 15;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("sign only") << "+" << 0;
        QTest::newRow("minus only") << "-" << 0;
        QTest::newRow("letters first") << "x12" << 0;
        QTest::newRow("blank between sign and digits") << "- 5" << 0;
        QTest::newRow("two signs") << "--5" << 0;
        QTest::newRow("leading zero") << "0123" << 123;
        QTest::newRow("decimal") << "232.88" << 232;
        QTest::newRow("max") << "2147483647" << 2147483647;
        QTest::newRow("min") << "-2147483648" << int(-2147483647 - 1);
        QTest::newRow("overflow clamps up") << "2147483648" << 2147483647;
        QTest::newRow("overflow clamps down") << "-2147483649" << int(-2147483647 - 1);
        QTest::newRow("far overflow") << "99999999999999999999999" << 2147483647;
        QTest::newRow("far underflow") << "-99999999999999999999999" << int(-2147483647 - 1);
        QTest::newRow("many zeros") << "000000000000000000000007" << 7;
    }
    void values()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(intValue(text), value);
    }
};

TAMRO_TEST_GUILESS_MAIN(TestIntValue)
#include "test_intvalue.moc"
