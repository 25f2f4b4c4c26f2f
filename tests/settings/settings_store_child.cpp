// SPDX-License-Identifier: GPL-3.0-or-later
// A second process for the store tests: writes values into a store and, when asked, dies
// without warning in the middle of a batch.
//   settings_store_child <path> plain <prefix> <count>
//   settings_store_child <path> batch <generation> <count> <die-after, -1 for never>
#include "settings/SqliteSettingsStore.h"

#include <QCoreApplication>
#include <QStringList>

#include <csignal>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 5)
        return 2;
    auto store = kv::SqliteSettingsStore::open(args[1]);
    const QString key = QStringLiteral("Software\\Kestrovaline\\Kestrovaline");
    const int count = args[4].toInt();
    if (args[2] == QLatin1String("plain")) {
        for (int i = 0; i < count; ++i) {
            if (!store->writeText(key, args[3] + QString::number(i), QString::number(i)))
                return 1;
        }
        return 0;
    }
    const int dieAfter = args.value(5, QStringLiteral("-1")).toInt();
    store->setBatchProgressObserver([dieAfter](qsizetype written) {
        if (written == dieAfter)
            std::raise(SIGKILL);
    });
    QList<kv::SettingValue> values;
    for (int i = 0; i < count; ++i)
        values.append({QStringLiteral("V") + QString::number(i), args[3]});
    return store->writeAll(key, values) ? 0 : 1;
}
