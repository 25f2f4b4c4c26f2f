// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/desktop/DesktopLoader.h"
#include "engine/desktop/GSettingsDesktop.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gio/gio.h>
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gsettingsbackend.h>

using namespace kv;

namespace {

// A file name holding every character that breaks naive URIs and quoting.
const QString kAwkwardName = QStringLiteral("it's a \"quoted\" #1 at 100% Ærø.jpg");

struct Family {
    const char* schema;
    const char* pictureKey;
    bool uri;
    bool darkKey;
    const char* otherShading;
};

Family familyOf(const QString& id) {
    if (id == QLatin1String("gnome"))
        return {"org.gnome.desktop.background", "picture-uri", true, true, "vertical"};
    if (id == QLatin1String("cinnamon"))
        return {"org.cinnamon.desktop.background", "picture-uri", true, false, "vertical"};
    return {"org.mate.background", "picture-filename", false, false, "vertical-gradient"};
}

QString toolPath() {
    return qEnvironmentVariable("KV_BUILD_DIR") + QStringLiteral("/tests/desktop_backend_tool");
}

// The string value another process sees, or a null QByteArray when it could not read one.
QByteArray readElsewhere(const QProcessEnvironment& environment, const char* schema,
                         const char* key) {
    QProcess gsettings;
    gsettings.setProcessEnvironment(environment);
    gsettings.start(QStringLiteral("gsettings"),
                    {QStringLiteral("get"), QLatin1String(schema), QLatin1String(key)});
    if (!gsettings.waitForFinished(10000) || gsettings.exitCode() != 0)
        return {};
    const QByteArray text = gsettings.readAllStandardOutput().trimmed();
    GVariant* value =
        g_variant_parse(G_VARIANT_TYPE_STRING, text.constData(), nullptr, nullptr, nullptr);
    if (!value)
        return {};
    const QByteArray result(g_variant_get_string(value, nullptr));
    g_variant_unref(value);
    return result;
}

// Sets a key the way the desktop's own settings panel would, inside this process.
void writeHere(const char* schema, const char* key, const char* value) {
    GSettings* settings = g_settings_new(schema);
    g_settings_set_string(settings, key, value);
    g_settings_sync();
    g_object_unref(settings);
}

struct ToolRun {
    int exitCode = -1;
    QByteArray output;
};

ToolRun runTool(const QProcessEnvironment& environment, const QStringList& arguments,
                const QString& wrapper = {}) {
    QProcess tool;
    tool.setProcessEnvironment(environment);
    if (wrapper.isEmpty())
        tool.start(toolPath(), arguments);
    else
        tool.start(wrapper, QStringList{QStringLiteral("--"), toolPath()} + arguments);
    ToolRun run;
    if (!tool.waitForFinished(20000) || tool.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = tool.exitCode();
    run.output = tool.readAllStandardOutput().trimmed();
    return run;
}

} // namespace

// The GSettings desktops against real schemas, stored by the keyfile backend so that a separate
// gsettings process can check what was saved.
class TestGSettingsDesktop : public QObject {
    Q_OBJECT

    // Set before GLib looks at its settings backend or the user's folders: both are fixed per
    // process once read.
    test::TestEnvironment home_;
    QTemporaryDir pictures_;

    QProcessEnvironment keyfileEnvironment() const {
        QProcessEnvironment environment = home_.processEnvironment();
        environment.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("keyfile"));
        return environment;
    }

    void requireSchema(const char* schema) {
        if (!GSettingsDesktop::schemaInstalled(schema))
            QSKIP(qPrintable(QStringLiteral("schema %1 is not installed (packages "
                                            "gsettings-desktop-schemas, cinnamon-desktop-data, "
                                            "mate-desktop-common)")
                                 .arg(QLatin1String(schema))));
        if (QStandardPaths::findExecutable(QStringLiteral("gsettings")).isEmpty())
            QSKIP("gsettings is not installed (package libglib2.0-bin)");
    }

    void addFamilies() {
        QTest::addColumn<QString>("id");
        for (const char* id : {"gnome", "cinnamon", "mate"})
            QTest::newRow(id) << QString::fromLatin1(id);
    }

public:
    TestGSettingsDesktop() { qputenv("GSETTINGS_BACKEND", "keyfile"); }

private Q_SLOTS:
    void pictureRoundTrips_data() { addFamilies(); }

