// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/GioFunctions.h"

#include <QLibrary>

#include <optional>

namespace kv {

const GioFunctions* GioFunctions::get() {
    static const std::optional<GioFunctions> functions = []() -> std::optional<GioFunctions> {
        // Never unloaded: GIO keeps types and threads of its own once it has run.
        QLibrary library(QStringLiteral("gio-2.0"), 0);
        if (!library.load()) {
            qWarning("GSettings desktops cannot be driven: %s",
                     qUtf8Printable(library.errorString()));
            return std::nullopt;
        }
        // GObject's functions are found through GIO, which depends on it.
        GioFunctions loaded;
        const char* missing = nullptr;
#define KV_GIO_RESOLVE(name)                                                                       \
    loaded.name = reinterpret_cast<decltype(loaded.name)>(library.resolve(#name));                 \
    if (!loaded.name && !missing)                                                                  \
        missing = #name;
        KV_GIO_FUNCTIONS(KV_GIO_RESOLVE)
#undef KV_GIO_RESOLVE
        if (missing) {
            qWarning("GSettings desktops cannot be driven: GIO lacks %s", missing);
            return std::nullopt;
        }
        return loaded;
    }();
    return functions ? &*functions : nullptr;
}

} // namespace kv
