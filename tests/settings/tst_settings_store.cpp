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
using kv::SqliteSettingsStore;

namespace {

const QString kKey = QStringLiteral("Software\\Kestrovaline\\Kestrovaline");

// Runs SQL on the store file from outside, as another program or a hand edit would.
void rawExec(const QString& path, const QString& sql) {
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    sqlite3_busy_timeout(db, 5000);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    const QString message = QString::fromUtf8(error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(message));
}

// A stored value as SQL sees it: `expression` of its data, e.g. its type or its bytes in hex.
QString rawValue(const QString& path, const QString& name, const char* expression) {
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_stmt* stmt = nullptr;
    const QByteArray sql = QByteArray("SELECT ") + expression + " FROM settings WHERE name=?1";
    sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr);
    const QByteArray n = name.toUtf8();
    sqlite3_bind_text(stmt, 1, n.constData(), -1, SQLITE_TRANSIENT);
    QString value;
    if (sqlite3_step(stmt) == SQLITE_ROW)
        value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return value;
}

// Inserts a value under the program's key as SQL text, e.g. 42 or x'41' or CAST(... AS TEXT).
void rawInsert(const QString& path, const QString& name, const QString& sqlValue) {
    rawExec(path, QStringLiteral("INSERT INTO settings VALUES('%1', '%2', %3)")
                      .arg(QString(kKey).replace(QLatin1Char('\''), QStringLiteral("''")), name,
                           sqlValue));
}

