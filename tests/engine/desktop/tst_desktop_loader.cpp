// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/desktop/DesktopLoader.h"

#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTest>

#include <memory>

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

// What the machine has, by words: schema ids, "bus:NAME" (owned), "activatable:NAME",
// "lxqt-desktop", "lxde-desktop:DISPLAY", "socket:PATH", "program:NAME"; "MS ms:FACT" for a
// fact that comes true once detection has paused that many milliseconds.
DesktopProbes machineWith(const QStringList& facts) {
    const auto waited = std::make_shared<int>(0);
    const auto has = [facts, waited](const QString& fact) {
        if (facts.contains(fact))
            return true;
        for (const QString& late : facts.filter(QStringLiteral(" ms:") + fact))
            if (late.section(QLatin1Char(' '), 0, 0).toInt() <= *waited &&
                late.endsWith(QStringLiteral(" ms:") + fact))
                return true;
        return false;
    };
    DesktopProbes probes;
    probes.schemaInstalled = [has](const char* id) {
        return has(QLatin1String(id));
    };
    probes.busNameOwned = [has](const char* name) {
        return has(QStringLiteral("bus:") + QLatin1String(name));
    };
    probes.busNameAvailable = [has](const char* name) {
        return has(QStringLiteral("bus:") + QLatin1String(name)) ||
               has(QStringLiteral("activatable:") + QLatin1String(name));
    };
    probes.lxqtDesktopRunning = [has] {
        return has(QStringLiteral("lxqt-desktop"));
    };
    probes.lxdeDesktopRunning = [has](const QString& display) {
        return has(QStringLiteral("lxde-desktop:") + display);
    };
    probes.socketExists = [has](const QString& path) {
        return has(QStringLiteral("socket:") + path);
    };
    probes.executableFound = [has](const char* program) {
        return has(QStringLiteral("program:") + QLatin1String(program));
    };
    probes.pause = [waited](int milliseconds) {
        *waited += milliseconds;
    };
    return probes;
}

const QStringList kAllSchemas{"org.gnome.desktop.background", "org.cinnamon.desktop.background",
                              "org.mate.background"};

} // namespace

class TestDesktopLoader : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void detection_data() {
        QTest::addColumn<QString>("environment"); // assignments, space-separated
        QTest::addColumn<QStringList>("schemas");
        QTest::addColumn<QString>("expected");

