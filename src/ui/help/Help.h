// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kv {

class AskUser;
class Hyperlinks;
class Settings;

// Where the local help is looked for, and what the Help button opens.
class Help {
public:
    Help(Settings& settings, AskUser& askUser, Hyperlinks& links);

    void setProgramFolder(const QString& folder) { programFolder_ = folder; }
    void setHelpFileName(const QString& name) { helpFileName_ = name; }
    void setHomePage(const QString& address) { homePage_ = address; }

    // The local help: beside the program, else in the folder "HelpFile" names, else in the
    // current folder. Empty when none of the three has it.
    QString FindHelpFile() const;
    // With a local help the user chooses between it and the home page, unless the home page is
    // that help or a local file that is not there; without one the home page opens at once.
    void Help_Click();

    static QString helpQuestion();

private:
    Settings& settings_;
    AskUser& askUser_;
    Hyperlinks& links_;
    QString programFolder_;
    QString helpFileName_;
    QString homePage_;
};

} // namespace kv
