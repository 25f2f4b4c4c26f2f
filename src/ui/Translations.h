// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>

namespace kv {

// Installs the program's translation for the first of the user's languages it has one for, and
// Qt's own translation of that language for the dialogs Qt draws (the colour chooser). With no
// translation for any of them the program stays English, Qt's dialogs too, so that one window
// never mixes two languages. Needs the application object; returns the language of the
// program's translation installed (a code such as "de"), empty when the program stays English.
QString InstallTranslations(const QLocale& locale = QLocale::system());

} // namespace kv
