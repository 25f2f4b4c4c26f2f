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

QString helpFileName(const QString& folder, const QString& language) {
#ifdef Q_OS_WIN
    const QString extension = QStringLiteral(".chm");
#else
    const QString extension = QStringLiteral(".html");
#endif
    const QString base = QStringLiteral("KestrovalineHelp");
    const QString translated = base + QLatin1Char('_') + language + extension;
    if (!language.isEmpty() && !folder.isEmpty() && QFileInfo(QDir(folder), translated).isFile())
        return translated;
    return base + extension;
}

QString sampleFolder(const QString& programFolder) {
    return QDir(folderHolding(programFolder, kSamples, QString())).filePath(kSamples);
}

QString helpFolder(const QString& programFolder) {
    return folderHolding(programFolder, helpFileName(), QStringLiteral("help"));
}

} // namespace kv
