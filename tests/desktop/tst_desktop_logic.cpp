// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopLoader.h"
#include "desktop/DesktopRecord.h"
#include "desktop/RootPicture.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <memory>

using namespace kv;

using Monitors = QList<QRect>;
Q_DECLARE_METATYPE(Monitors)

namespace {

const QSize kScreen(320, 200);
// Of unlike sizes, with a bare strip between them.
const Monitors kTwoMonitors{QRect(0, 20, 200, 150), QRect(210, 0, 110, 200)};

QProcessEnvironment environmentOf(const QString& assignments) {
    QProcessEnvironment environment;
    for (const QString& assignment : assignments.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        environment.insert(assignment.section(QLatin1Char('='), 0, 0),
                           assignment.section(QLatin1Char('='), 1));
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

} // namespace

// What the desktop library decides without a desktop: which backend a session gets, what a
// damaged record reads as, and how the root picture is drawn in bands.
class TestDesktopLogic : public QObject {
    Q_OBJECT

    test::TestEnvironment home_;
    QTemporaryDir folder_;

    QString recordFile() const {
        return DesktopRecord::runtimeFolder() + QStringLiteral("/probe-desktop.json");
    }

    // An ellipse and a corner block, on white as a JPEG or on nothing as a transparent PNG.
    QString makePicture(QSize size, bool alpha) {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(alpha ? QColor(0, 0, 0, 0) : QColor(Qt::white));
        QPainter painter(&image);
        painter.setBrush(QColor(200, 40, 40, alpha ? 160 : 255));
        painter.drawEllipse(QRect(QPoint(0, 0), size).adjusted(2, 2, -2, -2));
        painter.fillRect(0, 0, size.width() / 3, size.height() / 3, QColor(20, 20, 180));
        painter.end();
        const QString path = folder_.filePath(QStringLiteral("%1x%2.%3")
                                                  .arg(size.width())
                                                  .arg(size.height())
                                                  .arg(alpha ? "png" : "jpg"));
        return image.save(path) ? path : QString();
    }

private Q_SLOTS:
    void detection_data() {
        QTest::addColumn<QString>("environment"); // assignments, space-separated
        QTest::addColumn<QStringList>("schemas");
        QTest::addColumn<QString>("expected");
        const auto add = [](const char* name, const char* environment, const QStringList& machine,
                            const char* expected) {
            QTest::newRow(name) << QString(environment) << machine << QString(expected);
        };

        const QStringList all{"org.gnome.desktop.background", "org.cinnamon.desktop.background",
                              "org.mate.background"};
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
        QCOMPARE(detectDesktop(environmentOf(environment), machineWith(schemas)), expected);
    }

    // A damaged or hand-edited record reads as "nothing known", which makes the engine set
    // everything again.
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

    // The screen is sent to the X server in bands of rows: drawn band by band it must be exactly
    // the screen drawn at once, whatever the placement, or seams would show on the desktop.
    void bandsMatchTheWholeScreen_data() {
        QTest::addColumn<QSize>("pictureSize");
        QTest::addColumn<bool>("alpha");
        QTest::addColumn<int>("style");
        QTest::addColumn<Monitors>("monitors");
        // Small, screen-sized, reduced while decoding, larger, transparent.
        for (const auto& [size, alpha] : {std::pair{QSize(70, 45), false},
                                          {kScreen, false},
                                          {QSize(1000, 700), false},
                                          {QSize(500, 260), false},
                                          {QSize(90, 50), true}})
            for (int style = StyleCentre; style <= StyleFill; ++style)
                for (const bool two : {false, true})
                    QTest::addRow("%dx%d%s style %d on %s", size.width(), size.height(),
                                  alpha ? " transparent" : "", style, two ? "two monitors" : "one")
                        << size << alpha << style
                        << (two ? kTwoMonitors : Monitors{QRect(QPoint(0, 0), kScreen)});
    }

    void bandsMatchTheWholeScreen() {
        QFETCH(QSize, pictureSize);
        QFETCH(bool, alpha);
        QFETCH(int, style);
        QFETCH(Monitors, monitors);
        const QString path = makePicture(pictureSize, alpha);
        QVERIFY(!path.isEmpty());
        RootPicture picture;
        QVERIFY(picture.load(path, monitors, style, 0x00408000));
        const QImage whole = picture.render(kScreen, monitors);
        QCOMPARE(whole.size(), kScreen);

        QImage banded(whole.size(), QImage::Format_RGB32);
        for (int top = 0; top < banded.height(); top += 7) {
            QImage band(banded.width(), qMin(7, banded.height() - top), QImage::Format_RGB32);
            picture.drawBand(band, top, monitors);
            for (int row = 0; row < band.height(); ++row)
                std::memcpy(banded.scanLine(top + row), band.constScanLine(row),
                            size_t(band.bytesPerLine()));
        }
        QCOMPARE(banded, whole);
        // A transparent picture shows the colour through it, and so does the strip between the
        // monitors.
        if (alpha && style == StyleTile)
            QCOMPARE(whole.pixel(monitors[0].left(), monitors[0].top() + pictureSize.height() - 1),
                     qRgb(0x00, 0x80, 0x40));
        if (monitors == kTwoMonitors)
            QCOMPARE(whole.pixel(205, 100), qRgb(0x00, 0x80, 0x40));
    }
};

QTEST_GUILESS_MAIN(TestDesktopLogic)
#include "tst_desktop_logic.moc"
