// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/PlasmaDesktop.h"

#include "desktop/DesktopBus.h"
#include "desktop/DesktopRecord.h"

#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <array>

namespace kv {
namespace {

constexpr const char* kImagePlugin = "org.kde.image";
// Plasma 6.6 draws tiled wallpapers with a plugin of their own; older shells tile with FillMode.
constexpr const char* kTiledPlugin = "org.kde.tiled";

// FillMode values of the image plugin by our style: centre (pad), tile, stretch, fit (keep
// proportions) and fill (crop).
constexpr std::array<int, 5> kFillModes{6, 3, 0, 1, 2};

// The script's output, or nullopt when the shell is absent or answered with an error.
std::optional<QString> evaluate(const QString& script) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QLatin1String(PlasmaDesktop::kService), QLatin1String(PlasmaDesktop::kPath),
        QLatin1String(PlasmaDesktop::kInterface), QStringLiteral("evaluateScript"));
    call << script;
    const QDBusMessage reply = callDesktop(call);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return std::nullopt;
    // Plasma 5 answers with the printed text; a shell that prints nothing may answer with none.
    return reply.arguments().isEmpty() ? QString() : reply.arguments().first().toString();
}

// A prelude every script shares: whether the shell knows the tiling plugin, and how to move a
// desktop to another plugin keeping its picture and colour.
QString prelude() {
    return QStringLiteral(
               "var kvImage = %1; var kvTiled = %2;\n"
               "var kvTiledKnown = (typeof knownWallpaperPlugins == 'function') && "
               "(kvTiled in knownWallpaperPlugins());\n"
               "function kvGroup(d, plugin) { d.currentConfigGroup = ['Wallpaper', plugin, "
               "'General']; }\n"
               "function kvUsePlugin(d, plugin) {\n"
               "  var old = d.wallpaperPlugin; if (old == plugin) return;\n"
               "  kvGroup(d, old); var image = d.readConfig('Image'); var colour = "
               "d.readConfig('Color');\n"
               "  d.wallpaperPlugin = plugin; kvGroup(d, plugin);\n"
               "  if (image !== undefined && image !== null && String(image) != '') "
               "d.writeConfig('Image', image);\n"
               "  if (colour !== undefined && colour !== null && String(colour) != '') "
               "d.writeConfig('Color', colour);\n"
               "}\n"
               "function kvCurrent(d) { var p = d.wallpaperPlugin; return (p == kvTiled) ? p : "
               "kvImage; }\n")
        .arg(PlasmaDesktop::scriptString(QLatin1String(kImagePlugin)),
             PlasmaDesktop::scriptString(QLatin1String(kTiledPlugin)));
}

// Runs `body` for every desktop `d`.
bool forEveryDesktop(const QString& body) {
    return evaluate(prelude() + QStringLiteral("var kvAll = desktops();\n"
                                               "for (var i = 0; i < kvAll.length; ++i) {\n"
                                               "  var d = kvAll[i];\n%1\n}\n")
                                    .arg(body))
        .has_value();
}

QString text(const QJsonValue& value) {
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return QString::number(value.toDouble());
    return {};
}

} // namespace

QString PlasmaDesktop::name() const {
    const QString version = qEnvironmentVariable("KDE_SESSION_VERSION");
    return QStringLiteral("kde (KDE Plasma%1, D-Bus %2)")
        .arg(version.isEmpty() ? QString() : QLatin1Char(' ') + version, QLatin1String(kService));
}

QString PlasmaDesktop::scriptString(const QString& text) {
    QString literal = QStringLiteral("'");
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool plain = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') ||
                           (u >= '0' && u <= '9') || u == '/' || u == '.' || u == '_' || u == '-';
        if (plain)
            literal += c;
        else
            literal += QStringLiteral("\\u%1").arg(uint(u), 4, 16, QLatin1Char('0'));
    }
    return literal + QLatin1Char('\'');
}

