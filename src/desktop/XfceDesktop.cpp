// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/XfceDesktop.h"

#include "desktop/DesktopBus.h"
#include "desktop/DesktopRecord.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>

#include <cmath>
#include <optional>

namespace kv {
namespace {

// image-style values for centre, tile, stretch, fit (scaled) and fill (zoomed).
constexpr int kImageStyles[5] = {1, 2, 3, 4, 5};
constexpr int kColourStyleSolid = 0;

std::optional<QDBusMessage> call(const char* method, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        QLatin1String(XfceDesktop::kService), QLatin1String(XfceDesktop::kPath),
        QLatin1String(XfceDesktop::kService), QLatin1String(method));
    message.setArguments(arguments);
    const QDBusMessage reply = callDesktop(message);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return std::nullopt;
    return reply;
}

bool setProperty(const QString& property, const QVariant& value) {
    return call("SetProperty", {QLatin1String(XfceDesktop::kChannel), property,
                                QVariant::fromValue(QDBusVariant(value))})
        .has_value();
}

// A D-Bus value as plain Qt values: arrays become QVariantList, variants are unwrapped.
QVariant plain(const QVariant& value) {
    if (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        return plain(value.value<QDBusVariant>().variant());
    if (value.userType() == qMetaTypeId<QDBusArgument>()) {
        const QDBusArgument argument = value.value<QDBusArgument>();
        if (argument.currentType() == QDBusArgument::ArrayType) {
            QVariantList list;
            argument.beginArray();
            while (!argument.atEnd()) {
                QDBusVariant element;
                argument >> element;
                list << plain(element.variant());
            }
            argument.endArray();
            return list;
        }
        return {};
    }
    if (value.userType() == QMetaType::QVariantList) {
        QVariantList list;
        for (const QVariant& element : value.toList())
            list << plain(element);
        return list;
    }
    return value;
}

std::optional<QVariant> getProperty(const QString& property) {
    const auto reply = call("GetProperty", {QLatin1String(XfceDesktop::kChannel), property});
    if (!reply || reply->arguments().isEmpty())
        return std::nullopt;
    return plain(reply->arguments().first());
}

// Sets each of the properties of every group; false at the first one refused.
bool setInEveryGroup(const QList<std::pair<QString, QVariant>>& properties, bool createGroups) {
    QStringList groups = XfceDesktop::existingGroups();
    if (groups.isEmpty() && createGroups)
        groups = XfceDesktop::groupsToCreate();
    if (groups.isEmpty())
        return false;
    for (const QString& group : groups)
        for (const auto& [key, value] : properties)
            if (!setProperty(group + QLatin1Char('/') + key, value))
                return false;
    return true;
}

// The value every group holds for a key; nullopt when they differ or one cannot be read.
std::optional<QVariant> commonValue(const QString& key) {
    const QStringList groups = XfceDesktop::existingGroups();
    if (groups.isEmpty())
        return std::nullopt;
    std::optional<QVariant> common;
    for (const QString& group : groups) {
        const auto value = getProperty(group + QLatin1Char('/') + key);
        if (!value || (common && *common != *value))
            return std::nullopt;
        common = value;
    }
    return common;
}

QVariant rgba(DesktopColor colour) {
    // xfconf refuses a plain array of doubles here: it must be an array of variants.
    return QVariantList{double(colour & 0xFF) / 255.0, double((colour >> 8) & 0xFF) / 255.0,
                        double((colour >> 16) & 0xFF) / 255.0, 1.0};
}

} // namespace

QString XfceDesktop::name() const {
    return QStringLiteral("xfce (XFCE, %1)")
        .arg(QCoreApplication::translate("kv::DesktopBackend", "xfconf channel %1")
                 .arg(QLatin1String(kChannel)));
}

QStringList XfceDesktop::existingGroups() {
    const auto reply =
        call("GetAllProperties", {QLatin1String(kChannel), QStringLiteral("/backdrop")});
    if (!reply || reply->arguments().isEmpty())
        return {};
    static const QRegularExpression kLastImage(
        QStringLiteral("^(/backdrop/screen[0-9]+/monitor[^/]+/workspace[0-9]+)/last-image$"));
    QStringList groups;
    const QDBusArgument all = reply->arguments().first().value<QDBusArgument>();
    all.beginMap();
    while (!all.atEnd()) {
        QString key;
        QDBusVariant value;
        all.beginMapEntry();
        all >> key >> value;
        all.endMapEntry();
        const QRegularExpressionMatch match = kLastImage.match(key);
        if (match.hasMatch())
            groups << match.captured(1);
    }
    all.endMap();
    groups.sort();
    return groups;
}

QStringList XfceDesktop::groupsToCreate() {
    QStringList groups;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        for (const QScreen* screen : QGuiApplication::screens()) {
            const QString name = screen->name();
            // xfdesktop names monitors by their output; a name we cannot put in a property path
            // is skipped rather than guessed.
            static const QRegularExpression kSafe(QStringLiteral("^[A-Za-z0-9._-]+$"));
            if (kSafe.match(name).hasMatch())
                groups << QStringLiteral("/backdrop/screen0/monitor%1/workspace0").arg(name);
        }
    if (groups.isEmpty())
        groups << QStringLiteral("/backdrop/screen0/monitor0/workspace0");
    return groups;
}

bool XfceDesktop::SetDesktopWallpaper(const QString& path) {
    // xfdesktop shows nothing for a file that is not a picture, and xfconf takes any text.
    if (!isUsablePicture(path))
        return false;
    if (!setInEveryGroup({{QStringLiteral("last-image"), path}}, true))
        return false;
    const auto shown = commonValue(QStringLiteral("last-image"));
    return shown && shown->toString() == path;
}

int XfceDesktop::GetDesktopWallpaperStyle() {
    const auto value = commonValue(QStringLiteral("image-style"));
    if (!value)
        return StyleUnknown;
    bool ok = false;
    const int imageStyle = value->toInt(&ok);
    for (int style = StyleCentre; ok && isWallpaperStyle(style); ++style)
        if (kImageStyles[style] == imageStyle)
            return style;
    return StyleUnknown;
}

bool XfceDesktop::SetDesktopWallpaperStyle(int style) {
    if (!isWallpaperStyle(style))
        return false;
    // Sent as int32: an unsigned value would be stored with a type xfdesktop does not read.
    return setInEveryGroup({{QStringLiteral("image-style"), qint32(kImageStyles[style])}}, false) &&
           GetDesktopWallpaperStyle() == style;
}

DesktopColor XfceDesktop::GetDesktopColor() {
    // A gradient or a transparent background only starts with the first colour: it is no plain
    // colour of ours, even where that first colour is the one asked for.
    const auto shading = commonValue(QStringLiteral("color-style"));
    bool solid = false;
    if (!shading || shading->toInt(&solid) != kColourStyleSolid || !solid)
        return kUnknownDesktopColor;
    const auto value = commonValue(QStringLiteral("rgba1"));
    if (!value || value->userType() != QMetaType::QVariantList)
        return kUnknownDesktopColor;
    const QVariantList channels = value->toList();
    if (channels.size() != 4)
        return kUnknownDesktopColor;
    DesktopColor colour = 0;
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const double channel = channels[i].toDouble(&ok);
        if (!ok || channel < 0 || channel > 1)
            return kUnknownDesktopColor;
        colour |= DesktopColor(std::lround(channel * 255)) << (8 * i);
    }
    return colour;
}

bool XfceDesktop::SetDesktopColor(DesktopColor colour) {
    colour &= 0xFFFFFF;
    return setInEveryGroup({{QStringLiteral("color-style"), qint32(kColourStyleSolid)},
                            {QStringLiteral("rgba1"), rgba(colour)}},
                           false) &&
           GetDesktopColor() == colour;
}

} // namespace kv
