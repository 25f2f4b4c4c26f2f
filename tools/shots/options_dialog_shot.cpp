// SPDX-License-Identifier: GPL-3.0-or-later
// Shows a window for a screenshot: options_dialog_shot <page 0-2 | about | help>
// [hold-milliseconds] [manual]; the help window shows the manual file given. The window closes
// itself after the hold, so the tool never waits for a person.
#include "engine/Options.h"
#include "shots/ShotLook.h"
#include "ui/help/HelpWindow.h"
#include "ui/help/Hyperlinks.h"
#include "ui/help/ProgAbout.h"
#include "ui/options/ProgOpts.h"

#include <QApplication>
#include <QTimer>
#include <QUrl>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    kv::test::applyShotLook();
    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("0");
    const int hold = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 3000;
    kv::Options record;
    record.Automatic = 1;
    record.AutoPeriod = 1;
    record.AutoPeriodHours = 2;
    record.AutoPeriodMins = 30;
    record.AutoTimeHours = 12;
    record.Stretch = 2;
    record.AutoSelection = 1;
    record.Backgroud = 0x6B4A2F;
    record.AutoStart = 1;
    record.Confirm1 = record.Confirm2 = record.Confirm4 = 1;
    record.AutoChangeDate = QDate(2026, 3, 14);
    record.AutoChangeTime = QTime(8, 15);
    if (what == QLatin1String("about")) {
        kv::Hyperlinks links;
        const QString home = QStringLiteral("file:///usr/bin/KestrovalineHelp.html");
        kv::ProgAbout about(1, 0, kv::ProgAbout::LinksTo(home), links);
        about.setDesktopName(QStringLiteral("GNOME"));
        about.move(20, 20);
        QTimer::singleShot(hold, &about, [&about] { about.hide(); });
        about.exec();
        return 0;
    }
    if (what == QLatin1String("help")) {
        kv::Hyperlinks links;
        kv::HelpWindow window(links);
        window.move(20, 20);
        window.showManual(QUrl::fromLocalFile(QString::fromLocal8Bit(argc > 3 ? argv[3] : "")));
        QTimer::singleShot(hold, &application, [] { QCoreApplication::exit(0); });
        return QApplication::exec();
    }
    record.OptTab = what.toInt();
    kv::ProgOpts dialog(record);
    dialog.setRestoredPosition(QPoint(20 * 15, 20 * 15));
    QTimer::singleShot(hold, &dialog, [&dialog] { dialog.close(); });
    dialog.showModal();
    return 0;
}
