// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Numbers.h"
#include "settings/SessionValuesStore.h"
#include "settings/Settings.h"
#include "settings/SettingsLocation.h"
#include "settings/SqliteSettingsStore.h"
#include "support/PictureFiles.h"
#include "support/StoreFaults.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

using kv::Settings;
using Store = kv::SqliteSettingsStore;
using Opened = Store::Opened;
using SessionStore = kv::SessionValuesStore;

namespace {

const QString kKey = QStringLiteral("Software\\Kestrovaline\\Kestrovaline");

// This program again, as another writer: "<path> plain <prefix> <count>" writes values one by
// one; "<path> batch <text> <count> [<n>]" writes them as one batch, killed once n are written.
int child(const QStringList& args) {
    auto store = Store::open(args[0]);
    const bool plain = args[1] == QLatin1String("plain");
    QList<kv::SettingValue> values;
    for (int i = 0; i < args[3].toInt(); ++i) {
        if (plain && !store->writeText(kKey, args[2] + QString::number(i), QString::number(i)))
            return 1;
        values.append({QStringLiteral("V") + QString::number(i), args[2]});
    }
    store->setBatchProgressObserver([dieAfter = args.value(4).toInt()](qsizetype written) {
        if (written == dieAfter)
            std::raise(SIGKILL);
    });
    return plain || store->writeAll(kKey, values) ? 0 : 1;
}

void startChild(QProcess& process, const QStringList& arguments) {
    process.start(QCoreApplication::applicationFilePath(), QStringList{"--child"} + arguments);
}

int runChild(const QStringList& arguments) {
    QProcess process;
    startChild(process, arguments);
    process.waitForFinished(120000);
    return process.exitStatus() == QProcess::CrashExit ? -1 : process.exitCode();
}

// Runs SQL on the store file from outside, as another program or a hand edit would; gives the
// first column of the first row it returns.
QString raw(const QString& path, const QString& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_busy_timeout(db, 5000);
    QString first;
    const auto row = [](void* out, int, char** values, char**) {
        *static_cast<QString*>(out) = QString::fromUtf8(values[0] ? values[0] : "");
        return 1; // the first row is all a caller reads
    };
    sqlite3_exec(db, sql.toUtf8().constData(), row, &first, nullptr);
    sqlite3_close(db);
    return first;
}

} // namespace

// The settings kept across sessions in SQLite, and the heartbeat's values in a session file.
class TestSettingsStore : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<Store> store_;
    std::unique_ptr<Settings> settings_;

    QString path() const {
        return dir_->filePath(QStringLiteral("home/kestrovaline/settings.sqlite"));
    }
    // The heartbeat's store, in a file of its own.
    QString sessionPath() const { return dir_->filePath("kestrovaline/session-values"); }
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
        raw(path(),
            QStringLiteral("INSERT INTO settings VALUES('%1','%2',%3)").arg(kKey, name, sqlValue));
    }

