// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/SessionValuesStore.h"
#include "settings/Settings.h"
#include "settings/SqliteSettingsStore.h"
#include "support/ManualClock.h"
#include "support/TestEnvironment.h"

#include <memory>

namespace kv::test {

// What an in-process program runs on in a test: a private home, its persistent and volatile
// stores opened there, the settings over them and a clock stopped at a fixed morning. Test
// fixtures derive from it and add the program and its window.
struct ProgramStores {
    TestEnvironment environment;
    std::unique_ptr<SqliteSettingsStore> persistent =
        SqliteSettingsStore::open(environment.persistentStorePath());
    std::unique_ptr<SessionValuesStore> volatileStore =
        SessionValuesStore::open(environment.volatileStorePath());
    Settings settings{*persistent, volatileStore.get()};
    ManualClock clock{QDateTime(QDate(2026, 12, 6), QTime(9, 30))};
};

} // namespace kv::test
