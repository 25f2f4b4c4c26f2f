// SPDX-License-Identifier: GPL-3.0-or-later
// Shows the main window with a small collection for a screenshot:
// main_window_shot [hold-milliseconds] [picture-folder]. The collection holds the pictures of the
// folder, some marked to skip, and two entries whose files are gone. The window closes itself
// after the hold, so the tool never waits for a person.
#include "collection/Collection.h"
#include "shots/ShotLook.h"
#include "ui/main/CollectionView.h"
#include "ui/main/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    kv::test::applyShotLook();
    const int hold = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 3000;
    const QDir folder(argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::currentPath());

    kv::Collection collection;
    const QStringList pictures = folder.entryList(
        {QStringLiteral("*.jpg"), QStringLiteral("*.bmp"), QStringLiteral("*.gif")}, QDir::Files,
        QDir::Name);
    for (int i = 0; i < pictures.size(); ++i)
        collection.AppendImage(pictures[i], folder.path(),
                               i % 3 == 1 ? kv::StateSkip : kv::StateUse);
    collection.AppendImage(QStringLiteral("holiday-2019.jpg"), QStringLiteral("/media/old"),
                           kv::StateMissing);
    collection.AppendImage(QStringLiteral("old-scan.bmp"), QStringLiteral("/media/old"),
                           kv::StateMissing);

    kv::MainWindow window;
    window.setWindowTitle(QStringLiteral("Kestrovaline 1.0"));
    window.imageName()->setCollection(collection);
    if (collection.rowCount() > 2)
        collection.SelectOnly(2);
    window.move(40, 40);
    window.show();
    // exit, not quit: the window refuses to close, as it does for a user.
    QTimer::singleShot(hold, &application, [] { QCoreApplication::exit(0); });
    return QApplication::exec();
}
