// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopLoader.h"

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
        for (const QString& known : facts.filter(fact))
            if (known == fact || (known.endsWith(QStringLiteral(" ms:") + fact) &&
                                  known.section(QLatin1Char(' '), 0, 0).toInt() <= *waited))
                return true;
        return false;
    };
    const auto probe = [has](const char* kind) {
        return [has, kind](const auto& name) {
            return has(QLatin1String(kind) + QString(name));
        };
    };
    DesktopProbes probes;
    probes.schemaInstalled = probe("");
    probes.busNameOwned = probe("bus:");
    probes.busNameAvailable = [has](const char* name) {
        return has("bus:" + QLatin1String(name)) || has("activatable:" + QLatin1String(name));
    };
    probes.lxqtDesktopRunning = [has] {
        return has(QStringLiteral("lxqt-desktop"));
    };
    probes.lxdeDesktopRunning = probe("lxde-desktop:");
    probes.socketExists = probe("socket:");
    probes.executableFound = probe("program:");
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
        const auto add = [](const char* name, const char* environment, const QStringList& machine,
                            const char* expected) {
            QTest::newRow(name) << QString(environment) << machine << QString(expected);
        };

        const QStringList all = kAllSchemas;
        add("nothing at all", "", all, "none");
        const QStringList everything =
            all +
            QStringList{"bus:org.kde.plasmashell", "activatable:org.xfce.Xfconf", "lxqt-desktop",
                        "lxde-desktop::0",         "socket:/run/sway.sock",       "program:swaybg"};
        const QStringList noPlasma = everything.filter(QRegularExpression("^(?!bus:org.kde)"));
        add("Plasma's shell wins over a desktop name", "XDG_CURRENT_DESKTOP=GNOME", everything,
            "kde");
        add("KDE by name without its shell gives way to X11", "XDG_CURRENT_DESKTOP=KDE DISPLAY=:0",
            noPlasma, "x11");
        add("XFCE in lower case, later in a colon list",
            "XDG_CURRENT_DESKTOP=Custom:xfce DISPLAY=:0", noPlasma, "xfce");
        add("XFCE without xfconf gives way to X11", "XDG_CURRENT_DESKTOP=XFCE DISPLAY=:0", all,
            "x11");
        add("the xfconf service alone is no XFCE", "XDG_CURRENT_DESKTOP=i3 DISPLAY=:0", noPlasma,
            "x11");
        add("LXQt", "XDG_CURRENT_DESKTOP=LXQt DISPLAY=:0", noPlasma, "lxqt");
        add("LXDE", "XDG_CURRENT_DESKTOP=LXDE DISPLAY=:0", noPlasma, "lxde");
        add("LXDE with its desktop on another display gives way to X11",
            "XDG_CURRENT_DESKTOP=LXDE DISPLAY=:1", noPlasma, "x11");
        add("sway", "SWAYSOCK=/run/sway.sock WAYLAND_DISPLAY=wayland-1 XDG_CURRENT_DESKTOP=sway",
            noPlasma, "sway");
        add("sway with a stale socket gives way to swaybg",
            "SWAYSOCK=/run/old.sock WAYLAND_DISPLAY=wayland-1", noPlasma, "wayland");
        add("Hyprland by its instance", "HYPRLAND_INSTANCE_SIGNATURE=abc WAYLAND_DISPLAY=wayland-1",
            noPlasma, "hyprland");
        add("other Wayland compositor with swaybg",
            "XDG_CURRENT_DESKTOP=river WAYLAND_DISPLAY=wayland-1 DISPLAY=:0", noPlasma, "wayland");
        add("swaybg is no use without Wayland", "XDG_CURRENT_DESKTOP=river DISPLAY=:0", noPlasma,
            "x11");
        add("GNOME on Wayland before swaybg", "XDG_CURRENT_DESKTOP=GNOME WAYLAND_DISPLAY=wayland-0",
            noPlasma, "gnome");
        add("override to sway", "SWAYSOCK=/run/sway.sock KESTROVALINE_DESKTOP=Sway", noPlasma,
            "sway");
        add("override to LXDE without its desktop", "DISPLAY=:0 KESTROVALINE_DESKTOP=lxde", all,
            "none");
        add("plain X11", "DISPLAY=:0", all, "x11");
        add("X11 under Wayland is not the background", "DISPLAY=:0 WAYLAND_DISPLAY=wayland-0", all,
            "none");
        add("colon list, any case", "XDG_CURRENT_DESKTOP=ubuntu:gNoMe", all, "gnome");
        add("Cinnamon", "XDG_CURRENT_DESKTOP=X-Cinnamon", all, "cinnamon");
        add("session desktop when the current one is unset",
            "XDG_SESSION_DESKTOP=mate DESKTOP_SESSION=gnome", all, "mate");
        add("GNOME without its schema gives way to X11", "XDG_CURRENT_DESKTOP=GNOME DISPLAY=:0",
            QStringList{"org.mate.background"}, "x11");
        add("override to x11", "XDG_CURRENT_DESKTOP=GNOME DISPLAY=:0 KESTROVALINE_DESKTOP=x11", all,
            "x11");
        add("override to none", "XDG_CURRENT_DESKTOP=GNOME KESTROVALINE_DESKTOP=none", all, "none");
        add("override to a desktop whose schema is missing",
            "DISPLAY=:0 KESTROVALINE_DESKTOP=cinnamon", QStringList{"org.gnome.desktop.background"},
            "none");
        // Components that reach the bus after us at logon.
        const QStringList late = QStringList{"program:swaybg", "lxde-desktop::0"} + all;
        add("a late Plasma shell is waited for, not swaybg under KWin",
            "XDG_CURRENT_DESKTOP=KDE WAYLAND_DISPLAY=wayland-0",
            late + QStringList{"3000 ms:bus:org.kde.plasmashell"}, "kde");
        add("a Plasma shell that never comes: still no swaybg under KWin",
            "XDG_CURRENT_DESKTOP=KDE WAYLAND_DISPLAY=wayland-0", late, "none");
        add("patience ends: a Plasma shell after it is too late",
            "DESKTOP_SESSION=plasma DISPLAY=:0",
            late + QStringList{"6000 ms:bus:org.kde.plasmashell"}, "x11");
        add("a late LXQt desktop", "XDG_CURRENT_DESKTOP=LXQt DISPLAY=:0",
            late + QStringList{"4750 ms:lxqt-desktop"}, "lxqt");
        add("an unnamed desktop is not waited for", "XDG_CURRENT_DESKTOP=i3 DISPLAY=:0",
            late + QStringList{"250 ms:bus:org.kde.plasmashell"}, "x11");
        add("no swaybg under GNOME without its schema",
            "XDG_CURRENT_DESKTOP=GNOME WAYLAND_DISPLAY=w", QStringList{"program:swaybg"}, "none");
        add("unknown override is ignored", "XDG_CURRENT_DESKTOP=MATE KESTROVALINE_DESKTOP=amiga",
            all, "mate");
    }

    void detection() {
        QFETCH(QString, environment);
        QFETCH(QStringList, schemas);
        QFETCH(QString, expected);
        QCOMPARE(detectDesktop(environmentOf(environment.split(' ', Qt::SkipEmptyParts)),
                               machineWith(schemas)),
                 expected);
    }
};

QTEST_GUILESS_MAIN(TestDesktopLoader)
#include "tst_desktop_loader.moc"
