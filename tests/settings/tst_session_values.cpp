// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SessionValuesStore.h"
#include "settings/SettingsLocation.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using Store = kv::SessionValuesStore;

namespace {
const QString kKey = QStringLiteral("Software\\Kestrovaline\\Kestrovaline");
} // namespace

class TestSessionValues : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path() const { return dir_.filePath(QStringLiteral("kestrovaline/session-values")); }

private Q_SLOTS:
    void init() { QFile::remove(path()); }

    // Each store stands for another copy of the program: what one writes, the other reads at once.
    void valuesComeBackAsWrittenToEveryCopy() {
        const auto writer = Store::open(path());
        const auto reader = Store::open(path());
        // Tab, line end and backslash are the file's own marks; the last bytes are not UTF-8.
        const QString odd = QStringLiteral("a\tb\nc\\d\\t ü") + QChar(0xDC80) + QChar(0xDCFF);
        QVERIFY(writer->writeText(kKey, QStringLiteral("LifeTime"), odd));
        QVERIFY(writer->writeText(kKey, QStringLiteral("LifeCmd"), QStringLiteral("2")));
        QCOMPARE(reader->readText(kKey.toUpper(), QStringLiteral("lifetime")), odd);
        QVERIFY(reader->writeText(kKey, QStringLiteral("LIFECMD"), QString()));
        QCOMPARE(writer->readText(kKey, QStringLiteral("LifeCmd")), QString());
        QCOMPARE(writer->readText(QStringLiteral("Other"), QStringLiteral("LifeTime")), QString());
        // A folder that cannot be made leaves no store at all: the caller keeps the heartbeat
        // elsewhere.
        QVERIFY(QFile(dir_.filePath(QStringLiteral("blocker"))).open(QIODevice::WriteOnly));
        QVERIFY(!Store::open(dir_.filePath(QStringLiteral("blocker/session-values"))));
    }

    // Two copies updating at once, each from its own thread and file handle: neither update
    // comes between the other's read and write.
    void updatesNeverOverlap() {
        const auto count = [this] {
            const auto store = Store::open(path());
            for (int i = 0; i < 300; ++i) {
                QVERIFY(store->beginUpdate());
                const int seen = store->readText(kKey, QStringLiteral("N")).toInt();
                store->writeText(kKey, QStringLiteral("N"), QString::number(seen + 1));
                store->endUpdate();
            }
        };
        std::unique_ptr<QThread> other(QThread::create(count));
        other->start();
        count();
        QVERIFY(other->wait(60000));
        QCOMPARE(Store::open(path())->readText(kKey, QStringLiteral("N")), QStringLiteral("600"));
    }

    // Without XDG_RUNTIME_DIR (cron, su) the heartbeat and the lock stay where the session's
    // copy keeps them, in the user's runtime folder, unless others can reach that folder.
    void storeWithoutARuntimeVariable_data() {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<int>("mode"); // of <sessions>/<uid> in Qt's flags, 0 for no folder
        QTest::addColumn<bool>("there");
        QTest::newRow("unset") << "" << 0x7000 << true;
        QTest::newRow("relative") << "run" << 0x7000 << true;
        QTest::newRow("open to others") << "" << 0x7055 << false;
        QTest::newRow("missing") << "" << 0 << false;
    }
    void storeWithoutARuntimeVariable() {
        QFETCH(QString, variable);
        QFETCH(int, mode);
        QFETCH(bool, there);
        const QTemporaryDir sessions;
        const QString user =
            sessions.filePath(QString::number(QFileInfo(sessions.path()).ownerId()));
        QVERIFY(!mode ||
                (QDir().mkdir(user) && QFile::setPermissions(user, QFile::Permissions(mode))));
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), variable);
        QCOMPARE(kv::volatileStorePath(environment, sessions.path()).startsWith(user + '/'), there);
        QCOMPARE(kv::livenessLockPath(environment, sessions.path()).startsWith(user + '/'), there);
    }

    void damagedFileIsReadEmptyAndWrittenAnew_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("lifeTime");
        const auto counted = [](const QByteArray& body) {
            return "kestrovaline-session-values 1 " + QByteArray::number(body.size()) + '\n' + body;
        };
        const QByteArray body = "Software\\\\K\\\\K\tLifeTime\t4\n";
        QTest::newRow("whole") << counted(body) << "4";
        QTest::newRow("not ours") << QByteArray("LifeTime=4\n") << "";
        QTest::newRow("cut short") << counted(body).chopped(3) << "";
        QTest::newRow("longer than counted") << counted(body) + "4"
                                             << "";
        QTest::newRow("unknown escape")
            << counted(QByteArray(body).replace("\\\\K\t", "\\qK\t")) << "";
        QTest::newRow("missing field") << counted(QByteArray(body).replace("\t4", "")) << "";
        QTest::newRow("huge") << counted(body + QByteArray(3 << 20, '\n')) << "";
    }
    void damagedFileIsReadEmptyAndWrittenAnew() {
        QFETCH(QByteArray, content);
        QFETCH(QString, lifeTime);
        const auto store = Store::open(path());
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        file.close();
        const QString key = QStringLiteral("Software\\K\\K");
        QCOMPARE(store->readText(key, QStringLiteral("LifeTime")), lifeTime);
        QVERIFY(store->writeText(key, QStringLiteral("LifeCmd"), QStringLiteral("1")));
        // Read afresh, as another copy would: nothing of the old file is left past the new one.
        const auto again = Store::open(path());
        QCOMPARE(again->readText(key, QStringLiteral("LifeCmd")), QStringLiteral("1"));
        QCOMPARE(again->readText(key, QStringLiteral("LifeTime")), lifeTime);
    }
};

QTEST_GUILESS_MAIN(TestSessionValues)
#include "tst_session_values.moc"
