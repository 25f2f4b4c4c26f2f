// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/UnwritableStore.h"

#include "settings/StoreHealth.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <sqlite3.h>

namespace kv {

QString unchangedStamp(const QString& path) {
    const QFileInfo info(QFileInfo(path).canonicalFilePath());
    QFile file(info.filePath());
    if (!info.isFile() || QFileInfo::exists(info.filePath() + QLatin1String("-wal")) ||
        !file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray header = file.read(20);
    if (header.size() < 20 || header[18] != 2 || header[19] != 2)
        return {};
    // The change of its metadata as well: a copy put in its place keeps the time of its content.
    return QStringLiteral("%1 %2 %3")
        .arg(info.size())
        .arg(info.lastModified().toMSecsSinceEpoch())
        .arg(info.metadataChangeTime().toMSecsSinceEpoch());
}

std::optional<UnwritableStoreRead> readUnwritableStore(const QString& path) {
    const QByteArray uri =
        "file://" + QUrl::toPercentEncoding(QFile::encodeName(QFileInfo(path).absoluteFilePath()),
                                            QByteArrayLiteral("/"));
    const QString stamp = unchangedStamp(path);
    for (const auto& [query, allowed] :
         {std::pair{"?mode=ro", true}, std::pair{"?immutable=1", !stamp.isEmpty()}}) {
        if (!allowed)
            continue;
        sqlite3* db = nullptr;
        const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX;
        const bool opened =
            sqlite3_open_v2((uri + query).constData(), &db, flags, nullptr) == SQLITE_OK &&
            checkHealth(db, true) == StoreHealth::Good;
        const QList<SalvagedRow> rows = opened ? salvageSettingsRows(db) : QList<SalvagedRow>();
        sqlite3_close(db);
        if (!opened)
            continue;
        if (unchangedStamp(path) != stamp)
            return std::nullopt;
        return UnwritableStoreRead{rows, stamp};
    }
    return std::nullopt;
}

} // namespace kv
