// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Numbers.h"
#include "settings/Settings.h"

#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<qint32>)
Q_DECLARE_METATYPE(std::optional<double>)

class TestSettingsValues : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wholeNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<qint32>>("expected");
        QTest::newRow("plain") << "12" << std::optional<qint32>(12);
        QTest::newRow("negative") << "-5" << std::optional<qint32>(-5);
        QTest::newRow("spaces") << " 7 " << std::optional<qint32>(7);
        QTest::newRow("zero as real") << "0.0" << std::optional<qint32>(0);
        QTest::newRow("half to even, down") << "2.5" << std::optional<qint32>(2);
        QTest::newRow("half to even, up") << "3.5" << std::optional<qint32>(4);
        QTest::newRow("decimal comma") << "1,5" << std::optional<qint32>(2);
        QTest::newRow("letters") << "twelve" << std::optional<qint32>();
        QTest::newRow("digits then letters") << "12abc" << std::optional<qint32>();
        QTest::newRow("empty") << "" << std::optional<qint32>();
        // Out of range saturates, so a huge count is clamped like any other, not lost.
        QTest::newRow("above 32 bits") << "4294967296" << std::optional<qint32>(2147483647);
        QTest::newRow("below 32 bits") << "-2147483649" << std::optional<qint32>(-2147483647 - 1);
        QTest::newRow("above 64 bits")
            << "99999999999999999999" << std::optional<qint32>(2147483647);
        QTest::newRow("huge real") << "1e300" << std::optional<qint32>(2147483647);
        QTest::newRow("not a number") << "nan" << std::optional<qint32>();
    }
    void wholeNumbers() {
        QFETCH(QString, text);
        QFETCH(std::optional<qint32>, expected);
        QCOMPARE(kv::parseWholeNumber(text), expected);
    }

    void realNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<double>>("expected");
        QTest::newRow("point") << "1.5" << std::optional<double>(1.5);
        QTest::newRow("comma") << "1,5" << std::optional<double>(1.5);
        QTest::newRow("heartbeat") << "86399.99" << std::optional<double>(86399.99);
        QTest::newRow("exponent") << "1e+07" << std::optional<double>(1e7);
        QTest::newRow("two commas") << "1,5,3" << std::optional<double>();
        QTest::newRow("infinity") << "inf" << std::optional<double>();
        QTest::newRow("words") << "abc" << std::optional<double>();
    }
    void realNumbers() {
        QFETCH(QString, text);
        QFETCH(std::optional<double>, expected);
        QCOMPARE(kv::parseRealNumber(text), expected);
    }

    void singlePrecisionWrites_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("one and a half") << 1.5 << "1.5";
        QTest::newRow("whole") << 1.0 << "1";
        QTest::newRow("heartbeat before midnight") << 86399.99 << "86399.99";
        QTest::newRow("seven digits") << 1234.56789 << "1234.568";
        QTest::newRow("negative twips") << -150.0 << "-150";
    }
    void singlePrecisionWrites() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(kv::singlePrecisionText(value), text);
    }

    void numberText_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("one") << 1.0 << "1";
        QTest::newRow("negative") << -12.0 << "-12";
        QTest::newRow("half to even") << 2.5 << "2";
        QTest::newRow("rounds") << 6.6 << "7";
    }
    void numberText() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(kv::NumberText(value), text);
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
