// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopRecord.h"

#include "common/PictureCheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdio>

namespace kv {

DesktopRecord::DesktopRecord(const QString& backendId) {
    const QString folder = runtimeFolder();
    if (!folder.isEmpty())
        file_ = folder + QLatin1Char('/') + backendId + QStringLiteral("-desktop.json");
}

static QString privateFolderIn(const QString& base) {
    if (base.isEmpty())
        return {};
    const QString folder = base + QStringLiteral("/kestrovaline");
    if (!QDir().mkpath(folder))
        return {};
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return folder;
}

QString DesktopRecord::runtimeFolder() {
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QFileInfo(base).isDir())
        base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return privateFolderIn(base);
}

QString DesktopRecord::cacheFolder() {
    return privateFolderIn(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation));
}

QString alternateName(const QString& folder, const QString& prefix, const QString& previous,
                      const QString& suffix) {
    const bool wasA = QFileInfo(previous).completeBaseName().endsWith(QLatin1String("-a"));
    return folder + QLatin1Char('/') + prefix + (wasA ? QLatin1String("-b") : QLatin1String("-a")) +
           suffix;
}

QString linkName(const QString& folder, const QString& prefix, const QString& previous,
                 const QString& picture) {
    QString suffix = QFileInfo(picture).suffix().toLower();
    static const QRegularExpression kPlainSuffix(QStringLiteral("^[a-z0-9]{1,8}$"));
    suffix = kPlainSuffix.match(suffix).hasMatch() ? QLatin1Char('.') + suffix : QString();
    return alternateName(folder, prefix, previous, suffix);
}

bool placeLink(const QString& link, const QString& target) {
    const QString temporary = link + QStringLiteral(".new");
    QFile::remove(temporary);
    if (!QFile::link(target, temporary))
        return false;
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(link).constData()) !=
        0) {
        QFile::remove(temporary);
        return false;
    }
    return true;
}

bool isOwnFile(const QString& path, const QString& folder, const QString& prefix) {
    const QFileInfo file(path);
    return !folder.isEmpty() && file.fileName().startsWith(prefix) &&
           file.absolutePath() == QDir(folder).absolutePath();
}

DesktopState DesktopRecord::read() const {
    DesktopState state;
    QFile file(file_);
    if (file_.isEmpty() || file.size() > 64 * 1024 || !file.open(QIODevice::ReadOnly))
        return state;
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    state.path = object.value(QLatin1String("path")).toString();
    const int style = object.value(QLatin1String("style")).toInt(StyleUnknown);
    state.style = isWallpaperStyle(style) ? style : StyleUnknown;
    const double colour = object.value(QLatin1String("colour")).toDouble(-1);
    state.colour = colour >= 0 && colour <= 0xFFFFFF ? DesktopColor(colour) : kUnknownDesktopColor;
    state.session = object.value(QLatin1String("session")).toString();
    state.link = object.value(QLatin1String("link")).toString();
    state.upright = object.value(QLatin1String("upright")).toString();
    state.helperPid = qint64(object.value(QLatin1String("helperPid")).toDouble(0));
    state.helperCommandLine = QByteArray::fromBase64(
        object.value(QLatin1String("helperCommandLine")).toString().toLatin1());
    return state;
}

bool DesktopRecord::write(const DesktopState& state) const {
    if (file_.isEmpty())
        return false;
    QJsonObject object;
    object.insert(QLatin1String("path"), state.path);
    object.insert(QLatin1String("style"), state.style);
    object.insert(QLatin1String("colour"),
                  state.colour == kUnknownDesktopColor ? -1.0 : double(state.colour & 0xFFFFFF));
    object.insert(QLatin1String("session"), state.session);
    object.insert(QLatin1String("link"), state.link);
    object.insert(QLatin1String("upright"), state.upright);
    object.insert(QLatin1String("helperPid"), double(state.helperPid));
    object.insert(QLatin1String("helperCommandLine"),
                  QString::fromLatin1(state.helperCommandLine.toBase64()));
    QSaveFile file(file_);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(object).toJson(QJsonDocument::Compact));
    return file.commit();
}

bool isUsablePicture(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || !info.isReadable())
        return false;
    QImageReader reader(path);
    const QSize size = DeclaredSize(reader);
    return reader.canRead() && size.isValid() && !size.isEmpty();
}

QString colourHex(DesktopColor colour) {
    const unsigned red = colour & 0xFF, green = (colour >> 8) & 0xFF, blue = (colour >> 16) & 0xFF;
    return QStringLiteral("#%1%2%3")
        .arg(red, 2, 16, QLatin1Char('0'))
        .arg(green, 2, 16, QLatin1Char('0'))
        .arg(blue, 2, 16, QLatin1Char('0'));
}

std::optional<DesktopColor> colourFromHex(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.size() != 7 || !trimmed.startsWith(QLatin1Char('#')))
        return std::nullopt;
    bool ok = false;
    const uint rgb = trimmed.mid(1).toUInt(&ok, 16);
    if (!ok)
        return std::nullopt;
    return DesktopColor(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
}

} // namespace kv
