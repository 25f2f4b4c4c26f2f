// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/GSettingsDesktop.h"

#include "desktop/DesktopBus.h"
#include "desktop/GioFunctions.h"

#include <QColor>
#include <QDBusMessage>
#include <QFile>
#include <QFileInfo>

#include <array>

namespace kv {
namespace {

// Picture-options nicks for centre, tile, stretch, fit and fill; the same in every family we
// drive.
constexpr std::array<const char*, 5> kStyleNicks{"centered", "wallpaper", "stretched", "scaled",
                                                 "zoom"};

constexpr const char* kOptionsKey = "picture-options";
constexpr const char* kColorKey = "primary-color";
constexpr const char* kShadingKey = "color-shading-type";

using Pairs = QList<std::pair<const char*, QByteArray>>;

// A call to the writer of the user's dconf database, the service that stores it.
QDBusMessage dconfWriter(const QString& method) {
    return QDBusMessage::createMethodCall(QStringLiteral("ca.desrt.dconf"),
                                          QStringLiteral("/ca/desrt/dconf/Writer/user"),
                                          QStringLiteral("ca.desrt.dconf.Writer"), method);
}

// Settings for one schema, only when GIO loads and that schema is installed.
class SchemaSettings {
public:
    explicit SchemaSettings(const char* id) : gio_(GioFunctions::get()) {
        if (!gio_)
            return;
        if (GSettingsSchemaSource* source = gio_->g_settings_schema_source_get_default())
            schema_ = gio_->g_settings_schema_source_lookup(source, id, TRUE);
        if (schema_)
            settings_ = gio_->g_settings_new_full(schema_, nullptr, nullptr);
    }
    ~SchemaSettings() {
        if (settings_)
            gio_->g_object_unref(settings_);
        if (schema_)
            gio_->g_settings_schema_unref(schema_);
    }
    SchemaSettings(const SchemaSettings&) = delete;
    SchemaSettings& operator=(const SchemaSettings&) = delete;

    bool ok() const { return settings_ != nullptr; }
    bool hasKey(const char* key) const {
        return schema_ && gio_->g_settings_schema_has_key(schema_, key);
    }

    // The value as the key stores it; nullptr for a key that is missing, not a string, or that
    // does not allow this value (an enum nick it does not know): GSettings would only complain on
    // stderr.
    GVariant* checkedValue(const char* key, const QByteArray& value) const {
        if (!ok() || !hasKey(key))
            return nullptr;
        GSettingsSchemaKey* schemaKey = gio_->g_settings_schema_get_key(schema_, key);
        GVariant* variant = g_variant_ref_sink(g_variant_new_string(value.constData()));
        if (!g_variant_type_equal(gio_->g_settings_schema_key_get_value_type(schemaKey),
                                  G_VARIANT_TYPE_STRING) ||
            !gio_->g_settings_schema_key_range_check(schemaKey, variant))
            g_clear_pointer(&variant, g_variant_unref);
        gio_->g_settings_schema_key_unref(schemaKey);
        return variant;
    }

    // Stores through the settings backend, in this process (memory, keyfile).
    bool write(const Pairs& pairs) const {
        for (const auto& [key, value] : pairs) {
            GVariant* variant = checkedValue(key, value);
            const bool written = variant && gio_->g_settings_set_value(settings_, key, variant);
            if (variant)
                g_variant_unref(variant);
            if (!written)
                return false;
        }
        gio_->g_settings_sync();
        return true;
    }

    // dconf stores through its service on the session bus, and GLib's sync waits for that service
    // as long as D-Bus lets it (about 25 s), whatever made it hang. So the change set GSettings
    // would queue goes to the service from here, within the bound of every desktop call. A change
    // set sent to a service that does not answer stays queued and is stored once it answers
    // again, after the change was told as failed: it goes only to a service whose writer answers
    // now (its harmless Init, which the writer takes in turn with the changes).
    bool sendToDconf(const Pairs& pairs) const {
        const char* path = ok() ? gio_->g_settings_schema_get_path(schema_) : nullptr;
        if (!path ||
            callDesktop(dconfWriter(QStringLiteral("Init"))).type() != QDBusMessage::ReplyMessage)
            return false;
        GVariantBuilder changes;
        g_variant_builder_init(&changes, G_VARIANT_TYPE("a{smv}"));
        for (const auto& [key, value] : pairs) {
            GVariant* variant = checkedValue(key, value);
            if (!variant) {
                g_variant_builder_clear(&changes);
                return false;
            }
            g_variant_builder_add(&changes, "{smv}", (QByteArray(path) + key).constData(), variant);
            g_variant_unref(variant);
        }
        GVariant* changeSet = g_variant_ref_sink(g_variant_builder_end(&changes));
        const QByteArray blob(static_cast<const char*>(g_variant_get_data(changeSet)),
                              qsizetype(g_variant_get_size(changeSet)));
        g_variant_unref(changeSet);
        QDBusMessage change = dconfWriter(QStringLiteral("Change"));
        change.setArguments({blob});
        return callDesktop(change).type() == QDBusMessage::ReplyMessage;
    }

