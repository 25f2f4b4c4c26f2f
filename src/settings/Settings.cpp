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
           name.compare(QLatin1String("LifeSaved"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("LifeChanged"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("LifeEnding"), Qt::CaseInsensitive) == 0;
}

// Rows past this are hashed like other values: a hand-edited huge number cannot make a list
// of that many rows.
constexpr qint32 kMaxListRow = 65536;

char16_t foldedAscii(char16_t c) {
    return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c;
}

bool isDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// The row number a list value's name ends in, with the prefix before it; 0 for any other name.
qint32 rowOfName(QStringView name, QStringView* prefix) {
    qsizetype digits = name.size();
    while (digits > 0 && isDigit(name.at(digits - 1)))
        --digits;
    const qsizetype count = name.size() - digits;
    if (digits == 0 || count == 0 || count > 5 || name.at(digits).unicode() == u'0')
        return 0;
    qint32 row = 0;
    for (const QChar digit : name.sliced(digits))
        row = row * 10 + (digit.unicode() - u'0');
    if (row > kMaxListRow)
        return 0;
    *prefix = name.first(digits);
    return row;
}

} // namespace

bool sameValueName(QStringView a, QStringView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (foldedAscii(a[i].unicode()) != foldedAscii(b[i].unicode()))
            return false;
    }
    return true;
}

size_t foldedNameHash(const QString& name, size_t seed) {
    // FNV-1a over the folded characters.
    quint64 hash = 0xcbf29ce484222325ULL ^ seed;
    for (const QChar c : name)
        hash = (hash ^ foldedAscii(c.unicode())) * 0x100000001b3ULL;
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

qsizetype Settings::SnapshotValues::listOf(QStringView prefix) const {
    // The program spells its prefixes one way; the store may hold another case.
    for (qsizetype i = 0; i < lists_.size(); ++i) {
        if (lists_.at(i).prefix == prefix)
            return i;
    }
    for (qsizetype i = 0; i < lists_.size(); ++i) {
        if (sameValueName(prefix, lists_.at(i).prefix))
            return i;
    }
    return -1;
}

QString Settings::SnapshotValues::row(QStringView prefix, qint32 row) const {
    const qsizetype list = listOf(prefix);
    if (list < 0 || row > lists_.at(list).texts.size())
        return {};
    return lists_.at(list).texts.at(row - 1);
}

QString Settings::SnapshotValues::value(const QString& name) const {
    QStringView prefix;
    if (const qint32 n = rowOfName(name, &prefix))
        return row(prefix, n);
    return named_.value(FoldedName{name});
}

void Settings::SnapshotValues::insert(const QString& name, const QString& text) {
    QStringView prefix;
    const qint32 n = rowOfName(name, &prefix);
    if (n == 0) {
        named_.insert(FoldedName{name}, text);
        return;
    }
    qsizetype list = listOf(prefix);
    if (list < 0) {
        list = lists_.size();
        lists_.append(Rows{prefix.toString(), {}});
    }
    QList<QString>& texts = lists_[list].texts;
    // The store hands rows over in the order of their names (1, 10, 100, ...), not of their
    // numbers: growing by doubling keeps that linear. Rows not stored read as empty, as absent
    // values do.
    if (texts.size() < n)
        texts.resize(qMax<qsizetype>(n, texts.size() * 2));
    texts[n - 1] = text;
}

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

bool Settings::lastFailureKeptOldValues() const {
    return persistent_.lastFailureKeptOldValues();
}

QString Settings::readRaw(const QString& name, bool remember) const {
    // The heartbeat values are another copy's channel: never pending, cached or remembered.
    if (isVolatileName(name))
        return storeFor(name).readText(key_, name);
    if (pending_) {
        for (auto it = pending_->crbegin(); it != pending_->crend(); ++it) {
            if (sameValueName(it->name, name))
                return it->text;
        }
    }
    if (!snapshot_)
        return persistent_.readText(key_, name);
    QString text = snapshot_->value(name);
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
        snapshot_->insert(name, text);
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

QString Settings::ReadListValue(const QString& prefix, qint32 row) const {
    // From a snapshot the row is taken without spelling out its name, unless a pending write
    // may hold it or the name would not read back as this prefix and row.
    const bool plainRow =
        row >= 1 && row <= kMaxListRow && !prefix.isEmpty() && !isDigit(prefix.back());
    if (snapshot_ && plainRow && !(pending_ && !pending_->isEmpty()))
        return snapshot_->row(prefix, row);
    return readRaw(prefix + QString::number(row), false);
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

void Settings::checkStore() {
    if (!persistent_.checkWhole())
        forgetStore();
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
        if (!changed.isEmpty() && !persistent_.writeAll(key_, changed)) {
            // A file that could not tell its mark may have been set aside as damaged by the
            // write: this state is then saved whole to the one in its place.
            if (persistent_.changeMark() != mark_)
                forgetStore();
            return false;
        }
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
            snapshot_->insert(value.name, value.text);
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
    SnapshotValues values;
    const auto take = [&values](const QString& name, const QString& text) {
        values.insert(name, text);
    };
    if (!settings_.persistent_.readAll(settings_.key_, take))
        return;
    settings_.known_.clear();
    ++settings_.epoch_;
    settings_.mark_ = mark;
    settings_.snapshot_.emplace(std::move(values));
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

Settings::HeartbeatUpdate::HeartbeatUpdate(Settings& settings)
    : store_(settings.volatile_ ? *settings.volatile_ : settings.persistent_),
      begun_(store_.beginUpdate()) {}

Settings::HeartbeatUpdate::~HeartbeatUpdate() {
    if (begun_)
        store_.endUpdate();
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
