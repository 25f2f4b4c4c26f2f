// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopRecord.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QTest>

using namespace kv;

// The record desktops without memory of their own rely on: a damaged or hand-edited one reads as
// "nothing known", which makes the engine set everything again.
class TestDesktopRecord : public QObject {
    Q_OBJECT

    test::TestEnvironment home_;

    QString recordFile() const {
        return DesktopRecord::runtimeFolder() + QStringLiteral("/probe-desktop.json");
    }

private Q_SLOTS:
    void damagedRecords_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("truncated") << QByteArray("{\"path\": \"/x.jpg\", \"sty");
        QTest::newRow("not an object") << QByteArray("[1, 2, 3]");
        QTest::newRow("out of range") << QByteArray("{\"style\": 7, \"colour\": -5}");
        QTest::newRow("wrong types") << QByteArray("{\"style\": \"1\", \"colour\": \"#ffffff\"}");
        QTest::newRow("huge") << QByteArray(200 * 1024, ' ') + "{\"style\": 1}";
    }

    void damagedRecords() {
        QFETCH(QByteArray, content);
        QFile file(recordFile());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        const DesktopState state = DesktopRecord(QStringLiteral("probe")).read();
        QCOMPARE(state.style, int(StyleUnknown));
        QCOMPARE(state.colour, kUnknownDesktopColor);
        QCOMPARE(QFile::permissions(DesktopRecord::runtimeFolder()) & 0x0077,
                 QFileDevice::Permissions());
    }
};

QTEST_GUILESS_MAIN(TestDesktopRecord)
#include "tst_desktop_record.moc"
