// SPDX-License-Identifier: GPL-3.0-or-later
// A second process for the store tests: writes values into a store and, when asked, dies
// without warning in the middle of a batch.
//   settings_store_child <path> plain <prefix> <count>
//   settings_store_child <path> batch <text> <count> [<die after this many, -1 for never>]
#include "settings/SqliteSettingsStore.h"

#include <QCoreApplication>

#include <csignal>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 5)
        return 2;
    auto store = kv::SqliteSettingsStore::open(args[1]);
    const QString key = QStringLiteral("Software\\Kestrovaline\\Kestrovaline");
    QList<kv::SettingValue> values;
    for (int i = 0; i < args[4].toInt(); ++i) {
        if (args[2] == QLatin1String("plain") &&
            !store->writeText(key, args[3] + QString::number(i), QString::number(i)))
            return 1;
        values.append({QStringLiteral("V") + QString::number(i), args[3]});
    }
    const int dieAfter = args.value(5, QStringLiteral("-1")).toInt();
    store->setBatchProgressObserver([dieAfter](qsizetype written) {
        if (written == dieAfter)
            std::raise(SIGKILL);
    });
    return args[2] == QLatin1String("plain") || store->writeAll(key, values) ? 0 : 1;
}