std::optional<QList<PlasmaDesktop::Shown>> PlasmaDesktop::shown() {
    const std::optional<QString> output = evaluate(
        prelude() + QStringLiteral("var kvAll = desktops(); var kvOut = [];\n"
                                   "for (var i = 0; i < kvAll.length; ++i) {\n"
                                   "  var d = kvAll[i]; var p = d.wallpaperPlugin; kvGroup(d, p);\n"
                                   "  kvOut.push({plugin: String(p), image: String(d.readConfig("
                                   "'Image', '')), fillMode: String(d.readConfig('FillMode', "
                                   "'')), colour: String(d.readConfig('Color', ''))});\n"
                                   "}\nprint(JSON.stringify(kvOut));\n"));
    if (!output)
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(output->trimmed().toUtf8());
    if (!document.isArray())
        return std::nullopt;
    QList<Shown> result;
    for (const QJsonValue& entry : document.array()) {
        const QJsonObject object = entry.toObject();
        result << Shown{text(object.value(QLatin1String("plugin"))),
                        text(object.value(QLatin1String("image"))),
                        text(object.value(QLatin1String("fillMode"))),
                        text(object.value(QLatin1String("colour")))};
    }
    return result;
}

bool PlasmaDesktop::SetDesktopWallpaper(const QString& path) {
    // The shell takes any text and shows nothing for a file that is not there.
    if (!isUsablePicture(path))
        return false;
    const QString url = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    const bool sent = forEveryDesktop(
        QStringLiteral("  var plugin = (d.wallpaperPlugin == kvTiled && kvTiledKnown) ? kvTiled : "
                       "kvImage;\n"
                       "  kvUsePlugin(d, plugin); kvGroup(d, plugin); d.writeConfig('Image', %1);")
            .arg(scriptString(url)));
    if (!sent)
        return false;
    const auto desktops = shown();
    if (!desktops || desktops->isEmpty())
        return false;
    for (const Shown& desktop : *desktops)
        if (desktop.image != url)
            return false;
    return true;
}

int PlasmaDesktop::GetDesktopWallpaperStyle() {
    const auto desktops = shown();
    if (!desktops || desktops->isEmpty())
        return StyleUnknown;
    int common = StyleUnknown;
    for (int i = 0; i < desktops->size(); ++i) {
        const Shown& desktop = desktops->at(i);
        int style = StyleUnknown;
        if (desktop.plugin == QLatin1String(kTiledPlugin))
            style = StyleTile;
        else if (desktop.plugin == QLatin1String(kImagePlugin)) {
            bool ok = false;
            const int fill = desktop.fillMode.toInt(&ok);
            for (int candidate = StyleCentre; ok && isWallpaperStyle(candidate); ++candidate)
                if (kFillModes[size_t(candidate)] == fill)
                    style = candidate;
        }
        // Desktops that disagree show no one style of ours.
        if (style == StyleUnknown || (i > 0 && style != common))
            return StyleUnknown;
        common = style;
    }
    return common;
}

bool PlasmaDesktop::SetDesktopWallpaperStyle(int style) {
    if (!isWallpaperStyle(style))
        return false;
    const int fill = kFillModes[size_t(style)];
    const QString body =
        style == StyleTile
            ? QStringLiteral("  if (kvTiledKnown) { kvUsePlugin(d, kvTiled); }\n"
                             "  else { kvUsePlugin(d, kvImage); kvGroup(d, kvImage); "
                             "d.writeConfig('FillMode', %1); }")
                  .arg(fill)
            : QStringLiteral("  kvUsePlugin(d, kvImage); kvGroup(d, kvImage); "
                             "d.writeConfig('FillMode', %1);")
                  .arg(fill);
    return forEveryDesktop(body) && GetDesktopWallpaperStyle() == style;
}

DesktopColor PlasmaDesktop::GetDesktopColor() {
    const auto desktops = shown();
    if (!desktops || desktops->isEmpty())
        return kUnknownDesktopColor;
    const std::optional<DesktopColor> first = colourFromHex(desktops->first().colour);
    for (const Shown& desktop : *desktops)
        if (colourFromHex(desktop.colour) != first)
            return kUnknownDesktopColor;
    return first.value_or(kUnknownDesktopColor);
}

bool PlasmaDesktop::SetDesktopColor(DesktopColor colour) {
    colour &= 0xFFFFFF;
    return forEveryDesktop(QStringLiteral("  kvGroup(d, kvCurrent(d)); d.writeConfig('Color', %1);")
                               .arg(scriptString(colourHex(colour)))) &&
           GetDesktopColor() == colour;
}

} // namespace kv
