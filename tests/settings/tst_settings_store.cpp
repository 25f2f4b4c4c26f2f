// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Settings.h"
#include "settings/SqliteSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using kv::Settings;
using Store = kv::SqliteSettingsStore;
using Opened = Store::Opened;

namespace {

const QString kKey = QStringLiteral("Software\\Kestrovaline\\Kestrovaline");

// Runs SQL on the store file from outside, as another program or a hand edit would; gives the
// first column of the first row it returns.
QString raw(const QString& path, const QString& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_busy_timeout(db, 5000);
    QString first;
    char* error = nullptr;
    const auto row = [](void* out, int, char** values, char**) {
        if (static_cast<QString*>(out)->isNull())
            *static_cast<QString*>(out) = QString::fromUtf8(values[0] ? values[0] : "");
        return 0;
    };
    if (sqlite3_exec(db, sql.toUtf8().constData(), row, &first, &error) != SQLITE_OK)
        qWarning("%s", error);
    sqlite3_free(error);
    sqlite3_close(db);
    return first;
}

int runChild(const QStringList& arguments) {
    QProcess child;
    child.start(QStringLiteral(KV_STORE_CHILD), arguments);
    child.waitForFinished(120000);
    return child.exitStatus() == QProcess::CrashExit ? -1 : child.exitCode();
}

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<Store> store_;
    std::unique_ptr<Settings> settings_;

    QString path() const { return dir_.filePath(QStringLiteral("kestrovaline/settings.sqlite")); }
    // The store as the program opens it, with its settings under the program's key.
    Settings& openSettings() {
        settings_.reset();
        store_ = Store::open(path());
        settings_ = std::make_unique<Settings>(*store_);
        settings_->SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());
        return *settings_;
    }
    QString stored(const QString& name) const { return store_->readText(kKey, name); }
    void insert(const QString& name, const QString& sqlValue) {
        Store::open(path());
        raw(path(), QStringLiteral("INSERT INTO settings VALUES('%1','%2',%3)")
                        .arg(QString(kKey).replace(u'\'', QStringLiteral("''")), name, sqlValue));
    }

