// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DataFolders.h"

#include <QDir>
#include <QFileInfo>

namespace kv {
namespace {

// The folder that holds `name`: the program's own, or `installed` under the data folder.
QString folderHolding(const QString& programFolder, const QString& name, const QString& installed) {
    const QDir folder(programFolder);
    if (QFileInfo::exists(folder.filePath(name)))
        return folder.path();
    const QString shared =
        QDir::cleanPath(folder.filePath(QStringLiteral("../share/kestrovaline/") + installed));
    if (QFileInfo::exists(QDir(shared).filePath(name)))
        return shared;
    return folder.path();
}

const QString kSamples = QStringLiteral("Moravelstone");

} // namespace

QString helpFileName() {
#ifdef Q_OS_WIN
    return QStringLiteral("KestrovalineHelp.chm");
#else
    return QStringLiteral("KestrovalineHelp.html");
#endif
}

QString sampleFolder(const QString& programFolder) {
    return QDir(folderHolding(programFolder, kSamples, QString())).filePath(kSamples);
}

QString helpFolder(const QString& programFolder) {
    return folderHolding(programFolder, helpFileName(), QStringLiteral("help"));
}

} // namespace kv