    void pictureRoundTrips() {
        QFETCH(QString, id);
        const Family family = familyOf(id);
        requireSchema(family.schema);
        const QString path = pictures_.filePath(kAwkwardName);
        QImage picture(32, 24, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QVERIFY(picture.save(path, "JPEG"));

        const auto desktop = createDesktopBackend(id, keyfileEnvironment());
        QVERIFY(desktop->SetDesktopWallpaper(path));

        const QByteArray stored =
            readElsewhere(keyfileEnvironment(), family.schema, family.pictureKey);
        QVERIFY2(!stored.isNull(), family.pictureKey);
        if (family.uri) {
            QVERIFY2(stored.startsWith("file:///"), stored.constData());
            // Decoded by two independent decoders, the URI names exactly our file.
            gchar* decoded = g_filename_from_uri(stored.constData(), nullptr, nullptr);
            QVERIFY2(decoded, stored.constData());
            QCOMPARE(QFile::decodeName(decoded), path);
            g_free(decoded);
            QCOMPARE(QUrl(QString::fromUtf8(stored)).toLocalFile(), path);
        } else {
            QCOMPARE(QString::fromUtf8(stored), path);
        }
        if (family.darkKey)
            QCOMPARE(readElsewhere(keyfileEnvironment(), family.schema, "picture-uri-dark"),
                     stored);
    }

    void style_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("style");
        QTest::addColumn<QByteArray>("nick");
        for (const char* id : {"gnome", "cinnamon", "mate"}) {
            QTest::addRow("%s centre", id) << QString::fromLatin1(id) << 0 << "centered"_qba;
            QTest::addRow("%s tile", id) << QString::fromLatin1(id) << 1 << "wallpaper"_qba;
            QTest::addRow("%s stretch", id) << QString::fromLatin1(id) << 2 << "stretched"_qba;
            QTest::addRow("%s fit", id) << QString::fromLatin1(id) << 3 << "scaled"_qba;
            QTest::addRow("%s fill", id) << QString::fromLatin1(id) << 4 << "zoom"_qba;
        }
    }

    void style() {
        QFETCH(QString, id);
        QFETCH(int, style);
        QFETCH(QByteArray, nick);
        const Family family = familyOf(id);
        requireSchema(family.schema);
        const auto desktop = createDesktopBackend(id, keyfileEnvironment());
        QVERIFY(desktop->SetDesktopWallpaperStyle(style));
        QCOMPARE(readElsewhere(keyfileEnvironment(), family.schema, "picture-options"), nick);
        QCOMPARE(desktop->GetDesktopWallpaperStyle(), style);

        // Refused outright, nothing written.
        QVERIFY(!desktop->SetDesktopWallpaperStyle(5));
        QVERIFY(!desktop->SetDesktopWallpaperStyle(-1));
        QCOMPARE(readElsewhere(keyfileEnvironment(), family.schema, "picture-options"), nick);

        // A placement of the desktop's own that we do not offer reads as unknown.
        writeHere(family.schema, "picture-options", "spanned");
        QCOMPARE(desktop->GetDesktopWallpaperStyle(), -1);
    }

    void colour_data() { addFamilies(); }

    void colour() {
        QFETCH(QString, id);
        const Family family = familyOf(id);
        requireSchema(family.schema);
        const auto desktop = createDesktopBackend(id, keyfileEnvironment());
        writeHere(family.schema, "color-shading-type", family.otherShading);
        QVERIFY(desktop->SetDesktopColor(0x00336699)); // 0x00BBGGRR: red 0x99, blue 0x33
        QCOMPARE(readElsewhere(keyfileEnvironment(), family.schema, "primary-color"),
                 "#996633"_qba);
        QCOMPARE(readElsewhere(keyfileEnvironment(), family.schema, "color-shading-type"),
                 "solid"_qba);
        QCOMPARE(desktop->GetDesktopColor(), DesktopColor(0x00336699));

        // Colours as the desktop's own tools write them.
        writeHere(family.schema, "primary-color", "#ABC");
        QCOMPARE(desktop->GetDesktopColor(), DesktopColor(0x00CCBBAA));
        writeHere(family.schema, "primary-color", "not a colour");
        QCOMPARE(desktop->GetDesktopColor(), kUnknownDesktopColor);
        // A gradient is not the plain colour asked about.
        writeHere(family.schema, "primary-color", "#996633");
        writeHere(family.schema, "color-shading-type", family.otherShading);
        QCOMPARE(desktop->GetDesktopColor(), kUnknownDesktopColor);
    }

