// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/DesktopBackend.h"

#include <QCoreApplication>
#include <QString>

namespace kv {

// Where one desktop family keeps its background in GSettings.
struct GSettingsBackgroundSchema {
    const char* id;           // schema id
    const char* pictureKey;   // picture-uri or picture-filename
    bool pictureIsUri;        // a file URI, or a plain path
    const char* darkKey;      // written as well when the installed schema has it, else nullptr
    const char* solidShading; // color-shading-type nick for one plain colour
};

// The desktops that read their background from GSettings. Each operation looks the schema up
// first (creating settings for a schema that is not installed ends the process), writes, syncs
// and reads the value back: with no session bus dconf accepts every write and saves nothing.
class GSettingsDesktop : public DesktopBackend {
public:
    explicit GSettingsDesktop(const GSettingsBackgroundSchema& schema) : schema_(schema) {}

    bool SetDesktopWallpaper(const QString& path) override;
    int GetDesktopWallpaperStyle() override;
    bool SetDesktopWallpaperStyle(int style) override;
    DesktopColor GetDesktopColor() override;
    bool SetDesktopColor(DesktopColor colour) override;

    // True when the schema is installed (a loader's probe).
    static bool schemaInstalled(const char* id);

private:
    GSettingsBackgroundSchema schema_;
};

// GNOME and the desktops built on its settings: Unity, Budgie, Pantheon.
class GnomeDesktop final : public GSettingsDesktop {
public:
    static constexpr GSettingsBackgroundSchema kSchema{
        "org.gnome.desktop.background", "picture-uri", true, "picture-uri-dark", "solid"};
    GnomeDesktop() : GSettingsDesktop(kSchema) {}
    QString name() const override {
        return QStringLiteral("gnome (%1, GSettings %2)")
            .arg(QCoreApplication::translate("kv::DesktopBackend", "GNOME family"),
                 QLatin1String(kSchema.id));
    }
};

class CinnamonDesktop final : public GSettingsDesktop {
public:
    static constexpr GSettingsBackgroundSchema kSchema{
        "org.cinnamon.desktop.background", "picture-uri", true, "picture-uri-dark", "solid"};
    CinnamonDesktop() : GSettingsDesktop(kSchema) {}
    QString name() const override {
        return QStringLiteral("cinnamon (Cinnamon, GSettings %1)").arg(QLatin1String(kSchema.id));
    }
};

class MateDesktop final : public GSettingsDesktop {
public:
    static constexpr GSettingsBackgroundSchema kSchema{"org.mate.background", "picture-filename",
                                                       false, nullptr, "solid"};
    MateDesktop() : GSettingsDesktop(kSchema) {}
    QString name() const override {
        return QStringLiteral("mate (MATE, GSettings %1)").arg(QLatin1String(kSchema.id));
    }
};

} // namespace kv
