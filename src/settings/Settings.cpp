#include "settings/Settings.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace kv {
namespace {

bool isVolatileName(const QString& name) {
    return name.compare(QLatin1String("LifeTime"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("LifeCmd"), Qt::CaseInsensitive) == 0;
}

} // namespace

std::optional<double> parseRealNumber(const QString& text) {
    QString t = text.trimmed();
    // Values written under a locale with a decimal comma still read back.
    if (t.count(QLatin1Char(',')) == 1 && !t.contains(QLatin1Char('.')))
        t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<qint32> parseWholeNumber(const QString& text) {
    bool ok = false;
    const qint64 whole = text.trimmed().toLongLong(&ok);
    if (ok) {
        if (whole < std::numeric_limits<qint32>::min() ||
            whole > std::numeric_limits<qint32>::max())
            return std::nullopt;
        return static_cast<qint32>(whole);
    }
    // A real where a whole number belongs is rounded, halves to even.
    const std::optional<double> real = parseRealNumber(text);
    if (!real)
        return std::nullopt;
    const double rounded = std::nearbyint(*real);
    if (rounded < std::numeric_limits<qint32>::min() ||
        rounded > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(rounded);
}

QString singlePrecisionText(double value) {
    return QString::number(static_cast<double>(static_cast<float>(value)), 'g', 7);
}

Settings::Settings(SettingsStore& persistent, SettingsStore* volatileStore)
    : persistent_(persistent), volatile_(volatileStore) {}

void Settings::SetSettingsRoot(const QString& productName, const QString& vendorName) {
    const QString vendor = vendorName.isEmpty() ? productName : vendorName;
    key_ = QStringLiteral("Software\\") + vendor + QLatin1Char('\\') + productName;
}

SettingsStore& Settings::storeFor(const QString& name) const {
    return (volatile_ && isVolatileName(name)) ? *volatile_ : persistent_;
}

QString Settings::readRaw(const QString& name) const {
    if (pending_ && !isVolatileName(name)) {
        for (auto it = pending_->crbegin(); it != pending_->crend(); ++it) {
            if (it->name.compare(name, Qt::CaseInsensitive) == 0)
                return it->text;
        }
    }
    if (snapshot_ && !isVolatileName(name))
        return snapshot_->value(name.toLower());
    return storeFor(name).readText(key_, name);
}

void Settings::writeRaw(const QString& name, const QString& text) {
    if (pending_ && !isVolatileName(name)) {
        pending_->append({name, text});
        return;
    }
    if (storeFor(name).writeText(key_, name, text) && snapshot_ && !isVolatileName(name))
        snapshot_->insert(name.toLower(), text);
}

QString Settings::ReadSetting(const QString& name, const QString& defaultValue) const {
    const QString text = readRaw(name);
    return text.isEmpty() ? defaultValue : text;
}

QString Settings::ReadSetting(const QString& name, const char* defaultValue) const {
    return ReadSetting(name, QString::fromUtf8(defaultValue));
}

qint32 Settings::ReadSetting(const QString& name, qint32 defaultValue) const {
    return parseWholeNumber(readRaw(name)).value_or(defaultValue);
}

double Settings::ReadSetting(const QString& name, double defaultValue) const {
    return parseRealNumber(readRaw(name)).value_or(defaultValue);
}

void Settings::WriteSetting(const QString& name, const QString& text) {
    writeRaw(name, text);
}

void Settings::WriteSetting(const QString& name, const char* text) {
    writeRaw(name, QString::fromUtf8(text));
}

void Settings::WriteSetting(const QString& name, qint32 value) {
    writeRaw(name, QString::number(value));
}

void Settings::WriteSetting(const QString& name, double value) {
    writeRaw(name, singlePrecisionText(value));
}

Settings::Batch::Batch(Settings& settings)
    : settings_(settings), outermost_(!settings.pending_.has_value()) {
    if (outermost_)
        settings_.pending_.emplace();
}

Settings::Batch::~Batch() {
    if (open_ && outermost_)
        settings_.pending_.reset();
}

Settings::Snapshot::Snapshot(Settings& settings)
    : settings_(settings), outermost_(!settings.snapshot_.has_value()) {
    if (!outermost_)
        return;
    const std::optional<QList<SettingValue>> values = settings_.persistent_.readAll(settings_.key_);
    if (!values)
        return;
    QHash<QString, QString>& snapshot = settings_.snapshot_.emplace();
    snapshot.reserve(values->size());
    for (const SettingValue& value : *values)
        snapshot.insert(value.name.toLower(), value.text);
}

Settings::Snapshot::~Snapshot() {
    if (outermost_)
        settings_.snapshot_.reset();
}

bool Settings::Batch::commit() {
    if (!open_)
        return false;
    open_ = false;
    if (!outermost_)
        return true;
    const QList<SettingValue> values = std::move(*settings_.pending_);
    settings_.pending_.reset();
    if (values.isEmpty())
        return true;
    if (!settings_.persistent_.writeAll(settings_.key_, values))
        return false;
    if (settings_.snapshot_) {
        for (const SettingValue& value : values)
            settings_.snapshot_->insert(value.name.toLower(), value.text);
    }
    return true;
}

} // namespace kv
