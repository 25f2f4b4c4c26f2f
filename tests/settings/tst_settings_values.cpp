// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Numbers.h"
#include "settings/Settings.h"

#include <QTest>

// The conversion a row of the number table checks.
constexpr int Whole = 0, Real = 1, Single = 2, Text = 3;

class TestSettingsValues : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // How stored text reads as a number and how a number is written; an invalid expectation
    // is "not a number, the default applies".
    void numbers_data() {
        QTest::addColumn<int>("conversion");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QVariant>("expected");
        const QVariant none;
        QTest::newRow("whole: plain") << Whole << "12" << QVariant(12);
        QTest::newRow("whole: negative") << Whole << "-5" << QVariant(-5);
        QTest::newRow("whole: spaces") << Whole << " 7 " << QVariant(7);
        QTest::newRow("whole: zero as real") << Whole << "0.0" << QVariant(0);
        QTest::newRow("whole: half to even, down") << Whole << "2.5" << QVariant(2);
        QTest::newRow("whole: half to even, up") << Whole << "3.5" << QVariant(4);
        QTest::newRow("whole: decimal comma") << Whole << "1,5" << QVariant(2);
        QTest::newRow("whole: letters") << Whole << "twelve" << none;
        QTest::newRow("whole: digits then letters") << Whole << "12abc" << none;
        QTest::newRow("whole: empty") << Whole << "" << none;
        QTest::newRow("whole: not a number") << Whole << "nan" << none;
        // Out of range saturates, so a huge count is clamped like any other, not lost.
        QTest::newRow("whole: above 32 bits") << Whole << "4294967296" << QVariant(2147483647);
        QTest::newRow("whole: below 32 bits")
            << Whole << "-2147483649" << QVariant(-2147483647 - 1);
        QTest::newRow("whole: above 64 bits")
            << Whole << "99999999999999999999" << QVariant(2147483647);
        QTest::newRow("whole: huge real") << Whole << "1e300" << QVariant(2147483647);
        QTest::newRow("real: point") << Real << "1.5" << QVariant(1.5);
        QTest::newRow("real: comma") << Real << "1,5" << QVariant(1.5);
        QTest::newRow("real: heartbeat") << Real << "86399.99" << QVariant(86399.99);
        QTest::newRow("real: exponent") << Real << "1e+07" << QVariant(1e7);
        QTest::newRow("real: two commas") << Real << "1,5,3" << none;
        QTest::newRow("real: infinity") << Real << "inf" << none;
        QTest::newRow("real: words") << Real << "abc" << none;
        QTest::newRow("single: one and a half") << Single << "1.5" << QVariant("1.5");
        QTest::newRow("single: whole") << Single << "1" << QVariant("1");
        QTest::newRow("single: heartbeat") << Single << "86399.99" << QVariant("86399.99");
        QTest::newRow("single: seven digits") << Single << "1234.56789" << QVariant("1234.568");
        QTest::newRow("single: negative twips") << Single << "-150" << QVariant("-150");
        QTest::newRow("text: one") << Text << "1" << QVariant("1");
        QTest::newRow("text: negative") << Text << "-12" << QVariant("-12");
        QTest::newRow("text: half to even") << Text << "2.5" << QVariant("2");
        QTest::newRow("text: rounds") << Text << "6.6" << QVariant("7");
    }
    void numbers() {
        QFETCH(int, conversion);
        QFETCH(QString, input);
        QFETCH(QVariant, expected);
        QVariant result;
        if (conversion == Whole) {
            if (const auto value = kv::parseWholeNumber(input))
                result = *value;
        } else if (conversion == Real) {
            if (const auto value = kv::parseRealNumber(input))
                result = *value;
        } else {
            const double value = input.toDouble();
            result = conversion == Single ? kv::singlePrecisionText(value) : kv::NumberText(value);
        }
        QCOMPARE(result, expected);
    }

    void clampToRange_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("expected");
        QTest::newRow("inside") << 5 << 10 << 0 << 5;
        QTest::newRow("below") << -5 << 10 << 0 << 0;
        QTest::newRow("above") << 40 << 31 << 0 << 31;
        QTest::newRow("empty range, middle") << 99 << 4 << 8 << 6;
        QTest::newRow("empty range, half to even") << 0 << 3 << 6 << 4;
        QTest::newRow("index with no entries") << 7 << -1 << 0 << 0;
    }
    void clampToRange() {
        QFETCH(int, value);
        QFETCH(int, max);
        QFETCH(int, min);
        QFETCH(int, expected);
        QCOMPARE(kv::ClampToRange(value, max, min), expected);
    }
};

QTEST_GUILESS_MAIN(TestSettingsValues)
#include "tst_settings_values.moc"
