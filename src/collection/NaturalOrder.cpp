// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/NaturalOrder.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <array>

namespace kv {
namespace {

// The collator's order of printable ASCII in the languages below, letters case folded; every
// digit takes the place of the 0, as runs of digits compare by their value.
constexpr char kAsciiOrder[] = " _-,;:!?.'\"()[]{}@*/\\&#%`^+<=>|~$0abcdefghijklmnopqrstuvwxyz";

// The collator numbers no longer run than this; a longer one is cut into several.
constexpr qsizetype kLongestNumber = 254;

struct AsciiRanks {
    std::array<qint8, 128> rank{};
    constexpr AsciiRanks() {
        for (qint8& r : rank)
            r = -1;
        for (int i = 0; kAsciiOrder[i] != 0; ++i)
            rank[size_t(kAsciiOrder[i])] = qint8(i);
        for (char c = '1'; c <= '9'; ++c)
            rank[size_t(c)] = rank[size_t('0')];
        for (char c = 'A'; c <= 'Z'; ++c)
            rank[size_t(c)] = rank[size_t(c - 'A' + 'a')];
    }
};
constexpr AsciiRanks kRanks;

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Languages whose collation leaves printable ASCII in the root order (checked against the
// collator); others tailor it, as Czech puts "ch" after "h".
bool collatesAsciiPlainly(const QLocale& locale) {
#ifdef Q_OS_LINUX
    switch (locale.language()) {
    case QLocale::English:
    case QLocale::German:
    case QLocale::French:
    case QLocale::Italian:
    case QLocale::Spanish:
    case QLocale::Portuguese:
    case QLocale::Dutch:
    case QLocale::Swedish:
    case QLocale::Polish:
    case QLocale::Russian:
    case QLocale::Ukrainian:
    case QLocale::Japanese:
        return true;
    default:
        return false;
    }
#else
    // Elsewhere the collator is the system's own, with an order of its own.
    Q_UNUSED(locale);
    return false;
#endif
}

bool isPlainAscii(const QString& name) {
    qsizetype run = 0;
    for (const QChar c : name) {
        if (c < u' ' || c > u'~')
            return false;
        run = isDigit(c) ? run + 1 : 0;
        if (run > kLongestNumber)
            return false;
    }
    return true;
}

// The collator's verdict on plain ASCII names, without opening it.
int compareAscii(QStringView a, QStringView b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            // Leading zeros add nothing to a number's value.
            while (i < a.size() && a[i] == u'0')
                ++i;
            while (j < b.size() && b[j] == u'0')
                ++j;
            qsizetype endA = i;
            qsizetype endB = j;
            while (endA < a.size() && isDigit(a[endA]))
                ++endA;
            while (endB < b.size() && isDigit(b[endB]))
                ++endB;
            if (endA - i != endB - j)
                return endA - i < endB - j ? -1 : 1;
            for (; i < endA; ++i, ++j) {
                if (a[i] != b[j])
                    return a[i] < b[j] ? -1 : 1;
            }
            continue;
        }
        const int rankA = kRanks.rank[a[i].unicode()];
        const int rankB = kRanks.rank[b[j].unicode()];
        if (rankA != rankB)
            return rankA < rankB ? -1 : 1;
        ++i;
        ++j;
    }
    return int(i < a.size()) - int(j < b.size());
}

} // namespace

void SortNaturally(QStringList& names) {
    // The C locale's collation compares code points and ignores the numeric mode; file managers
    // still sort naturally there.
    const QLocale locale =
        QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale();
    // Opening the collator maps a good megabyte of collation tables and code: names it would
    // order as the table above does are compared here.
    const bool plain =
        collatesAsciiPlainly(locale) && std::all_of(names.cbegin(), names.cend(), isPlainAscii);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        const int order = plain ? compareAscii(a, b) : collator.compare(a, b);
        // Names that fold to the same text keep a fixed order.
        return order != 0 ? order < 0 : a < b;
    });
}

} // namespace kv
