#include "engine/desktop/DesktopLoader.h"

#include <QProcessEnvironment>
#include <QTest>

using namespace kv;

namespace {

QProcessEnvironment environmentOf(const QStringList& assignments) {
    QProcessEnvironment environment;
    for (const QString& assignment : assignments) {
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        environment.insert(assignment.left(equals), assignment.mid(equals + 1));
    }
    return environment;
}

DesktopProbes schemasInstalled(const QStringList& ids) {
    return {[ids](const char* id) {
        return ids.contains(QLatin1String(id));
    }};
}

const QStringList kAllSchemas{"org.gnome.desktop.background", "org.cinnamon.desktop.background",
                              "org.mate.background"};

} // namespace

class TestDesktopLoader : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void detection_data() {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QStringList>("schemas");
        QTest::addColumn<QString>("expected");

        const QStringList all = kAllSchemas;
        QTest::newRow("nothing at all") << QStringList{} << all << "none";
        QTest::newRow("plain X11") << QStringList{"DISPLAY=:0"} << all << "x11";
        QTest::newRow("X11 under Wayland is not the background")
            << QStringList{"DISPLAY=:0", "WAYLAND_DISPLAY=wayland-0"} << all << "none";
        QTest::newRow("GNOME") << QStringList{"XDG_CURRENT_DESKTOP=GNOME"} << all << "gnome";
        QTest::newRow("GNOME on Wayland")
            << QStringList{"XDG_CURRENT_DESKTOP=GNOME", "WAYLAND_DISPLAY=wayland-0"} << all
            << "gnome";
        QTest::newRow("colon list, any case")
            << QStringList{"XDG_CURRENT_DESKTOP=ubuntu:gNoMe"} << all << "gnome";
        QTest::newRow("later entry of a colon list")
            << QStringList{"XDG_CURRENT_DESKTOP=Something:Budgie"} << all << "gnome";
        QTest::newRow("Unity") << QStringList{"XDG_CURRENT_DESKTOP=Unity"} << all << "gnome";
        QTest::newRow("Pantheon") << QStringList{"XDG_CURRENT_DESKTOP=Pantheon"} << all << "gnome";
        QTest::newRow("Cinnamon") << QStringList{"XDG_CURRENT_DESKTOP=X-Cinnamon"} << all
                                  << "cinnamon";
        QTest::newRow("MATE") << QStringList{"XDG_CURRENT_DESKTOP=MATE"} << all << "mate";
        QTest::newRow("session desktop when the current one is unset")
            << QStringList{"XDG_SESSION_DESKTOP=mate", "DESKTOP_SESSION=gnome"} << all << "mate";
        QTest::newRow("desktop session as a path")
            << QStringList{"DESKTOP_SESSION=/usr/share/xsessions/cinnamon"} << all << "cinnamon";
        QTest::newRow("empty entries of a colon list")
            << QStringList{"XDG_CURRENT_DESKTOP=::MATE:"} << all << "mate";
        QTest::newRow("GNOME without its schema gives way to X11")
            << QStringList{"XDG_CURRENT_DESKTOP=GNOME", "DISPLAY=:0"}
            << QStringList{"org.mate.background"} << "x11";
        QTest::newRow("GNOME without its schema under Wayland finds nothing")
            << QStringList{"XDG_CURRENT_DESKTOP=GNOME", "WAYLAND_DISPLAY=w"} << QStringList{}
            << "none";
        QTest::newRow("unknown desktop on X11")
            << QStringList{"XDG_CURRENT_DESKTOP=i3", "DISPLAY=:0"} << all << "x11";
        QTest::newRow("override to x11")
            << QStringList{"XDG_CURRENT_DESKTOP=GNOME", "DISPLAY=:0", "KESTROVALINE_DESKTOP=x11"}
            << all << "x11";
        QTest::newRow("override in any case")
            << QStringList{"DISPLAY=:0", "KESTROVALINE_DESKTOP=MATE"} << all << "mate";
        QTest::newRow("override to none")
            << QStringList{"XDG_CURRENT_DESKTOP=GNOME", "KESTROVALINE_DESKTOP=none"} << all
            << "none";
        QTest::newRow("override to x11 still refuses Wayland")
            << QStringList{"DISPLAY=:0", "WAYLAND_DISPLAY=w", "KESTROVALINE_DESKTOP=x11"} << all
            << "none";
        QTest::newRow("override to a desktop whose schema is missing")
            << QStringList{"DISPLAY=:0", "KESTROVALINE_DESKTOP=cinnamon"}
            << QStringList{"org.gnome.desktop.background"} << "none";
        QTest::newRow("unknown override is ignored")
            << QStringList{"XDG_CURRENT_DESKTOP=MATE", "KESTROVALINE_DESKTOP=amiga"} << all
            << "mate";
    }

    void detection() {
        QFETCH(QStringList, environment);
        QFETCH(QStringList, schemas);
        QFETCH(QString, expected);
        QCOMPARE(detectDesktop(environmentOf(environment), schemasInstalled(schemas)), expected);
    }

    // The name printed by --version says which backend it is, by the id users can force.
    void namesStartWithTheirId_data() {
        QTest::addColumn<QString>("id");
        for (const char* id : {"x11", "gnome", "cinnamon", "mate", "none"})
            QTest::newRow(id) << QString::fromLatin1(id);
    }

    void namesStartWithTheirId() {
        QFETCH(QString, id);
        const auto backend = createDesktopBackend(id, environmentOf({"DISPLAY=:0"}));
        QVERIFY2(backend->name().startsWith(id + QLatin1String(" (")), qPrintable(backend->name()));
    }

    // The null backend fails as a desktop that cannot be reached.
    void noneFailsEverything() {
        const auto backend = createDesktopBackend(QStringLiteral("none"), {});
        QVERIFY(!backend->SetDesktopWallpaper(QStringLiteral("/tmp/x.jpg")));
        QCOMPARE(backend->GetDesktopWallpaperStyle(), -1);
        QVERIFY(!backend->SetDesktopWallpaperStyle(1));
        QCOMPARE(backend->GetDesktopColor(), kUnknownDesktopColor);
        QVERIFY(!backend->SetDesktopColor(0));
    }
};

QTEST_GUILESS_MAIN(TestDesktopLoader)
#include "tst_desktop_loader.moc"
