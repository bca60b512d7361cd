#pragma once
// The program's language: Italian or English as the user's locale asks (LANGUAGE, LC_ALL,
// LC_MESSAGES, LANG, as QLocale::system() reads them), else the texts as they are written:
// Italian in the editor, English in the engine. One catalogue per language, compiled into
// the program (":/i18n/sleevane_<language>.qm"), holds the texts of the code, of every
// layout and of the string table; Qt's own dialogs use Qt's catalogue of the same language.

#include <QLocale>
#include <QString>

// "it", "en", or empty for the texts as written; the first of the locale's languages
// that has a catalogue decides.
QString LanguageFor(const QLocale& locale);

// Chooses the catalogues for the locale (the system's when none is given) and, when the
// application object exists, installs them so that tr() and Qt's dialogs use them. Called
// again, it replaces the earlier choice.
void InstallTranslations(const QLocale& locale = QLocale::system());

// The chosen language ("it", "en" or empty).
QString ProgramLanguage();

// The text in the chosen language; the text itself when the catalogue has none. Works
// before the application object exists (the command line's messages), choosing the
// catalogues for the system's locale on first use.
QString Translate(const char* context, const QString& text);
QString Translate(const QString& context, const QString& text);
