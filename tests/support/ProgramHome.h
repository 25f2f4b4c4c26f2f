// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/TestEnvironment.h"

#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>

#include <memory>

namespace kv::test {

// The real program (KV_PROGRAM) for end-to-end tests: its own fresh home, a display, a desktop
// backend, and direct access to the stores it keeps, as a user and a second copy see them.
class ProgramHome {
public:
    ProgramHome(const QString& display, const QString& desktop);
    ~ProgramHome();
    ProgramHome(const ProgramHome&) = delete;
    ProgramHome& operator=(const ProgramHome&) = delete;

    TestEnvironment& environment() { return home_; }
    QProcessEnvironment processEnvironment() const { return environment_; }
    void setVariable(const QString& name, const QString& value);
    void removeVariable(const QString& name);

    // Values of the persistent store, as a previous run or a hand edit would have left them.
    void store(const QList<QPair<QString, QString>>& values);
    QString stored(const QString& name) const;
    QString storedVolatile(const QString& name) const;

    // Starts a copy that keeps running; the home ends every copy it started.
    QProcess& start(const QStringList& arguments = {});
    // Runs a copy to its end; its exit code, -1 for a crash, -100 when it did not end in time.
    int run(const QStringList& arguments, int timeoutMs = 20000, QString* errorOutput = nullptr);
    // Ends a started copy with "-close", as a user does: whether both ended with status 0.
    bool close(QProcess& copy);

    static QString program();

private:
    TestEnvironment home_;
    QProcessEnvironment environment_;
    QList<std::shared_ptr<QProcess>> running_;
};

// Stored values of a collection of three plain pictures made in the folder, red, green and blue,
// with the current index at red: the next change in list order is green, a PNG (the others are
// BMP files). Stretched, so the middle of the screen shows the picture.
QList<QPair<QString, QString>> threeColourCollection(const QString& folder);

} // namespace kv::test
