// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Settings.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace kv {
namespace {

bool isVolatileName(const QString& name) {
    return name.compare(QLatin1String("LifeTime"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("LifeCmd"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("LifeSaved"), Qt::CaseInsensitive) == 0;
}

} // namespace

size_t foldedNameHash(const QString& name, size_t seed) {
    // FNV-1a over the case-folded characters.
    quint64 hash = 0xcbf29ce484222325ULL ^ seed;
    for (const QChar c : name)
        hash = (hash ^ c.toCaseFolded().unicode()) * 0x100000001b3ULL;
    return size_t(hash);
}

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
    // A number beyond 32 bits is out of range like any other and saturates; read as missing it
    // would make a huge count an empty collection, which the next save would store.
    constexpr qint32 lowest = std::numeric_limits<qint32>::min();
    constexpr qint32 highest = std::numeric_limits<qint32>::max();
    bool ok = false;
    const qint64 whole = text.trimmed().toLongLong(&ok);
    if (ok)
        return static_cast<qint32>(std::clamp<qint64>(whole, lowest, highest));
    // A real where a whole number belongs is rounded, halves to even.
    const std::optional<double> real = parseRealNumber(text);
    if (!real)
        return std::nullopt;
    return static_cast<qint32>(std::clamp<double>(std::nearbyint(*real), lowest, highest));
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

QString Settings::lastError() const {
    return persistent_.lastError();
}

QString Settings::readRaw(const QString& name, bool remember) const {
    // The heartbeat values are another copy's channel: never pending, cached or remembered.
    if (isVolatileName(name))
        return storeFor(name).readText(key_, name);
    if (pending_) {
        for (auto it = pending_->crbegin(); it != pending_->crend(); ++it) {
            if (it->name.compare(name, Qt::CaseInsensitive) == 0)
                return it->text;
        }
    }
    if (!snapshot_)
        return persistent_.readText(key_, name);
    QString text = snapshot_->value(FoldedName{name});
    if (remember && mark_)
        known_.insert(name, text);
    return text;
}

void Settings::writeRaw(const QString& name, const QString& text, bool remember) {
    if (isVolatileName(name)) {
        storeFor(name).writeText(key_, name, text);
        return;
    }
    if (pending_) {
        pending_->append({name, text, remember});
        return;
    }
    if (!persistent_.writeText(key_, name, text))
        return;
    if (remember && mark_)
        known_.insert(name, text);
    if (snapshot_)
        snapshot_->insert(FoldedName{name}, text);
}

QString Settings::ReadSetting(const QString& name, const QString& defaultValue) const {
    const QString text = readRaw(name, true);
    return text.isEmpty() ? defaultValue : text;
}

QString Settings::ReadSetting(const QString& name, const char* defaultValue) const {
    return ReadSetting(name, QString::fromUtf8(defaultValue));
}

qint32 Settings::ReadSetting(const QString& name, qint32 defaultValue) const {
    return parseWholeNumber(readRaw(name, true)).value_or(defaultValue);
}

double Settings::ReadSetting(const QString& name, double defaultValue) const {
    return parseRealNumber(readRaw(name, true)).value_or(defaultValue);
}

QString Settings::ReadListValue(const QString& name) const {
    return readRaw(name, false);
}

void Settings::WriteSetting(const QString& name, const QString& text) {
    writeRaw(name, text, true);
}

void Settings::WriteSetting(const QString& name, const char* text) {
    writeRaw(name, QString::fromUtf8(text), true);
}

void Settings::WriteSetting(const QString& name, qint32 value) {
    writeRaw(name, QString::number(value), true);
}

void Settings::WriteSetting(const QString& name, double value) {
    writeRaw(name, singlePrecisionText(value), true);
}

void Settings::WriteListValue(const QString& name, const QString& text) {
    writeRaw(name, text, false);
}

void Settings::forgetStore() {
    known_.clear();
    ++epoch_;
    mark_ = persistent_.changeMark();
}

bool Settings::writeBatch(const QList<PendingValue>& pending) {
    // What the store will hold once the batch lands, for the values remembered; a name written
    // twice is compared with its own earlier write.
    QHash<QString, QString> after = known_;
    QList<SettingValue> changed;
    changed.reserve(pending.size());
    for (const PendingValue& value : pending) {
        if (value.remembered && mark_) {
            const auto it = after.constFind(value.name);
            if (it != after.cend() && *it == value.text)
                continue;
            after.insert(value.name, value.text);
        }
        changed.append({value.name, value.text});
    }
    if (!mark_) {
        if (!changed.isEmpty() && !persistent_.writeAll(key_, changed))
            return false;
    } else if (changed.isEmpty()) {
        // Nothing to write, unless another copy wrote since: then this state is saved whole,
        // as the last save wins.
        if (persistent_.changeMark() != mark_) {
            forgetStore();
            return false;
        }
    } else {
        switch (persistent_.writeAllUnchangedSince(key_, changed, *mark_)) {
        case SettingsStore::BatchOutcome::Written:
            break;
        case SettingsStore::BatchOutcome::Refused:
            return false;
        case SettingsStore::BatchOutcome::Overtaken:
            forgetStore();
            return false;
        }
        known_ = std::move(after);
    }
    if (snapshot_) {
        for (const SettingValue& value : changed)
            snapshot_->insert(FoldedName{value.name}, value.text);
    }
    return true;
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
    // The mark is taken first: a write that slips in before the read only makes the next save
    // write everything.
    const std::optional<quint64> mark = settings_.persistent_.changeMark();
    std::optional<QList<SettingValue>> values = settings_.persistent_.readAll(settings_.key_);
    if (!values)
        return;
    settings_.known_.clear();
    ++settings_.epoch_;
    settings_.mark_ = mark;
    QHash<FoldedName, QString>& snapshot = settings_.snapshot_.emplace();
    snapshot.reserve(values->size());
    for (SettingValue& value : *values)
        snapshot.insert(FoldedName{std::move(value.name)}, std::move(value.text));
}

Settings::Snapshot::~Snapshot() {
    if (!outermost_)
        return;
    settings_.snapshot_.reset();
#ifdef __GLIBC__
    // The snapshot of a large store is some ten megabytes of small blocks, freed among blocks
    // that stay; the heap keeps such pages for itself unless asked to give them back.
    malloc_trim(0);
#endif
}

bool Settings::Batch::commit() {
    if (!open_)
        return false;
    open_ = false;
    if (!outermost_)
        return true;
    const QList<PendingValue> pending = std::move(*settings_.pending_);
    settings_.pending_.reset();
    return settings_.writeBatch(pending);
}

} // namespace kv