private Q_SLOTS:
    void init() {
        settings_.reset();
        store_.reset();
        QDir(dir_.path()).removeRecursively();
        QDir().mkpath(dir_.path());
    }

    void firstRunReadsDefaultsAndFirstWriteCreatesTheKey() {
        Settings& settings = openSettings();
        QCOMPARE(store_->opened(), Opened::Created);
        QCOMPARE(settings.settingsKey(), kKey);
        QCOMPARE(settings.ReadSetting(QStringLiteral("LastFolder"), "none"),
                 QStringLiteral("none"));
        settings.WriteSetting(QStringLiteral("WN"), 3);
        openSettings();
        QCOMPARE(store_->opened(), Opened::Existing);
        // Keys and names compare without regard to case, as they always have.
        QCOMPARE(store_->readText(kKey.toUpper(), QStringLiteral("wn")), QStringLiteral("3"));
        QCOMPARE(store_->readText(QStringLiteral("Software\\Other\\Other"), "WN"), QString());
        QVERIFY(store_->writeText(kKey, QStringLiteral("wN"), QStringLiteral("4")));
        QCOMPARE(stored(QStringLiteral("WN")), QStringLiteral("4"));
        // A read leaves no lock behind: another connection can write at once.
        QCOMPARE(raw(path(), "BEGIN EXCLUSIVE; COMMIT; SELECT 'free'"), QStringLiteral("free"));
    }

    // A value as a hand edit or another program left it: text that is not UTF-8 (any bytes are
    // a file name on Unix) goes back byte for byte; a value of another kind reads as missing.
    void storedValuesReadAsTheyWereWritten_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QList<int>>("read"); // UTF-16 code units
        const auto bytes = [](const char* hex) {
            return QStringLiteral("CAST(X'%1' AS TEXT)").arg(hex);
        };
        QTest::newRow("UTF-8") << bytes("61C3A962") << QList<int>{0x61, 0xE9, 0x62};
        QTest::newRow("encoded surrogate") << bytes("EDA080") << QList<int>{0xDCED, 0xDCA0, 0xDC80};
        QTest::newRow("astral, stray byte")
            << bytes("F09F8C8DFF") << QList<int>{0xD83C, 0xDF0D, 0xDCFF};
        QTest::newRow("blob") << "x'414243'" << QList<int>{};
        QTest::newRow("null") << "NULL" << QList<int>{};
    }
    void storedValuesReadAsTheyWereWritten() {
        QFETCH(QString, sql);
        QFETCH(QList<int>, read);
        insert(QStringLiteral("WName1"), sql);
        Settings& settings = openSettings();
        const QString text = stored(QStringLiteral("WName1"));
        QList<int> units;
        for (const QChar unit : text)
            units << unit.unicode();
        QCOMPARE(units, read);
        // The load reads the whole key at once, the same way.
        QCOMPARE(store_->readAll(kKey).value().value(0).text, text);
        {
            const Settings::Snapshot snapshot(settings);
            QCOMPARE(settings.ReadSetting(QStringLiteral("WName1"), "dflt"),
                     text.isEmpty() ? "dflt" : text);
        }
        QVERIFY(store_->writeText(kKey, QStringLiteral("WName1"), text + u'x'));
        QCOMPARE(raw(path(), "SELECT typeof(data) || hex(data) FROM settings"),
                 QStringLiteral("text") +
                     (read.isEmpty() ? QString() : sql.mid(7, sql.size() - 17)) + "78");
    }

    // Bytes written as the file, or SQL run on a new one.
    void damagedStoreIsMovedAsideAndKept_data() {
        QTest::addColumn<QByteArray>("damage");
        QTest::newRow("not a database") << QByteArray(2000, 'x');
        QTest::newRow("truncated header") << QByteArray("SQLite format 3\0ga", 18);
        QTest::newRow("same columns without nocase")
            << QByteArray("CREATE TABLE settings(key TEXT NOT NULL, name TEXT NOT NULL, data, "
                          "PRIMARY KEY(key, name))");
    }
    void damagedStoreIsMovedAsideAndKept() {
        QFETCH(QByteArray, damage);
        QDir().mkpath(QFileInfo(path()).absolutePath());
        QFile file(path());
        if (damage.startsWith("CREATE"))
            raw(path(), QString::fromUtf8(damage));
        else
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(damage) == damage.size());
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        openSettings();
        QCOMPARE(store_->opened(), Opened::DamagedMoved);
        QVERIFY(store_->movedAsidePath().startsWith(path() + QStringLiteral(".damaged-")));
        QFile kept(store_->movedAsidePath());
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), before);
        // The program goes on with a working, empty store.
        QCOMPARE(stored(QStringLiteral("WN")), QString());
        QVERIFY(store_->writeText(kKey, QStringLiteral("WN"), QStringLiteral("1")));
        QCOMPARE(stored(QStringLiteral("WN")), QStringLiteral("1"));
    }

    // Every page is checked only after a run that ended abruptly: a sound store is never moved.
    void pageDamageIsLookedForAfterAnAbruptEnd_data() {
        QTest::addColumn<bool>("logLeftBehind");
        QTest::addColumn<Opened>("opened");
        QTest::newRow("log left behind") << true << Opened::DamagedMoved;
        QTest::newRow("clean end") << false << Opened::Existing;
    }
    void pageDamageIsLookedForAfterAnAbruptEnd() {
        QFETCH(bool, logLeftBehind);
        QFETCH(Opened, opened);
        QCOMPARE(runChild({path(), "batch", "some value", "3000"}), 0);
        QFile file(path());
        // Garbage over a page in the middle; the header and the schema stay readable.
        QVERIFY(file.open(QIODevice::ReadWrite) && file.size() > 40000);
        QVERIFY(file.seek(file.size() / 2) && file.write(QByteArray(4096, 'Z')) == 4096);
        file.close();
        if (logLeftBehind)
            QVERIFY(QFile(path() + QStringLiteral("-wal")).open(QIODevice::WriteOnly));
        QCOMPARE(Store::open(path())->opened(), opened);
    }

    void twoProcessesWritingAtOnceBothLand() {
        Store::open(path());
        QProcess first, second;
        first.start(QStringLiteral(KV_STORE_CHILD), {path(), "plain", "A", "400"});
        second.start(QStringLiteral(KV_STORE_CHILD), {path(), "plain", "B", "400"});
        QVERIFY(first.waitForFinished(120000) && second.waitForFinished(120000));
        QCOMPARE(first.exitCode() + second.exitCode(), 0);
        QCOMPARE(raw(path(), "SELECT count(*) FROM settings WHERE data = substr(name, 2)"), "800");
    }

    void aBatchKilledHalfWayLeavesTheOldState_data() {
        QTest::addColumn<int>("dieAfter");
        QTest::newRow("all written, not committed") << 30000;
        QTest::newRow("not killed") << -1;
    }
    void aBatchKilledHalfWayLeavesTheOldState() {
        QFETCH(int, dieAfter);
        QCOMPARE(runChild({path(), "batch", "old", "30000"}), 0);
        QCOMPARE(runChild({path(), "batch", "new", "30000", QString::number(dieAfter)}),
                 dieAfter < 0 ? 0 : -1);
        openSettings();
        QCOMPARE(store_->opened(), Opened::Existing);
        QCOMPARE(
            raw(path(), "SELECT count(*) || ' ' || min(data) || ' ' || max(data) FROM settings"),
            dieAfter < 0 ? "30000 new new" : "30000 old old");
    }

    void heartbeatValuesLiveInTheVolatileStore() {
        auto persistent = Store::open(path());
        const QString volatilePath = dir_.filePath(QStringLiteral("run/settings.sqlite"));
        auto volatileStore = Store::open(volatilePath, Store::Kind::Volatile);
        Settings settings(*persistent, volatileStore.get());
        settings.SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());
        settings.WriteSetting(QStringLiteral("LifeTime"), 123.5);
        settings.WriteSetting(QStringLiteral("lifecmd"), 2);
        settings.WriteSetting(QStringLiteral("WN"), 4);
        QCOMPARE(volatileStore->readText(kKey, "LifeTime"), QStringLiteral("123.5"));
        QCOMPARE(volatileStore->readText(kKey, "LifeCmd"), QStringLiteral("2"));
        QCOMPARE(persistent->readText(kKey, "LifeTime") + persistent->readText(kKey, "WN"), "4");
        QCOMPARE(settings.ReadSetting(QStringLiteral("LifeTime"), 0.0), 123.5);
        // A beat is one write of the file, with no log beside it.
        QVERIFY(!QFile::exists(volatilePath + "-wal") && !QFile::exists(volatilePath + "-journal"));
    }

    void aBatchReachesTheStoreOnlyAtItsOutermostCommit() {
        Settings& settings = openSettings();
        settings.WriteSetting(QStringLiteral("WN"), 1);
        {
            Settings::Batch batch(settings);
            settings.WriteSetting(QStringLiteral("WN"), 2);
            QCOMPARE(stored(QStringLiteral("WN")), QStringLiteral("1"));
            QCOMPARE(settings.ReadSetting(QStringLiteral("WN"), 0), 2);
        } // no commit: nothing written
        QCOMPARE(settings.ReadSetting(QStringLiteral("WN"), 0), 1);
        {
            Settings::Batch outer(settings);
            settings.WriteSetting(QStringLiteral("WN"), 3);
            {
                Settings::Batch inner(settings);
                settings.WriteSetting(QStringLiteral("WName1"), QStringLiteral("a.jpg"));
                QVERIFY(inner.commit());
            }
            QCOMPARE(stored(QStringLiteral("WName1")), QString());
            QVERIFY(outer.commit());
        }
        QCOMPARE(stored(QStringLiteral("WN")) + stored(QStringLiteral("WName1")), "3a.jpg");
    }

    void aSnapshotReadsTheKeyOnceAndSeesWritesMadeMeanwhile() {
        Settings& settings = openSettings();
        settings.WriteSetting(QStringLiteral("WN"), 1);
        store_->writeText(QStringLiteral("Software\\Other\\Other"), "WIndex", "4");
        const Settings::Snapshot snapshot(settings);
        raw(path(), "UPDATE settings SET data='9'");
        insert(QStringLiteral("LifeCmd"), QStringLiteral("'1'"));
        QCOMPARE(settings.ReadSetting(QStringLiteral("wn"), 0), 1);
        QCOMPARE(settings.ReadSetting(QStringLiteral("WIndex"), 0), 0);
        // The command slot is another copy's channel: always read from the store.
        QCOMPARE(settings.ReadSetting(QStringLiteral("LifeCmd"), 0), 1);
        settings.WriteSetting(QStringLiteral("WName1"), QStringLiteral("b.jpg"));
        QCOMPARE(settings.ReadSetting(QStringLiteral("WNAME1"), QString()), "b.jpg");
    }

    void aBatchOvertakenByAnotherWriterWritesNothingAndIsRedoneWhole() {
        Settings& settings = openSettings();
        settings.WriteSetting(QStringLiteral("WN"), 1);
        settings.WriteSetting(QStringLiteral("WIndex"), 0);
        { const Settings::Snapshot snapshot(settings); }
        QVERIFY(settings.knowsStore());
        raw(path(), "UPDATE settings SET data='5' WHERE name='WN'");
        const quint64 epoch = settings.knownEpoch();
        for (const bool overtaken : {true, false}) {
            Settings::Batch batch(settings);
            settings.WriteSetting(QStringLiteral("WN"), 1);
            settings.WriteSetting(QStringLiteral("WIndex"), 2);
            QCOMPARE(batch.commit(), !overtaken);
            QCOMPARE(stored(QStringLiteral("WN")) + stored(QStringLiteral("WIndex")),
                     overtaken ? "50" : "12");
            QVERIFY(settings.knownEpoch() != epoch);
        }
    }

    void anUnusableFolderFallsBackToMemory() {
        QVERIFY(QFile(dir_.filePath(QStringLiteral("blocker"))).open(QIODevice::WriteOnly));
        auto store = Store::open(dir_.filePath(QStringLiteral("blocker/settings.sqlite")));
        QCOMPARE(store->opened(), Opened::InMemory);
        QVERIFY(store->writeText(kKey, QStringLiteral("WN"), QStringLiteral("1")));
        QCOMPARE(store->readText(kKey, QStringLiteral("WN")), QStringLiteral("1"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settings_store.moc"
