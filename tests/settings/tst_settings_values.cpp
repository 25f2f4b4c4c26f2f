// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Numbers.h"
#include "settings/Settings.h"

#include <QTest>

enum Conversion { Whole, Real, Single, Text, Clamp };

class TestSettingsValues : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Stored text read as a number, a number written, a clamp ("value max min"); an invalid
    // expectation is "not a number, the default applies".
    void numbers_data() {
        QTest::addColumn<int>("conversion");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QVariant>("expected");
        const auto row = [](const char* tag, Conversion c, const char* in, QVariant out) {
            QTest::newRow(tag) << int(c) << QString::fromLatin1(in) << out;
        };
        row("whole: spaces", Whole, " -7 ", -7);
        row("whole: half to even, down", Whole, "2.5", 2);
        row("whole: half to even, up", Whole, "3.5", 4);
        row("whole: digits then letters", Whole, "12abc", {});
        // Out of range saturates, so a huge count is clamped like any other, not lost.
        row("whole: above 64 bits", Whole, "99999999999999999999", 2147483647);
        row("real: comma", Real, "1,5", 1.5);
        row("real: exponent, as written", Real, "1e+07", 1e7);
        row("real: two commas", Real, "1,5,3", {});
        row("real: infinity", Real, "inf", {});
        row("single: heartbeat", Single, "86399.99", "86399.99");
        row("single: seven digits", Single, "1234.56789", "1234.568");
        row("text: half to even", Text, "2.5", "2");
        row("clamp: above", Clamp, "40 31 0", 31);
        row("clamp: empty range, half to even", Clamp, "0 3 6", 4);
        row("clamp: index with no entries", Clamp, "7 -1 0", 0);
    }
    void numbers() {
        QFETCH(int, conversion);
        QFETCH(QString, input);
        QFETCH(QVariant, expected);
        const QStringList n = input.split(u' ');
        QVariant result;
        if (conversion == Whole && kv::parseWholeNumber(input))
            result = *kv::parseWholeNumber(input);
        else if (conversion == Real && kv::parseRealNumber(input))
            result = *kv::parseRealNumber(input);
        else if (conversion == Single)
            result = kv::singlePrecisionText(input.toDouble());
        else if (conversion == Text)
            result = kv::NumberText(input.toDouble());
        else if (conversion == Clamp)
            result = kv::ClampToRange(n[0].toInt(), n[1].toInt(), n[2].toInt());
        QCOMPARE(result, expected);
    }
};

QTEST_GUILESS_MAIN(TestSettingsValues)
#include "tst_settings_values.moc"