    // With no schema installed, creating settings would end the process: every operation must
    // fail quietly instead. GLib reads the installed schemas once per process, so each case
    // runs in a process of its own with every schema folder hidden.
    void missingSchemaFails_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QStringList>("operation");
        QTest::addColumn<QByteArray>("expected");
        for (const char* id : {"gnome", "cinnamon", "mate"}) {
            const QString name = QString::fromLatin1(id);
            QTest::addRow("%s set picture", id)
                << name << QStringList{"set-wallpaper", "/tmp/a.jpg"} << "false"_qba;
            QTest::addRow("%s get style", id) << name << QStringList{"get-style"} << "-1"_qba;
            QTest::addRow("%s set style", id)
                << name << QStringList{"set-style", "1"} << "false"_qba;
            QTest::addRow("%s get colour", id)
                << name << QStringList{"get-color"} << QByteArray::number(kUnknownDesktopColor);
            QTest::addRow("%s set colour", id)
                << name << QStringList{"set-color", "255"} << "false"_qba;
        }
    }

    void missingSchemaFails() {
        QFETCH(QString, id);
        QFETCH(QStringList, operation);
        QFETCH(QByteArray, expected);
        QTemporaryDir empty;
        QDir(empty.path()).mkpath(QStringLiteral("data-dirs"));
        QDir(empty.path()).mkpath(QStringLiteral("data-home"));
        QProcessEnvironment environment = keyfileEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_DIRS"), empty.filePath("data-dirs"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), empty.filePath("data-home"));
        environment.remove(QStringLiteral("GSETTINGS_SCHEMA_DIR"));
        const ToolRun run = runTool(environment, QStringList{id} + operation);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.output, expected);
    }

    // The silent loss: with dconf and no session bus every write "succeeds" and nothing is
    // kept. Under a private session bus the same writes are kept, so the check is not simply
    // refusing dconf.
    void dconfWithoutSessionBusFails_data() {
        QTest::addColumn<QStringList>("operation");
        QTest::addColumn<QByteArray>("withoutBus");
        QTest::addColumn<QByteArray>("withBus");
        QTest::newRow("set picture")
            << QStringList{"gnome", "set-wallpaper", "/tmp/picture.jpg"} << "false"_qba
            << "true"_qba;
        QTest::newRow("set style") << QStringList{"gnome", "set-style", "1"} << "false"_qba
                                   << "true"_qba;
        QTest::newRow("set colour") << QStringList{"gnome", "set-color", "4660"} << "false"_qba
                                    << "true"_qba;
    }

    void dconfWithoutSessionBusFails() {
        QFETCH(QStringList, operation);
        QFETCH(QByteArray, withoutBus);
        QFETCH(QByteArray, withBus);
        requireSchema("org.gnome.desktop.background");
        GIOExtensionPoint* point =
            g_io_extension_point_lookup(G_SETTINGS_BACKEND_EXTENSION_POINT_NAME);
        if (!point || !g_io_extension_point_get_extension_by_name(point, "dconf"))
            QSKIP("the dconf settings backend is not installed (package dconf-gsettings-backend)");

        QProcessEnvironment environment = home_.processEnvironment();
        environment.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("dconf"));
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        environment.remove(QStringLiteral("DISPLAY")); // no bus started on the fly either
        const ToolRun alone = runTool(environment, operation);
        QCOMPARE(alone.exitCode, 0);
        QCOMPARE(alone.output, withoutBus);

        const QString session = QStandardPaths::findExecutable(QStringLiteral("dbus-run-session"));
        if (session.isEmpty())
            QSKIP("dbus-run-session is not installed (package dbus)");
        const ToolRun withSession = runTool(environment, operation, session);
        QCOMPARE(withSession.exitCode, 0);
        QCOMPARE(withSession.output, withBus);
    }
};

QTEST_GUILESS_MAIN(TestGSettingsDesktop)
#include "tst_gsettings_desktop.moc"
