// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gio/gio.h>
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gsettingsbackend.h>

namespace kv {

// The GIO and GObject functions the GSettings desktops call. Most sessions never drive a GSettings
// desktop, so GIO (with GObject, libmount, libblkid and libselinux behind it, about 1 MB resident)
// is loaded at the first use rather than at every start. GLib itself is linked: Qt's event loop
// loads it anyway.
#define KV_GIO_FUNCTIONS(F)                                                                        \
    F(g_settings_schema_source_get_default)                                                        \
    F(g_settings_schema_source_lookup)                                                             \
    F(g_settings_schema_has_key)                                                                   \
    F(g_settings_schema_get_key)                                                                   \
    F(g_settings_schema_get_path)                                                                  \
    F(g_settings_schema_unref)                                                                     \
    F(g_settings_schema_key_get_value_type)                                                        \
    F(g_settings_schema_key_range_check)                                                           \
    F(g_settings_schema_key_unref)                                                                 \
    F(g_settings_new_full)                                                                         \
    F(g_settings_set_value)                                                                        \
    F(g_settings_get_value)                                                                        \
    F(g_settings_sync)                                                                             \
    F(g_settings_backend_get_default)                                                              \
    F(g_object_unref)                                                                              \
    F(g_type_name)

struct GioFunctions {
#define KV_GIO_MEMBER(name) decltype(&::name) name = nullptr;
    KV_GIO_FUNCTIONS(KV_GIO_MEMBER)
#undef KV_GIO_MEMBER

    // Loads GIO once, for the life of the process; nullptr when it or one of these functions is
    // missing, and every GSettings desktop then counts as not installed.
    static const GioFunctions* get();
};

} // namespace kv
