// SPDX-License-Identifier: GPL-3.0-or-later
// Shows a message for a screenshot: message_dialog_shot [hold-milliseconds] [kind] [file-name]
// [left,top], a deletion question by default; a start-up report names the one file given, and
// kind 9 is the exit after a failed save. The dialog opens where the position in pixels was
// stored, 200,150 by default. It answers itself after the hold (Close where there is one), so
// the tool never waits for a person.
#include "collection/CollectionCommands.h"
#include "common/MessageSwitches.h"
#include "shots/ShotLook.h"
#include "ui/help/Help.h"
#include "ui/message/DialogAskUser.h"
#include "ui/message/ProgMsg.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    kv::test::applyShotLook();
    const int hold = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 3000;
    kv::MemoryMessageSwitches switches;
    kv::ProgMsg dialog(switches, nullptr);
    const QStringList stored =
        QString::fromLocal8Bit(argc > 4 ? argv[4] : "200,150").split(QLatin1Char(','));
    dialog.setRestoredPosition(QPoint(stored.value(0).toInt(), stored.value(1).toInt()) *
                               kv::ProgMsg::kTwipsPerPixel);
    kv::DialogAskUser askUser(dialog, switches);
    const int kind = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 4;
    QString text = kv::CollectionCommands::DeleteQuestion(3);
    if (kind == 5)
        text = kv::Help::helpQuestion();
    else if (kind == 9)
        text = QStringLiteral("Unable to save settings! database is locked. What was saved before "
                              "is kept. Exit anyway? The changes made since the last save will be "
                              "lost.");
    else if (kind == 1)
        text = argc > 3
                   ? kv::CollectionCommands::MissingFilesText(1, QString::fromLocal8Bit(argv[3]))
                   : kv::CollectionCommands::MissingFilesText(12, QString());
    QTimer::singleShot(hold, &dialog, [&dialog] { dialog.close(); });
    const int answer = askUser.ask(static_cast<kv::MessageKind>(kind), text);
    std::printf("answer %d, Confirm 4 = %d\n", answer, switches.confirm(4));
    return 0;
}