        const QStringList all = kAllSchemas;
        QTest::newRow("nothing at all") << "" << all << "none";
        const QStringList everything =
            all +
            QStringList{"bus:org.kde.plasmashell", "activatable:org.xfce.Xfconf", "lxqt-desktop",
                        "lxde-desktop::0",         "socket:/run/sway.sock",       "program:swaybg"};
        const QStringList noPlasma = everything.filter(QRegularExpression("^(?!bus:org.kde)"));
        QTest::newRow("Plasma's shell on the bus comes first")
            << "XDG_CURRENT_DESKTOP=KDE DISPLAY=:0" << everything << "kde";
        QTest::newRow("Plasma's shell wins over a desktop name")
            << "XDG_CURRENT_DESKTOP=GNOME" << everything << "kde";
        QTest::newRow("KDE by name without its shell gives way to X11")
            << "XDG_CURRENT_DESKTOP=KDE DISPLAY=:0" << noPlasma << "x11";
        QTest::newRow("XFCE") << "XDG_CURRENT_DESKTOP=XFCE DISPLAY=:0" << noPlasma << "xfce";
        QTest::newRow("XFCE in lower case, later in a colon list")
            << "XDG_CURRENT_DESKTOP=Custom:xfce DISPLAY=:0" << noPlasma << "xfce";
        QTest::newRow("XFCE without xfconf gives way to X11")
            << "XDG_CURRENT_DESKTOP=XFCE DISPLAY=:0" << all << "x11";
        QTest::newRow("the xfconf service alone is no XFCE")
            << "XDG_CURRENT_DESKTOP=i3 DISPLAY=:0" << noPlasma << "x11";
        QTest::newRow("LXQt") << "XDG_CURRENT_DESKTOP=LXQt DISPLAY=:0" << noPlasma << "lxqt";
        QTest::newRow("LXQt without its desktop gives way to X11")
            << "XDG_CURRENT_DESKTOP=lxqt DISPLAY=:0" << QStringList{"lxde-desktop::0"} << "x11";
        QTest::newRow("LXDE") << "XDG_CURRENT_DESKTOP=LXDE DISPLAY=:0" << noPlasma << "lxde";
        QTest::newRow("LXDE with its desktop on another display gives way to X11")
            << "XDG_CURRENT_DESKTOP=LXDE DISPLAY=:1" << noPlasma << "x11";
        QTest::newRow("sway")
            << "SWAYSOCK=/run/sway.sock WAYLAND_DISPLAY=wayland-1 XDG_CURRENT_DESKTOP=sway"
            << noPlasma << "sway";
        QTest::newRow("sway with a stale socket gives way to swaybg")
            << "SWAYSOCK=/run/old.sock WAYLAND_DISPLAY=wayland-1" << noPlasma << "wayland";
        QTest::newRow("Hyprland by its instance")
            << "HYPRLAND_INSTANCE_SIGNATURE=abc WAYLAND_DISPLAY=wayland-1" << noPlasma
            << "hyprland";
        QTest::newRow("Hyprland by name")
            << "XDG_CURRENT_DESKTOP=Hyprland WAYLAND_DISPLAY=wayland-1" << noPlasma << "hyprland";
        QTest::newRow("Hyprland without swaybg finds nothing")
            << "XDG_CURRENT_DESKTOP=Hyprland WAYLAND_DISPLAY=wayland-1 DISPLAY=:0" << all << "none";
        QTest::newRow("other Wayland compositor with swaybg")
            << "XDG_CURRENT_DESKTOP=river WAYLAND_DISPLAY=wayland-1 DISPLAY=:0" << noPlasma
            << "wayland";
        QTest::newRow("swaybg is no use without Wayland")
            << "XDG_CURRENT_DESKTOP=river DISPLAY=:0" << noPlasma << "x11";
        QTest::newRow("GNOME on Wayland before swaybg")
            << "XDG_CURRENT_DESKTOP=GNOME WAYLAND_DISPLAY=wayland-0" << noPlasma << "gnome";
        QTest::newRow("override to sway")
            << "SWAYSOCK=/run/sway.sock KESTROVALINE_DESKTOP=Sway" << noPlasma << "sway";
        QTest::newRow("override to LXDE without its desktop")
            << "DISPLAY=:0 KESTROVALINE_DESKTOP=lxde" << all << "none";
        QTest::newRow("override to swaybg under X11 only")
            << "DISPLAY=:0 KESTROVALINE_DESKTOP=wayland" << noPlasma << "none";
        QTest::newRow("plain X11") << "DISPLAY=:0" << all << "x11";
        QTest::newRow("X11 under Wayland is not the background")
            << "DISPLAY=:0 WAYLAND_DISPLAY=wayland-0" << all << "none";
        QTest::newRow("GNOME") << "XDG_CURRENT_DESKTOP=GNOME" << all << "gnome";
        QTest::newRow("GNOME on Wayland")
            << "XDG_CURRENT_DESKTOP=GNOME WAYLAND_DISPLAY=wayland-0" << all << "gnome";
        QTest::newRow("colon list, any case")
            << "XDG_CURRENT_DESKTOP=ubuntu:gNoMe" << all << "gnome";
        QTest::newRow("later entry of a colon list")
            << "XDG_CURRENT_DESKTOP=Something:Budgie" << all << "gnome";
        QTest::newRow("Unity") << "XDG_CURRENT_DESKTOP=Unity" << all << "gnome";
        QTest::newRow("Pantheon") << "XDG_CURRENT_DESKTOP=Pantheon" << all << "gnome";
        QTest::newRow("Cinnamon") << "XDG_CURRENT_DESKTOP=X-Cinnamon" << all << "cinnamon";
        QTest::newRow("MATE") << "XDG_CURRENT_DESKTOP=MATE" << all << "mate";
        QTest::newRow("session desktop when the current one is unset")
            << "XDG_SESSION_DESKTOP=mate DESKTOP_SESSION=gnome" << all << "mate";
        QTest::newRow("desktop session as a path")
            << "DESKTOP_SESSION=/usr/share/xsessions/cinnamon" << all << "cinnamon";
        QTest::newRow("empty entries of a colon list")
            << "XDG_CURRENT_DESKTOP=::MATE:" << all << "mate";
        QTest::newRow("GNOME without its schema gives way to X11")
            << "XDG_CURRENT_DESKTOP=GNOME DISPLAY=:0" << QStringList{"org.mate.background"}
            << "x11";
        QTest::newRow("GNOME without its schema under Wayland finds nothing")
            << "XDG_CURRENT_DESKTOP=GNOME WAYLAND_DISPLAY=w" << QStringList{} << "none";
        QTest::newRow("unknown desktop on X11")
            << "XDG_CURRENT_DESKTOP=i3 DISPLAY=:0" << all << "x11";
        QTest::newRow("override to x11")
            << "XDG_CURRENT_DESKTOP=GNOME DISPLAY=:0 KESTROVALINE_DESKTOP=x11" << all << "x11";
        QTest::newRow("override in any case")
            << "DISPLAY=:0 KESTROVALINE_DESKTOP=MATE" << all << "mate";
        QTest::newRow("override to none")
            << "XDG_CURRENT_DESKTOP=GNOME KESTROVALINE_DESKTOP=none" << all << "none";
        QTest::newRow("override to x11 still refuses Wayland")
            << "DISPLAY=:0 WAYLAND_DISPLAY=w KESTROVALINE_DESKTOP=x11" << all << "none";
        QTest::newRow("override to a desktop whose schema is missing")
            << "DISPLAY=:0 KESTROVALINE_DESKTOP=cinnamon"
            << QStringList{"org.gnome.desktop.background"} << "none";
        // Components that reach the bus after us at logon.
        const QStringList late = QStringList{"program:swaybg", "lxde-desktop::0"} + all;
        QTest::newRow("a late Plasma shell is waited for, not swaybg under KWin")
            << "XDG_CURRENT_DESKTOP=KDE WAYLAND_DISPLAY=wayland-0"
            << late + QStringList{"3000 ms:bus:org.kde.plasmashell"} << "kde";
        QTest::newRow("a Plasma shell that never comes: still no swaybg under KWin")
            << "XDG_CURRENT_DESKTOP=KDE WAYLAND_DISPLAY=wayland-0" << late << "none";
        QTest::newRow("patience ends: a Plasma shell after it is too late")
            << "DESKTOP_SESSION=plasma DISPLAY=:0"
            << late + QStringList{"6000 ms:bus:org.kde.plasmashell"} << "x11";
        QTest::newRow("a late xfconf")
            << "XDG_CURRENT_DESKTOP=XFCE DISPLAY=:0"
            << late + QStringList{"1000 ms:activatable:org.xfce.Xfconf"} << "xfce";
        QTest::newRow("a late LXQt desktop")
            << "XDG_CURRENT_DESKTOP=LXQt DISPLAY=:0" << late + QStringList{"4750 ms:lxqt-desktop"}
            << "lxqt";
        QTest::newRow("a late LXDE desktop")
            << "XDG_CURRENT_DESKTOP=LXDE DISPLAY=:1" << late + QStringList{"250 ms:lxde-desktop::1"}
            << "lxde";
        QTest::newRow("a forced KDE waits for its shell too")
            << "KESTROVALINE_DESKTOP=kde DISPLAY=:0"
            << late + QStringList{"2000 ms:bus:org.kde.plasmashell"} << "kde";
        QTest::newRow("an unnamed desktop is not waited for")
            << "XDG_CURRENT_DESKTOP=i3 DISPLAY=:0"
            << late + QStringList{"250 ms:bus:org.kde.plasmashell"} << "x11";
        QTest::newRow("no swaybg under GNOME without its schema")
            << "XDG_CURRENT_DESKTOP=GNOME WAYLAND_DISPLAY=w" << QStringList{"program:swaybg"}
            << "none";
        QTest::newRow("unknown override is ignored")
            << "XDG_CURRENT_DESKTOP=MATE KESTROVALINE_DESKTOP=amiga" << all << "mate";
    }

    void detection() {
        QFETCH(QString, environment);
        QFETCH(QStringList, schemas);
        QFETCH(QString, expected);
        QCOMPARE(detectDesktop(environmentOf(environment.split(' ', Qt::SkipEmptyParts)),
                               machineWith(schemas)),
                 expected);
    }

    // The name printed by --version says which backend it is, by the id users can force.
    void namesStartWithTheirId_data() {
        QTest::addColumn<QString>("id");
        for (const char* id : {"kde", "gnome", "cinnamon", "mate", "xfce", "lxqt", "lxde", "sway",
                               "hyprland", "wayland", "x11", "none"})
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
