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

    // Refuses a key that is missing, not a string, or that does not allow this value (an enum
    // nick it does not know): GSettings would only complain on stderr.
    bool write(const char* key, const QByteArray& value) const {
        if (!ok() || !hasKey(key))
            return false;
        GSettingsSchemaKey* schemaKey = gio_->g_settings_schema_get_key(schema_, key);
        GVariant* variant = g_variant_ref_sink(g_variant_new_string(value.constData()));
        const bool written =
            g_variant_type_equal(gio_->g_settings_schema_key_get_value_type(schemaKey),
                                 G_VARIANT_TYPE_STRING) &&
            gio_->g_settings_schema_key_range_check(schemaKey, variant) &&
            gio_->g_settings_set_value(settings_, key, variant);
        g_variant_unref(variant);
        gio_->g_settings_schema_key_unref(schemaKey);
        return written;
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

// dconf stores through its service on the session bus, and a sync waits for that service as long
// as D-Bus lets it (about 25 s). The service is asked first, within our bound, in its own main
// loop (the bus library would answer a ping even for a hung one); one that does not answer
// refuses the change before anything is queued, so no later write waits behind it. Other
// backends (memory, keyfile) store in this process.
bool settingsServiceAnswers(const GioFunctions& gio) {
    GSettingsBackend* backend = gio.g_settings_backend_get_default();
    const bool onTheBus =
        g_str_equal(gio.g_type_name(G_TYPE_FROM_INSTANCE(backend)), "DConfSettingsBackend");
    gio.g_object_unref(backend);
    if (!onTheBus)
        return true;
    QDBusMessage probe = QDBusMessage::createMethodCall(
        QStringLiteral("ca.desrt.dconf"), QStringLiteral("/ca/desrt/dconf/Writer/user"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"));
    probe.setArguments({QStringLiteral("ca.desrt.dconf.Writer")});
    return callDesktop(probe).type() == QDBusMessage::ReplyMessage;
}

// Writes every pair, waits until the backend has stored them, then reads them back through
// fresh settings: only what the backend really kept counts.
bool writeAndVerify(const char* schemaId, const QList<std::pair<const char*, QByteArray>>& pairs) {
    const GioFunctions* gio = GioFunctions::get();
    if (!gio || !settingsServiceAnswers(*gio))
        return false;
    {
        SchemaSettings settings(schemaId);
        if (!settings.ok())
            return false;
        for (const auto& [key, value] : pairs)
            if (!settings.write(key, value))
                return false;
        gio->g_settings_sync();
    }
    SchemaSettings settings(schemaId);
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
    QList<std::pair<const char*, QByteArray>> pairs{{schema_.pictureKey, value}};
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
