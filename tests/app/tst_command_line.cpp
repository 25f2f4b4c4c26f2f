// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <QTest>

using Mode = kv::CommandLine::Mode;
Q_DECLARE_METATYPE(Mode)

class TestCommandLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void modes_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Mode>("mode");
        QTest::newRow("nothing") << QStringList{} << Mode::Normal;
        QTest::newRow("logon") << QStringList{"-logon"} << Mode::Logon;
        QTest::newRow("LOGON") << QStringList{"-LOGON"} << Mode::Logon;
        QTest::newRow("logon with more") << QStringList{"-logon", "now"} << Mode::Normal;
        QTest::newRow("close") << QStringList{"-Close"} << Mode::Close;
        QTest::newRow("close with space") << QStringList{"-close "} << Mode::Normal;
        QTest::newRow("next") << QStringList{"-Next"} << Mode::Next;
        QTest::newRow("next with more") << QStringList{"-next", "2"} << Mode::Normal;
        QTest::newRow("unknown") << QStringList{"--frobnicate"} << Mode::Normal;
        QTest::newRow("help") << QStringList{"--help"} << Mode::Help;
        QTest::newRow("version") << QStringList{"--version"} << Mode::Version;
    }
    void modes() {
        QFETCH(QStringList, arguments);
        QFETCH(Mode, mode);
        QCOMPARE(kv::CommandLine::parse(arguments).mode, mode);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
