// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace kv {
namespace {

bool install(const QLocale& locale, const QString& name, const QString& folder) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(locale, name, QStringLiteral("_"), folder) &&
        QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

} // namespace

QString InstallTranslations(const QLocale& locale) {
    // Compiled into the program; the locale's list of languages includes LANGUAGE's choices.
    auto* own = new QTranslator(QCoreApplication::instance());
    if (!own->load(locale, QStringLiteral("kestrovaline"), QStringLiteral("_"),
                   QStringLiteral(":/i18n")) ||
        !QCoreApplication::installTranslator(own)) {
        delete own;
        return {};
    }
    const QLocale language(own->language());
    install(language, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return QLocale::languageToCode(language.language());
}

} // namespace kv
