// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ProgramHome.h"

#include "settings/SessionValuesStore.h"
#include "settings/SqliteSettingsStore.h"

#include <QColor>
#include <QDir>
#include <QImage>

namespace kv::test {
namespace {

const QString kKey = QStringLiteral("Software\\Kestrovaline\\Kestrovaline");

} // namespace

ProgramHome::ProgramHome(const QString& display, const QString& desktop)
    : environment_(home_.processEnvironment()) {
    environment_.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment_.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment_.insert(QStringLiteral("DISPLAY"), display);
    environment_.insert(QStringLiteral("KESTROVALINE_DESKTOP"), desktop);
    // The program speaks English whatever the machine's language; a test may ask for another.
    environment_.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
}

ProgramHome::~ProgramHome() {
    for (const auto& process : running_) {
        if (process->state() == QProcess::NotRunning)
            continue;
        process->kill();
        process->waitForFinished(5000);
    }
}

QString ProgramHome::program() {
    return qEnvironmentVariable("KV_PROGRAM");
}

void ProgramHome::setVariable(const QString& name, const QString& value) {
    environment_.insert(name, value);
}

void ProgramHome::removeVariable(const QString& name) {
    environment_.remove(name);
}

void ProgramHome::store(const QList<QPair<QString, QString>>& values) {
    auto store = SqliteSettingsStore::open(home_.persistentStorePath());
    for (const auto& [name, text] : values)
        store->writeText(kKey, name, text);
}

QString ProgramHome::stored(const QString& name) const {
    return SqliteSettingsStore::open(home_.persistentStorePath())->readText(kKey, name);
}

QString ProgramHome::storedVolatile(const QString& name) const {
    return SessionValuesStore::open(home_.volatileStorePath())->readText(kKey, name);
}

QProcess& ProgramHome::start(const QStringList& arguments) {
    auto process = std::make_shared<QProcess>();
    process->setProcessEnvironment(environment_);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(program(), arguments);
    process->waitForStarted();
    running_.append(process);
    return *process;
}

int ProgramHome::run(const QStringList& arguments, int timeoutMs, QString* errorOutput) {
    QProcess process;
    process.setProcessEnvironment(environment_);
    process.start(program(), arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return -100;
    }
    if (errorOutput)
        *errorOutput = QString::fromLocal8Bit(process.readAllStandardError());
    return process.exitStatus() == QProcess::CrashExit ? -1 : process.exitCode();
}

bool ProgramHome::close(QProcess& copy) {
    return run({QStringLiteral("-close")}) == 0 && copy.waitForFinished(10000) &&
           copy.exitStatus() == QProcess::NormalExit && copy.exitCode() == 0;
}

QList<QPair<QString, QString>> threeColourCollection(const QString& folder) {
    const QList<QPair<QString, QColor>> pictures{{QStringLiteral("red.bmp"), Qt::red},
                                                 {QStringLiteral("green.png"), Qt::green},
                                                 {QStringLiteral("blue.bmp"), Qt::blue}};
    QList<QPair<QString, QString>> values{{QStringLiteral("WN"), QStringLiteral("3")},
                                          {QStringLiteral("WIndex"), QStringLiteral("0")},
                                          {QStringLiteral("AutoSelection"), QStringLiteral("0")},
                                          {QStringLiteral("Stretch"), QStringLiteral("2")}};
    for (int n = 1; n <= pictures.size(); ++n) {
        const auto& [name, colour] = pictures[n - 1];
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(colour);
        picture.save(QDir(folder).filePath(name));
        values.append({QStringLiteral("WName%1").arg(n), name});
        values.append({QStringLiteral("WPath%1").arg(n), folder});
        values.append({QStringLiteral("WState%1").arg(n), QStringLiteral("1")});
    }
    return values;
}

} // namespace kv::test
