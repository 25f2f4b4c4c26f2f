// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/help/Help.h"

#include "common/AskUser.h"
#include "settings/Settings.h"
#include "ui/help/Hyperlinks.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace kv {
namespace {

bool isFile(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

} // namespace

QString Help::helpQuestion() {
    return QCoreApplication::translate(
        "kv::Help", "Press OK to open up-to-date program help on the Web; press Cancel to open "
                    "local html help file");
}

Help::Help(Settings& settings, AskUser& askUser, Hyperlinks& links)
    : settings_(settings), askUser_(askUser), links_(links) {}

QString Help::FindHelpFile() const {
    if (helpFileName_.isEmpty())
        return {};
    const QString beside = QDir(programFolder_).filePath(helpFileName_);
    if (!programFolder_.isEmpty() && isFile(beside))
        return beside;
    const QString named =
        QDir(settings_.ReadSetting(QStringLiteral("HelpFile"), QStringLiteral(".")))
            .filePath(helpFileName_);
    if (isFile(named))
        return named;
    if (isFile(helpFileName_))
        return QFileInfo(helpFileName_).absoluteFilePath();
    return {};
}

void Help::Help_Click() {
    const QString local = FindHelpFile();
    if (local.isEmpty()) {
        links_.OpenHyperlink(homePage_);
        return;
    }
    // Without a web site of its own the home page is this very manual, or the manual where the
    // program would have it when this copy lies only in the "HelpFile" folder: nothing to choose.
    const QUrl home = Hyperlinks::UrlOf(homePage_);
    if (Hyperlinks::UrlOf(local) == home || Hyperlinks::IsMissingFile(home)) {
        links_.OpenHyperlink(local);
        return;
    }
    if (askUser_.ask(MessageKind::Help, helpQuestion()) == 1)
        links_.OpenHyperlink(homePage_);
    else
        links_.OpenHyperlink(local);
}

} // namespace kv