private Q_SLOTS:
    void init() {
        settings_.reset();
        store_.reset();
        dir_ = std::make_unique<QTemporaryDir>();
    }

    void firstRunReadsDefaultsAndFirstWriteCreatesTheKey() {
        const mode_t runnersMask = ::umask(022); // the usual one, which leaves new folders open
        Settings& settings = openSettings();
        ::umask(runnersMask);
        QCOMPARE(store_->opened(), Opened::Created);
        // Every folder it made is the user's alone.
        QCOMPARE(QFileInfo(dir_->filePath("home")).permissions() & 0x0077, 0);
        QCOMPARE(settings.ReadSetting(QStringLiteral("LastFolder"), "none"), "none");
        settings.WriteSetting(QStringLiteral("WN"), 3);
        openSettings();
        QCOMPARE(store_->opened(), Opened::Existing);
        // Keys and names compare without regard to case, as they always have.
        QCOMPARE(store_->readText(kKey.toUpper(), QStringLiteral("wn")), QStringLiteral("3"));
        QVERIFY(store_->writeText(kKey, QStringLiteral("wN"), QStringLiteral("4")));
        QCOMPARE(stored(QStringLiteral("WN")), QStringLiteral("4"));
        // A number typed in by hand reads as what it says; an empty text leaves no row.
        insert(QStringLiteral("WIndex"), QStringLiteral("12"));
        QCOMPARE(stored(QStringLiteral("WIndex")), QStringLiteral("12"));
        QVERIFY(store_->writeText(kKey, QStringLiteral("WIndex"), QString()));
        QCOMPARE(raw(path(), "SELECT count(*) FROM settings WHERE name='WIndex'"), "0");
        // A read leaves no lock behind: another connection can write at once.
        QCOMPARE(raw(path(), "BEGIN EXCLUSIVE; COMMIT; SELECT 'free'"), QStringLiteral("free"));
        // A store that cannot be opened (a file where its folder goes, a folder where it goes)
        // fails each save, and is used once it can be made.
        const QString blocker = dir_->filePath(QStringLiteral("blocker"));
        QVERIFY(QFile(blocker).open(QIODevice::WriteOnly) && QDir().mkpath(path() + "-folder"));
        for (const QString& at : {blocker + "/settings.sqlite", path() + "-folder"}) {
            const auto unreachable = Store::open(at);
            QCOMPARE(unreachable->opened(), Opened::Unavailable);
            QVERIFY(!unreachable->problem().isEmpty());
            QVERIFY(!unreachable->writeAll(kKey, {{QStringLiteral("WN"), QStringLiteral("7")}}));
            QVERIFY(QFile::remove(blocker) || QDir(at).removeRecursively());
            QVERIFY(unreachable->writeAll(kKey, {{QStringLiteral("WN"), QStringLiteral("7")}}));
            QCOMPARE(raw(at, "SELECT data FROM settings"), "7");
        }
    }

    // Text that is not UTF-8 (any bytes are a file name on Unix), as another program left it,
    // goes back byte for byte; so does a byte order mark that begins a name.
    void bytesThatAreNotUtf8ComeBackAsTheyWere() {
        openSettings();
        // Mark, astral, encoded surrogate, stray, mark
        insert("WName1", "CAST(X'EFBBBFF09F8C8DEDA080FFEFBBBF' AS TEXT)");
        insert("WName2", "CAST(X'EFBBBF61' AS TEXT)");
        QCOMPARE(stored(QStringLiteral("WName2")), QStringLiteral("\uFEFFa"));
        const QString text = stored(QStringLiteral("WName1"));
        QList<int> units;
        for (const QChar unit : text)
            units << unit.unicode();
        QCOMPARE(units,
                 (QList<int>{0xFEFF, 0xD83C, 0xDF0D, 0xDCED, 0xDCA0, 0xDC80, 0xDCFF, 0xFEFF}));
        // The load reads the whole key at once, the same way.
        QString all;
        QVERIFY(store_->readAll(kKey, [&all](const QString& name, const QString& value) {
            all += name == QLatin1String("WName1") ? value : QString();
        }));
        QCOMPARE(all, text);
        QVERIFY(store_->writeText(kKey, QStringLiteral("WName1"), text + u'x'));
        QCOMPARE(raw(path(), "SELECT typeof(data) || hex(data) FROM settings WHERE name='WName1'"),
                 "textEFBBBFF09F8C8DEDA080FFEFBBBF78");
    }

    // Bytes written as the file, a page overwritten in a store whose last run ended abruptly
    // (only then are its pages checked), a store cut short, SQL another program ran on it, or a
    // store that opens but cannot take the table (here: of a newer format, only to be read). A
    // column a later version added is no damage. What a damaged store still gives is kept, and
    // what one on a disk only to be read holds is read.
    void damagedStoreIsMovedAsideAndKept_data() {
        const QByteArray ours = "CREATE TABLE settings(key TEXT NOT NULL COLLATE NOCASE, name TEXT "
                                "NOT NULL COLLATE NOCASE, data, PRIMARY KEY(key, name)); ";
        const QByteArray value =
            "INSERT INTO settings VALUES('" + kKey.toUtf8() + "', 'V0', 'some value')";
        QTest::addColumn<QByteArray>("damage");
        QTest::addColumn<Opened>("outcome");
        QTest::newRow("not a database") << QByteArray(2000, 'x') << Opened::DamagedMoved;
        QTest::newRow("a page, log left behind") << QByteArray("page") << Opened::DamagedMoved;
        QTest::newRow("a page, closed cleanly") << QByteArray("page!") << Opened::DamagedMoved;
        QTest::newRow("cut short") << QByteArray("page cut!") << Opened::DamagedMoved;
        QTest::newRow("cut short within a page, pages leading back")
            << QByteArray("page cut within!") << Opened::DamagedMoved;
        QTest::newRow("the first page of values")
            << QByteArray("page first!") << Opened::DamagedMoved;
        QTest::newRow("another program's table named settings")
            << QByteArray("CREATE TABLE settings(key, name, data); INSERT INTO settings VALUES("
                          "'Software\\Kestrovaline\\Kestrovaline', 'V0', 'some value')")
            << Opened::DamagedMoved;
        QTest::newRow("an index named settings")
            << QByteArray("CREATE TABLE t(x); CREATE INDEX settings ON t(x)")
            << Opened::DamagedMoved;
        QTest::newRow("only to be read")
            << QByteArray("PRAGMA user_version=1") << Opened::Unavailable;
        QTest::newRow("on a disk only to be read")
            << ours + value + "; PRAGMA journal_mode=WAL" << Opened::Unavailable;
        // A log no run took in: another copy may be at work, and what it holds would be missed.
        QTest::newRow("on a disk only to be read, a log beside it")
            << ours + value + "; PRAGMA journal_mode=WAL; -- log" << Opened::Unavailable;
        QTest::newRow("a column more")
            << ours + "ALTER TABLE settings ADD COLUMN changed INTEGER NOT NULL DEFAULT 0"
            << Opened::Existing;
    }
    void damagedStoreIsMovedAsideAndKept() {
        QFETCH(QByteArray, damage);
        QFETCH(Opened, outcome);
        QDir().mkpath(QFileInfo(path()).absolutePath());
        std::optional<kv::test::SmallDisk> disk;
        if (damage.contains("WAL") && !disk.emplace(QFileInfo(path()).absolutePath()).mounted())
            QSKIP("a small file system cannot be mounted here (needs root)");
        QFile file(path());
        if (damage.startsWith("page")) {
            QCOMPARE(runChild({path(), "batch", "some value", "3000"}), 0);
            QVERIFY(file.open(QIODevice::ReadWrite) && file.size() > 40000);
            const qint64 at = damage.contains("first") ? 3 * 4096 : file.size() / 2;
            QVERIFY(damage.contains("cut")
                        ? file.resize(at + (damage.contains("within") ? 100 : 0))
                        : file.seek(at) && file.write(QByteArray(4096, 'Z')) == 4096);
            QVERIFY(damage.endsWith('!') ||
                    QFile(path() + QStringLiteral("-wal")).open(QIODevice::WriteOnly));
        } else if (damage.contains(' ')) {
            raw(path(), damage);
            // Marked by a writer of a newer format: this one may only read it.
            if (outcome == Opened::Unavailable && !disk)
                QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(18) && file.putChar(3));
            QVERIFY(!damage.endsWith("log") || kv::test::writeBytes(path() + "-wal", {}));
            QVERIFY(!disk || disk->setReadOnly(true));
        } else {
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(damage) == damage.size());
        }
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        // Damage the open does not look for is found by the load's read.
        { const Settings::Snapshot load(openSettings()); }
        QCOMPARE(store_->opened(), outcome);
        const bool moved = outcome == Opened::DamagedMoved;
        const bool writable = outcome != Opened::Unavailable;
        QCOMPARE(store_->movedAsidePath().startsWith(path() + QStringLiteral(".damaged-")), moved);
        // The program goes on with what the damaged file still gave, the rest of the store empty;
        // a save that cannot reach the file fails.
        const bool pages = damage.startsWith("page");
        const bool read = disk && !damage.endsWith("log");
        QCOMPARE(stored(QStringLiteral("V0")),
                 (pages && !damage.contains("first")) || read ? "some value" : "");
        // A page written over loses the values on it alone, not every one stored after it.
        if (pages && !damage.contains("cut"))
            QCOMPARE_GT(raw(path(), "SELECT count(*) FROM settings").toInt(), 2900);
        QCOMPARE(stored(QStringLiteral("WN")), QString());
        QCOMPARE(store_->writeAll(kKey, {{QStringLiteral("WN"), QStringLiteral("1")}}), writable);
        QCOMPARE(stored(QStringLiteral("WN")), writable ? QStringLiteral("1") : QString());
        QCOMPARE(store_->problem().isEmpty(), outcome == Opened::Existing);
        QCOMPARE(store_->problem().contains("can only be read"), read);
        if (outcome == Opened::Existing)
            return;
        QFile kept(moved ? store_->movedAsidePath() : path());
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), before);
        // Writable again and as it was read, it takes this run's values.
        if (read) {
            QVERIFY(disk->setReadOnly(false));
            QVERIFY(store_->writeAll(kKey, {{QStringLiteral("WN"), QStringLiteral("2")}}));
            QCOMPARE(raw(path(), "SELECT group_concat(data) FROM (SELECT data FROM settings ORDER "
                                 "BY name)"),
                     "some value,2");
        }
    }

    void twoProcessesWritingAtOnceBothLand() {
        Store::open(path());
        QProcess first, second;
        startChild(first, {path(), "plain", "A", "400"});
        startChild(second, {path(), "plain", "B", "400"});
        QVERIFY(first.waitForFinished(120000) && second.waitForFinished(120000));
        QCOMPARE(first.exitCode() + second.exitCode(), 0);
        QCOMPARE(raw(path(), "SELECT count(*) FROM settings WHERE data = substr(name, 2)"), "800");
    }

    // Killed once every value is written but before the commit.
    void aBatchKilledHalfWayLeavesTheOldState() {
        QCOMPARE(runChild({path(), "batch", "old", "30000"}), 0);
        QCOMPARE(runChild({path(), "batch", "new", "30000", "30000"}), -1);
        openSettings();
        QCOMPARE(store_->opened(), Opened::Existing);
        QCOMPARE(
            raw(path(), "SELECT count(*) || ' ' || min(data) || ' ' || max(data) FROM settings"),
            "30000 old old");
    }

    void aSnapshotReadsTheKeyOnceAndSeesWritesMadeMeanwhile() {
        Settings& settings = openSettings();
        settings.WriteSetting(QStringLiteral("WN"), 1);
        // List rows are found by prefix and number whatever their case; a number written with
        // a leading zero names another value.
        store_->writeText(kKey, "wname2", "c.jpg");
        store_->writeText(kKey, "WName03", "d.jpg");
        // Only A to Z are alike in either case, as in the store: a long s makes another name.
        store_->writeText(kKey, QStringLiteral("La\u017FtFolder"), "/elsewhere");
        raw(path(), "UPDATE settings SET key=upper(key) WHERE name='WN'");
        const Settings::Snapshot snapshot(settings);
        QCOMPARE(settings.ReadSetting(QStringLiteral("LastFolder"), "none"), "none");
        QCOMPARE(settings.ReadListValue(QStringLiteral("WName"), 2), "c.jpg");
        QCOMPARE(settings.ReadListValue(QStringLiteral("WName"), 3) + "|" +
                     settings.ReadSetting(QStringLiteral("WNAME03"), QString()),
                 "|d.jpg");
        raw(path(), "UPDATE settings SET data='9'");
        insert(QStringLiteral("LifeCmd"), QStringLiteral("'1'"));
        QCOMPARE(settings.ReadSetting(QStringLiteral("wn"), 0), 1);
        // The command slot is another copy's channel: always read from the store.
        QCOMPARE(settings.ReadSetting(QStringLiteral("LifeCmd"), 0), 1);
        settings.WriteSetting(QStringLiteral("WName1"), QStringLiteral("b.jpg"));
        QCOMPARE(settings.ReadSetting(QStringLiteral("WNAME1"), QString()), "b.jpg");
    }

    // Another copy saved after this one last read: a save that would leave out what it thinks
    // the store holds writes nothing instead, and the next one writes everything.
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

    // Two copies updating at once, each from its own thread and file handle: neither update
    // comes between the other's read and write.
    void sessionUpdatesNeverOverlap() {
        const auto count = [this] {
            const auto store = SessionStore::open(sessionPath());
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
        QCOMPARE(SessionStore::open(sessionPath())->readText(kKey, QStringLiteral("N")),
                 QStringLiteral("600"));
    }

    // Without XDG_RUNTIME_DIR (cron, su) the heartbeat and the lock stay where the session's
    // copy keeps them, in the user's runtime folder, unless others can reach that folder.
    // Without HOME (a service, "env -i") the collection stays in the home the user database
    // names, not under the root folder (Qt's fallback) or the working one.
    void storesWithoutTheSessionsVariables_data() {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<int>("mode"); // of <sessions>/<uid> in Qt's flags, 0 for no folder
        QTest::newRow("unset") << "" << 0x7000;
        QTest::newRow("relative") << "run" << 0x7000;
        QTest::newRow("open to others") << "" << 0x7055;
        QTest::newRow("missing") << "" << 0;
    }
    void storesWithoutTheSessionsVariables() {
        QFETCH(QString, variable);
        QFETCH(int, mode);
        const QTemporaryDir sessions;
        const QString user =
            sessions.filePath(QString::number(QFileInfo(sessions.path()).ownerId()));
        QVERIFY(!mode ||
                (QDir().mkdir(user) && QFile::setPermissions(user, QFile::Permissions(mode))));
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), variable);
        if (!variable.isEmpty()) // else HOME is left out, as "env -i" does
            environment.insert(QStringLiteral("HOME"), variable);
        const bool there = mode == 0x7000; // the user's alone
        QCOMPARE(kv::volatileStorePath(environment, sessions.path()).startsWith(user + '/'), there);
        QCOMPARE(kv::livenessLockPath(environment, sessions.path()).startsWith(user + '/'), there);
        // Qt's fallback reads the process's HOME. A container's user may have no entry.
        const QByteArray testHome = qgetenv("HOME");
        qunsetenv("HOME");
        const auto restore = qScopeGuard([&testHome] {
            if (!testHome.isNull())
                qputenv("HOME", testHome);
        });
        const passwd* owner = getpwuid(getuid());
        QCOMPARE(QFileInfo(kv::persistentStorePath(environment)).path(),
                 (owner ? QFile::decodeName(owner->pw_dir) : "") + "/.config/kestrovaline");
    }

    // The heartbeat's file as another copy, a hand edit or damage left it; each session store
    // stands for another copy: what one writes, the other reads at once.
    void damagedSessionFileIsReadEmptyAndWrittenAnew_data() {
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
    void damagedSessionFileIsReadEmptyAndWrittenAnew() {
        QFETCH(QByteArray, content);
        QFETCH(QString, lifeTime);
        const auto store = SessionStore::open(sessionPath());
        QVERIFY(kv::test::writeBytes(sessionPath(), content));
        const QString key = QStringLiteral("Software\\K\\K");
        QCOMPARE(store->readText(key, QStringLiteral("LifeTime")), lifeTime);
        // Tab, line end and backslash are the file's own marks; the last bytes are not UTF-8.
        const QString odd = QStringLiteral("a\tb\nc\\d\\t ü") + QChar(0xDC80) + QChar(0xDCFF);
        QVERIFY(store->writeText(key, QStringLiteral("LifeCmd"), odd));
        // Read afresh, as another copy would: nothing of the old file is left past the new one.
        // Keys and names compare without regard to case.
        const auto again = SessionStore::open(sessionPath());
        QCOMPARE(again->readText(key.toUpper(), QStringLiteral("lifecmd")), odd);
        QCOMPARE(again->readText(key, QStringLiteral("LifeTime")), lifeTime);
        QCOMPARE(again->readText(QStringLiteral("Other"), QStringLiteral("LifeTime")), QString());
        QVERIFY(again->writeText(key, QStringLiteral("LIFECMD"), QString()));
        QCOMPARE(store->readText(key, QStringLiteral("LifeCmd")), QString());
        // A folder that cannot be made (a file is in its place) leaves no store at all: the
        // caller keeps the heartbeat elsewhere.
        QVERIFY(!SessionStore::open(sessionPath() + QStringLiteral("/session-values")));
        // Nor does a device in the file's place, which would swallow what is written.
        QVERIFY(
            QFile::link(QStringLiteral("/dev/full"), sessionPath() + QStringLiteral(".device")));
        QVERIFY(!SessionStore::open(sessionPath() + QStringLiteral(".device")));
    }
    // Stored text read as a number (none: not a number, the default applies), a number
    // written, a clamp of (value, max, min).
    void numbers_data() {
        QTest::addColumn<QVariant>("result");
        QTest::addColumn<QVariant>("expected");
        const auto row = [](const char* tag, const QVariant& result, const QVariant& expected) {
            QTest::newRow(tag) << result << expected;
        };
        const auto orNone = [](const auto& number) {
            return number ? QVariant(*number) : QVariant();
        };
        row("whole: spaces", orNone(kv::parseWholeNumber(" -7 ")), -7);
        row("whole: half to even, up", orNone(kv::parseWholeNumber("3.5")), 4);
        row("whole: digits then letters", orNone(kv::parseWholeNumber("12abc")), {});
        // Out of range saturates, so a huge count is clamped like any other, not lost.
        row("whole: above 64 bits", orNone(kv::parseWholeNumber("99999999999999999999")),
            2147483647);
        row("real: comma", orNone(kv::parseRealNumber("1,5")), 1.5);
        row("real: exponent, as written", orNone(kv::parseRealNumber("1e+07")), 1e7);
        row("real: infinity", orNone(kv::parseRealNumber("inf")), {});
        row("single: seven digits", kv::singlePrecisionText(1234.56789), "1234.568");
        row("text: half to even", kv::NumberText(2.5), "2");
        row("clamp: empty range, half to even", kv::ClampToRange(0, 3, 6), 4);
        row("clamp: index with no entries", kv::ClampToRange(7, -1, 0), 0);
    }
    void numbers() {
        QFETCH(QVariant, result);
        QTEST(result, "expected");
    }
};

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (application.arguments().value(1) == QLatin1String("--child"))
        return child(application.arguments().mid(2));
    TestSettingsStore test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_settings_store.moc"