    std::optional<QByteArray> read(const char* key) const {
        if (!ok() || !hasKey(key))
            return std::nullopt;
        GVariant* variant = gio_->g_settings_get_value(settings_, key);
        std::optional<QByteArray> value;
        if (variant && g_variant_is_of_type(variant, G_VARIANT_TYPE_STRING))
            value = QByteArray(g_variant_get_string(variant, nullptr));
        if (variant)
            g_variant_unref(variant);
        return value;
    }

private:
    const GioFunctions* gio_;
    GSettingsSchema* schema_ = nullptr;
    GSettings* settings_ = nullptr;
};

// The type of GSettings' backend in this process, such as "DConfSettingsBackend".
QByteArray backendType(const GioFunctions& gio) {
    GSettingsBackend* backend = gio.g_settings_backend_get_default();
    const QByteArray type(gio.g_type_name(G_TYPE_FROM_INSTANCE(backend)));
    gio.g_object_unref(backend);
    return type;
}

// Writes every pair, then reads them back through fresh settings: only what the backend really
// kept counts.
bool writeAndVerify(const char* schemaId, const Pairs& pairs) {
    const GioFunctions* gio = GioFunctions::get();
    if (!gio)
        return false;
    const QByteArray backend = backendType(*gio);
    // GLib's memory backend (asked for, or its fallback without the dconf module) keeps a change
    // in this process, where reading it back finds it, and the desktop never sees it.
    if (backend == "GMemorySettingsBackend")
        return false;
    {
        const SchemaSettings settings(schemaId);
        if (!(backend == "DConfSettingsBackend" ? settings.sendToDconf(pairs)
                                                : settings.write(pairs)))
            return false;
    }
    const SchemaSettings settings(schemaId);
    for (const auto& [key, value] : pairs)
        if (settings.read(key) != value)
            return false;
    return true;
}

QByteArray fileUri(const QString& path) {
    GError* error = nullptr;
    gchar* uri = g_filename_to_uri(QFile::encodeName(path).constData(), nullptr, &error);
    if (error)
        g_error_free(error);
    const QByteArray result(uri ? uri : "");
    g_free(uri);
    return result;
}

} // namespace

bool GSettingsDesktop::schemaInstalled(const char* id) {
    return SchemaSettings(id).ok();
}

bool GSettingsDesktop::SetDesktopWallpaper(const QString& path) {
    if (path.isEmpty())
        return false;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QByteArray value = schema_.pictureIsUri ? fileUri(absolute) : absolute.toUtf8();
    if (value.isEmpty())
        return false;
    Pairs pairs{{schema_.pictureKey, value}};
    // Users of the dark style see only the dark picture.
    if (schema_.darkKey && SchemaSettings(schema_.id).hasKey(schema_.darkKey))
        pairs.append({schema_.darkKey, value});
    return writeAndVerify(schema_.id, pairs);
}

int GSettingsDesktop::GetDesktopWallpaperStyle() {
    const auto nick = SchemaSettings(schema_.id).read(kOptionsKey);
    for (int style = StyleCentre; isWallpaperStyle(style); ++style)
        if (nick == kStyleNicks[size_t(style)])
            return style;
    return StyleUnknown;
}

bool GSettingsDesktop::SetDesktopWallpaperStyle(int style) {
    if (!isWallpaperStyle(style))
        return false;
    return writeAndVerify(schema_.id, {{kOptionsKey, QByteArray(kStyleNicks[size_t(style)])}});
}

DesktopColor GSettingsDesktop::GetDesktopColor() {
    SchemaSettings settings(schema_.id);
    // A gradient is not the plain colour the caller asks about.
    if (settings.read(kShadingKey) != QByteArray(schema_.solidShading))
        return kUnknownDesktopColor;
    const auto text = settings.read(kColorKey);
    const QColor colour = text ? QColor::fromString(QLatin1String(*text)) : QColor();
    if (!colour.isValid())
        return kUnknownDesktopColor;
    return DesktopColor(colour.red()) | DesktopColor(colour.green()) << 8 |
           DesktopColor(colour.blue()) << 16;
}

bool GSettingsDesktop::SetDesktopColor(DesktopColor colour) {
    const QByteArray text = QStringLiteral("#%1%2%3")
                                .arg(colour & 0xFF, 2, 16, QLatin1Char('0'))
                                .arg((colour >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
                                .arg((colour >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
                                .toLatin1();
    return writeAndVerify(schema_.id,
                          {{kColorKey, text}, {kShadingKey, QByteArray(schema_.solidShading)}});
}

} // namespace kv