int openFileDescriptors() {
    return int(QDir(QStringLiteral("/proc/self/fd")).count());
}

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<SqliteSettingsStore> store_;
    std::unique_ptr<Settings> settings_;

    QString storePath() const {
        return dir_.filePath(QStringLiteral("kestrovaline/settings.sqlite"));
    }
    // The store as the program opens it, with its settings under the program's key.
    Settings& openSettings() {
        settings_.reset();
        store_ = SqliteSettingsStore::open(storePath());
        settings_ = std::make_unique<Settings>(*store_);
        settings_->SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());
        return *settings_;
    }
    QString stored(const QString& name) const { return store_->readText(kKey, name); }
    int runChild(const QStringList& arguments) {
        QProcess child;
        child.start(QStringLiteral(KV_STORE_CHILD), arguments);
        child.waitForFinished(120000);
        return child.exitStatus() == QProcess::CrashExit ? -1 : child.exitCode();
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
        QCOMPARE(store_->opened(), SqliteSettingsStore::Opened::Created);
        QCOMPARE(settings.settingsKey(), kKey);
        QCOMPARE(settings.ReadSetting(QStringLiteral("WN"), 0), 0);
        QCOMPARE(settings.ReadSetting(QStringLiteral("LastFolder"), "none"),
                 QStringLiteral("none"));
        settings.WriteSetting(QStringLiteral("WN"), 3);

        openSettings();
        QCOMPARE(store_->opened(), SqliteSettingsStore::Opened::Existing);
        // Keys and names compare without regard to case, as they always have.
        QCOMPARE(store_->readText(kKey.toUpper(), QStringLiteral("wn")), QStringLiteral("3"));
        QCOMPARE(store_->readText(QStringLiteral("Software\\Other\\Other"), QStringLiteral("WN")),
                 QString());
        QVERIFY(store_->writeText(kKey, QStringLiteral("wN"), QStringLiteral("4")));
        QCOMPARE(stored(QStringLiteral("WN")), QStringLiteral("4"));
    }

    void valuesOfOtherKindsReadAsMissing_data() {
        QTest::addColumn<QStringList>("value"); // as SQL, and its type there
        QTest::newRow("integer") << QStringList{"42", "integer"};
        QTest::newRow("real") << QStringList{"1.5", "real"};
        QTest::newRow("blob") << QStringList{"x'414243'", "blob"};
        QTest::newRow("null") << QStringList{"NULL", "null"};
        QTest::newRow("empty text") << QStringList{"''", "text"};
    }
    void valuesOfOtherKindsReadAsMissing() {
        QFETCH(QStringList, value);
        SqliteSettingsStore::open(storePath());
        rawInsert(storePath(), QStringLiteral("WN"), value[0]);
        QCOMPARE(rawValue(storePath(), QStringLiteral("WN"), "typeof(data)"), value[1]);

        Settings& settings = openSettings();
        QCOMPARE(settings.ReadSetting(QStringLiteral("WN"), 7), 7);
        QCOMPARE(settings.ReadSetting(QStringLiteral("WN"), 2.5), 2.5);
        QCOMPARE(settings.ReadSetting(QStringLiteral("WN"), "dflt"), QStringLiteral("dflt"));
        {
            const Settings::Snapshot snapshot(settings);
            QCOMPARE(settings.ReadSetting(QStringLiteral("WN"), 7), 7);
        }
        settings.WriteSetting(QStringLiteral("WN"), 5);
        QCOMPARE(rawValue(storePath(), QStringLiteral("WN"), "typeof(data)"),
                 QStringLiteral("text"));
        QCOMPARE(settings.ReadSetting(QStringLiteral("WN"), 7), 5);
    }

    // A name that is not UTF-8 (any bytes are a file name on Unix) goes back byte for byte.
    void textThatIsNotUtf8RoundTrips_data() {
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QList<int>>("read"); // UTF-16 code units
        QTest::newRow("UTF-8") << "61C3A962" << QList<int>{0x61, 0xE9, 0x62};
        QTest::newRow("replacement character") << "EFBFBD" << QList<int>{0xFFFD};
        QTest::newRow("Latin-1 byte") << "61E962" << QList<int>{0x61, 0xDCE9, 0x62};
        QTest::newRow("cut sequence") << "61E282" << QList<int>{0x61, 0xDCE2, 0xDC82};
        QTest::newRow("encoded surrogate") << "EDA080" << QList<int>{0xDCED, 0xDCA0, 0xDC80};
        QTest::newRow("overlong") << "C0AF" << QList<int>{0xDCC0, 0xDCAF};
        QTest::newRow("above U+10FFFF") << "F4908080" << QList<int>{0xDCF4, 0xDC90, 0xDC80, 0xDC80};
        QTest::newRow("astral, then a stray byte")
            << "F09F8C8DFF" << QList<int>{0xD83C, 0xDF0D, 0xDCFF};
    }
    void textThatIsNotUtf8RoundTrips() {
        QFETCH(QString, hex);
        QFETCH(QList<int>, read);
        SqliteSettingsStore::open(storePath());
        rawInsert(storePath(), QStringLiteral("WName1"),
                  QStringLiteral("CAST(X'%1' AS TEXT)").arg(hex));
        openSettings();
        const QString text = stored(QStringLiteral("WName1"));
        QList<int> units;
        for (const QChar unit : text)
            units << unit.unicode();
        QCOMPARE(units, read);
        // The load reads the whole key at once, the same way.
        const auto all = store_->readAll(kKey);
        QVERIFY(all && all->size() == 1);
        QCOMPARE(all->first().text, text);
        QVERIFY(store_->writeText(kKey, QStringLiteral("WName1"), text + QStringLiteral("x")));
        QCOMPARE(rawValue(storePath(), QStringLiteral("WName1"), "hex(data)"), hex + "78");
    }

    void damagedStoreIsMovedAsideAndKept_data() {
        QTest::addColumn<QByteArray>("sql");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("not a database")
            << QByteArray() << QByteArray("this is no database\n", 20).repeated(300);
        QTest::newRow("truncated header")
            << QByteArray() << QByteArray("SQLite format 3\0garbage", 23);
        QTest::newRow("table of another shape")
            << QByteArray(
                   "CREATE TABLE settings(k TEXT, v TEXT); INSERT INTO settings VALUES('a','b')")
            << QByteArray();
        QTest::newRow("same columns without nocase")
            << QByteArray("CREATE TABLE settings(key TEXT NOT NULL, name TEXT NOT NULL, data, "
                          "PRIMARY KEY(key, name))")
            << QByteArray();
    }
    void damagedStoreIsMovedAsideAndKept() {
        QFETCH(QByteArray, sql);
        QFETCH(QByteArray, bytes);
        QDir().mkpath(QFileInfo(storePath()).absolutePath());
        if (sql.isEmpty()) {
            QFile file(storePath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        } else {
            rawExec(storePath(), QString::fromUtf8(sql));
        }
        QFile original(storePath());
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QByteArray before = original.readAll();
        original.close();

        openSettings();
        QCOMPARE(store_->opened(), SqliteSettingsStore::Opened::DamagedMoved);
        QVERIFY(store_->movedAsidePath().startsWith(storePath() + QStringLiteral(".damaged-")));
        QFile kept(store_->movedAsidePath());
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), before);
        // The program goes on with a working, empty store.
        QCOMPARE(stored(QStringLiteral("WN")), QString());
        QVERIFY(store_->writeText(kKey, QStringLiteral("WN"), QStringLiteral("1")));
        QCOMPARE(stored(QStringLiteral("WN")), QStringLiteral("1"));
    }

    // The full check of every page runs only after a run that ended abruptly: a sound store is
    // never moved aside.
    void pageDamageIsLookedForAfterAnAbruptEnd_data() {
        QTest::addColumn<bool>("logLeftBehind");
        QTest::addColumn<int>("opened");
        QTest::newRow("log left behind") << true << int(SqliteSettingsStore::Opened::DamagedMoved);
        QTest::newRow("clean end") << false << int(SqliteSettingsStore::Opened::Existing);
    }
    void pageDamageIsLookedForAfterAnAbruptEnd() {
        QFETCH(bool, logLeftBehind);
        QFETCH(int, opened);
        QList<kv::SettingValue> values;
        for (int i = 0; i < 3000; ++i)
            values.append({QStringLiteral("V%1").arg(i), QStringLiteral("value %1").arg(i)});
        QVERIFY(SqliteSettingsStore::open(storePath())->writeAll(kKey, values));
        QFile file(storePath());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.size() > 40000);
        // Garbage over a page in the middle; the header and the schema stay readable.
        QVERIFY(file.seek(file.size() / 2));
        file.write(QByteArray(4096, '\x5a'));
        file.close();
        if (logLeftBehind)
            QVERIFY(QFile(storePath() + QStringLiteral("-wal")).open(QIODevice::WriteOnly));
        QCOMPARE(int(SqliteSettingsStore::open(storePath())->opened()), opened);
    }

    void twoProcessesWritingAtOnceBothLand() {
        SqliteSettingsStore::open(storePath());
        QProcess first;
        QProcess second;
        first.start(QStringLiteral(KV_STORE_CHILD), {storePath(), "plain", "A", "400"});
        second.start(QStringLiteral(KV_STORE_CHILD), {storePath(), "plain", "B", "400"});
        QVERIFY(first.waitForFinished(120000));
        QVERIFY(second.waitForFinished(120000));
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(second.exitCode(), 0);
        openSettings();
        for (int i = 0; i < 400; ++i) {
            QCOMPARE(stored(QStringLiteral("A%1").arg(i)), QString::number(i));
            QCOMPARE(stored(QStringLiteral("B%1").arg(i)), QString::number(i));
        }
    }

    void aBatchKilledHalfWayLeavesTheOldState_data() {
        QTest::addColumn<int>("dieAfter");
        QTest::addColumn<QString>("expected");
        QTest::newRow("after the first value") << 1 << "old";
        QTest::newRow("half-way") << 15000 << "old";
        QTest::newRow("all written, not committed") << 30000 << "old";
        QTest::newRow("not killed") << -1 << "new";
    }
    void aBatchKilledHalfWayLeavesTheOldState() {
        QFETCH(int, dieAfter);
        QFETCH(QString, expected);
        QCOMPARE(runChild({storePath(), "batch", "old", "30000"}), 0);
        QCOMPARE(runChild({storePath(), "batch", "new", "30000", QString::number(dieAfter)}),
                 dieAfter < 0 ? 0 : -1);
        openSettings();
        QCOMPARE(store_->opened(), SqliteSettingsStore::Opened::Existing);
        for (int i = 0; i < 30000; ++i) {
            const QString value = stored(QStringLiteral("V%1").arg(i));
            if (value != expected)
                QFAIL(qPrintable(QStringLiteral("V%1 is %2, not %3").arg(i).arg(value, expected)));
        }
    }

    void heartbeatValuesLiveInTheVolatileStore() {
        auto persistent = SqliteSettingsStore::open(storePath());
        const QString volatilePath = dir_.filePath(QStringLiteral("run/settings.sqlite"));
        auto volatileStore =
            SqliteSettingsStore::open(volatilePath, SqliteSettingsStore::Kind::Volatile);
        Settings settings(*persistent, volatileStore.get());
        settings.SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());
        settings.WriteSetting(QStringLiteral("LifeTime"), 123.5);
        settings.WriteSetting(QStringLiteral("lifecmd"), 2);
        settings.WriteSetting(QStringLiteral("WN"), 4);
        QCOMPARE(volatileStore->readText(kKey, QStringLiteral("LifeTime")),
                 QStringLiteral("123.5"));
        QCOMPARE(volatileStore->readText(kKey, QStringLiteral("LifeCmd")), QStringLiteral("2"));
        QCOMPARE(persistent->readText(kKey, QStringLiteral("LifeTime")), QString());
        QCOMPARE(persistent->readText(kKey, QStringLiteral("WN")), QStringLiteral("4"));
        QCOMPARE(settings.ReadSetting(QStringLiteral("LifeTime"), 0.0), 123.5);
        // A beat is one write of the file, with no log beside it.
        QVERIFY(!QFile::exists(volatilePath + QStringLiteral("-wal")));
        QVERIFY(!QFile::exists(volatilePath + QStringLiteral("-journal")));
    }

    void aBatchReachesTheStoreOnlyAtItsOutermostCommit() {
        Settings& settings = openSettings();
        settings.WriteSetting(QStringLiteral("WN"), 1);
        {
            Settings::Batch batch(settings);
            settings.WriteSetting(QStringLiteral("WN"), 2);
            QCOMPARE(stored(QStringLiteral("WN")), QStringLiteral("1"));
            QCOMPARE(settings.ReadSetting(QStringLiteral("WN"), 0), 2);
            // Ends without commit: nothing written.
        }
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
            settings.WriteSetting(QStringLiteral("WIndex"), 0);
            QVERIFY(outer.commit());
        }
        QCOMPARE(stored(QStringLiteral("WN")), QStringLiteral("3"));
        QCOMPARE(stored(QStringLiteral("WName1")), QStringLiteral("a.jpg"));
        QCOMPARE(stored(QStringLiteral("WIndex")), QStringLiteral("0"));
    }

    void aSnapshotReadsTheKeyOnceAndSeesWritesMadeMeanwhile() {
        Settings& settings = openSettings();
        settings.WriteSetting(QStringLiteral("WN"), 1);
        settings.WriteSetting(QStringLiteral("WName1"), QStringLiteral("a.jpg"));
        store_->writeText(QStringLiteral("Software\\Other\\Other"), QStringLiteral("WIndex"),
                          QStringLiteral("4"));
        const Settings::Snapshot snapshot(settings);
        rawExec(storePath(), QStringLiteral("UPDATE settings SET data='9'"));
        rawInsert(storePath(), QStringLiteral("LifeCmd"), QStringLiteral("'1'"));
        QCOMPARE(settings.ReadSetting(QStringLiteral("wn"), 0), 1);
        QCOMPARE(settings.ReadSetting(QStringLiteral("WIndex"), 0), 0);
        // The command slot is another copy's channel: always read from the store.
        QCOMPARE(settings.ReadSetting(QStringLiteral("LifeCmd"), 0), 1);
        settings.WriteSetting(QStringLiteral("WName1"), QStringLiteral("b.jpg"));
        QCOMPARE(settings.ReadSetting(QStringLiteral("WNAME1"), QString()),
                 QStringLiteral("b.jpg"));
    }

    void aBatchOvertakenByAnotherWriterWritesNothingAndIsRedoneWhole() {
        Settings& settings = openSettings();
        settings.WriteSetting(QStringLiteral("WN"), 1);
        settings.WriteSetting(QStringLiteral("WIndex"), 0);
        {
            const Settings::Snapshot snapshot(settings);
            QCOMPARE(settings.ReadSetting(QStringLiteral("WN"), 0), 1);
        }
        QVERIFY(settings.knowsStore());
        rawExec(storePath(), QStringLiteral("UPDATE settings SET data='5' WHERE name='WN'"));
        const quint64 epoch = settings.knownEpoch();
        {
            Settings::Batch batch(settings);
            settings.WriteSetting(QStringLiteral("WN"), 1);
            settings.WriteSetting(QStringLiteral("WIndex"), 2);
            QVERIFY(!batch.commit());
        }
        QCOMPARE(stored(QStringLiteral("WN")), QStringLiteral("5"));
        QCOMPARE(stored(QStringLiteral("WIndex")), QStringLiteral("0"));
        QVERIFY(settings.knownEpoch() != epoch);
        {
            Settings::Batch batch(settings);
            settings.WriteSetting(QStringLiteral("WN"), 1);
            QVERIFY(batch.commit());
        }
        QCOMPARE(stored(QStringLiteral("WN")), QStringLiteral("1"));
    }

    void readsOfAMissingValueLeakNothing() {
        openSettings();
        stored(QStringLiteral("Nothing"));
        const int before = openFileDescriptors();
        for (int i = 0; i < 20000; ++i)
            QCOMPARE(stored(QStringLiteral("Nothing")), QString());
        QCOMPARE(openFileDescriptors(), before);
        // A read leaves no lock behind: another connection can write at once.
        rawExec(storePath(), QStringLiteral("BEGIN EXCLUSIVE; COMMIT;"));
    }

    void anUnusableFolderFallsBackToMemory() {
        QVERIFY(QFile(dir_.filePath(QStringLiteral("blocker"))).open(QIODevice::WriteOnly));
        auto store =
            SqliteSettingsStore::open(dir_.filePath(QStringLiteral("blocker/settings.sqlite")));
        QCOMPARE(store->opened(), SqliteSettingsStore::Opened::InMemory);
        QVERIFY(store->writeText(kKey, QStringLiteral("WN"), QStringLiteral("1")));
        QCOMPARE(store->readText(kKey, QStringLiteral("WN")), QStringLiteral("1"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settings_store.moc"
