#include "framework/core/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>
#include <mutex>

namespace {

struct TCatalogues {
    QString language;
    std::unique_ptr<QTranslator> own; // the program's texts
    std::unique_ptr<QTranslator> qt;  // Qt's dialogs and buttons
    bool installed = false;
};

std::recursive_mutex& CataloguesLock() {
    static std::recursive_mutex lock;
    return lock;
}

TCatalogues& Catalogues() {
    static TCatalogues catalogues;
    return catalogues;
}

bool chosen = false;

void Uninstall(TCatalogues& c) {
    if (c.installed && QCoreApplication::instance()) {
        if (c.own) QCoreApplication::removeTranslator(c.own.get());
        if (c.qt) QCoreApplication::removeTranslator(c.qt.get());
    }
    c.installed = false;
}

// Into the application once it exists: tr() and Qt's own texts read from there.
void InstallInApplication(TCatalogues& c) {
    if (c.installed || !QCoreApplication::instance()) return;
    if (c.qt) QCoreApplication::installTranslator(c.qt.get());
    if (c.own) QCoreApplication::installTranslator(c.own.get());
    c.installed = true;
}

void Choose(const QLocale& locale) {
    TCatalogues& c = Catalogues();
    Uninstall(c);
    c.own.reset();
    c.qt.reset();
    c.language = LanguageFor(locale);
    chosen = true;
    if (c.language.isEmpty()) return;
    auto own = std::make_unique<QTranslator>();
    if (own->load(QStringLiteral(":/i18n/sleevane_") + c.language)) c.own = std::move(own);
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(QStringLiteral("qtbase_") + c.language,
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        c.qt = std::move(qt);
}

} // namespace

QString LanguageFor(const QLocale& locale) {
    for (const QString& name : locale.uiLanguages()) {
        const QString language =
            name.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0);
        if (language == QLatin1String("it") || language == QLatin1String("en")) return language;
        if (language == QLatin1String("C")) break;
    }
    return {};
}

void InstallTranslations(const QLocale& locale) {
    std::lock_guard guard(CataloguesLock());
    Choose(locale);
    // Numbers the program formats follow the same locale as its texts.
    QLocale::setDefault(locale);
    InstallInApplication(Catalogues());
}

QString ProgramLanguage() {
    std::lock_guard guard(CataloguesLock());
    if (!chosen) Choose(QLocale::system());
    return Catalogues().language;
}

QString Translate(const char* context, const QString& text) {
    if (text.isEmpty()) return text;
    std::lock_guard guard(CataloguesLock());
    if (!chosen) Choose(QLocale::system());
    const TCatalogues& c = Catalogues();
    if (!c.own) return text;
    const QByteArray source = text.toUtf8();
    const QString translated = c.own->translate(context, source.constData());
    return translated.isEmpty() ? text : translated;
}

QString Translate(const QString& context, const QString& text) {
    const QByteArray name = context.toUtf8();
    return Translate(name.constData(), text);
}
