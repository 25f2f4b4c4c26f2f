#pragma once

#include "settings/SettingsStore.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace kv {

// The program's settings key and its typed reads and writes. A missing, empty, non-text or
// unreadable value reads as the caller's default, in the default's own type. The heartbeat
// values, rewritten every second, live in a volatile store when one is given, so a resident
// program does not write to the disk every second.
class Settings {
public:
    explicit Settings(SettingsStore& persistent, SettingsStore* volatileStore = nullptr);

    // An empty vendor name stands for the product name: Software\<vendor>\<product>.
    void SetSettingsRoot(const QString& productName, const QString& vendorName);
    QString settingsKey() const { return key_; }

    QString ReadSetting(const QString& name, const QString& defaultValue) const;
    QString ReadSetting(const QString& name, const char* defaultValue) const;
    qint32 ReadSetting(const QString& name, qint32 defaultValue) const;
    double ReadSetting(const QString& name, double defaultValue) const;

    void WriteSetting(const QString& name, const QString& text);
    void WriteSetting(const QString& name, const char* text);
    void WriteSetting(const QString& name, qint32 value);
    // Written as a single-precision real: at most 7 significant digits, decimal point.
    void WriteSetting(const QString& name, double value);

    // Writes made while a batch is open reach the store together, or not at all, at commit. A
    // batch opened while another is open (a save reached again from a dialog the first one
    // raised) joins it: its writes land with the outer commit.
    class Batch {
    public:
        explicit Batch(Settings& settings);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        bool commit();

    private:
        Settings& settings_;
        bool outermost_;
        bool open_ = true;
    };

    // While a snapshot is open, reads of stored values come from one read of the whole key made
    // when it opened, instead of one store read per value (the start-up load reads thousands).
    // Writes made meanwhile are seen by later reads; the heartbeat values are always read from
    // their store, as another copy may write them at any time.
    class Snapshot {
    public:
        explicit Snapshot(Settings& settings);
        ~Snapshot();
        Snapshot(const Snapshot&) = delete;
        Snapshot& operator=(const Snapshot&) = delete;

    private:
        Settings& settings_;
        bool outermost_;
    };

private:
    SettingsStore& storeFor(const QString& name) const;
    QString readRaw(const QString& name) const;
    void writeRaw(const QString& name, const QString& text);

    SettingsStore& persistent_;
    SettingsStore* volatile_;
    QString key_;
    std::optional<QList<SettingValue>> pending_;
    // Stored values by name folded to lower case, while a snapshot is open.
    std::optional<QHash<QString, QString>> snapshot_;
};

// Text conversions shared by every reader of stored values.
std::optional<qint32> parseWholeNumber(const QString& text);
std::optional<double> parseRealNumber(const QString& text);
QString singlePrecisionText(double value);

} // namespace kv
