// Every window shows one language: under an Italian locale no English text of the
// catalogues is left, under an English one no Italian, and under the C locale the texts
// are exactly as written. The catalogues themselves are the reference.
#include "app/Editor.h"
#include "app/Startup.h"
#include "app/Unit1.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "framework/core/Resources.h"
#include "framework/core/Translations.h"
#include "report/PreviewSupport.h"
#include "report/RpPrev.h"
#include "support/FormTestSupport.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTabBar>
#include <QTest>
#include <QXmlStreamReader>
#include <set>

namespace {

struct TEntry {
    QString source, it, en;
};

// An element's text, with the characters the catalogue keeps as <byte value="xd"/>.
QString ElementText(QXmlStreamReader& xml) {
    QString text;
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        xml.readNext();
        if (xml.isCharacters()) text += xml.text();
        if (xml.isStartElement()) {
            ++depth;
            if (xml.name() == QLatin1String("byte"))
                text += QChar(
                    xml.attributes().value(QLatin1String("value")).mid(1).toUInt(nullptr, 16));
        }
        if (xml.isEndElement()) --depth;
    }
    return text;
}

// The messages of both catalogues, by context and source text.
std::vector<TEntry> ReadCatalogues() {
    std::map<std::pair<QString, QString>, TEntry> entries;
    for (const char* language : {"it", "en"}) {
        QFile f(TestData(
            QStringLiteral("../../translations/sleevane_%1.ts").arg(QLatin1String(language))));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << f.fileName().toStdString();
        QXmlStreamReader xml(&f);
        QString context, source;
        while (!xml.atEnd()) {
            if (!xml.readNextStartElement()) continue;
            if (xml.name() == QLatin1String("name")) context = xml.readElementText();
            if (xml.name() == QLatin1String("source")) source = ElementText(xml);
            if (xml.name() == QLatin1String("translation")) {
                TEntry& e = entries[{context, source}];
                e.source = source;
                (language == std::string("it") ? e.it : e.en) = ElementText(xml);
            }
        }
    }
    std::vector<TEntry> all;
    for (auto& [key, e] : entries)
        all.push_back(e);
    EXPECT_GT(all.size(), 100u);
    return all;
}

// Every text a user can read in the window: the captions, hints and items of its
// components (painted labels have no widget of their own), and the titles, texts and tool
// tips of its widgets when it has them.
QStringList ShownTexts(TControl* form) {
    QStringList texts;
    std::vector<QObject*> parts{form};
    for (int i = 0; i < form->ComponentCount(); ++i)
        parts.push_back(form->Components(i));
    for (QObject* part : parts) {
        for (const char* name : {"Caption", "Hint", "Text", "TextHint", "Title", "Filter"})
            texts << part->property(name).toString();
        for (const char* name : {"Items", "Lines"})
            if (auto* list = qobject_cast<TStrings*>(part->property(name).value<QObject*>()))
                for (int i = 0; i < list->Count(); ++i)
                    texts << list->Strings(i);
    }
    if (QWidget* window = form->HandleAllocated() ? form->Widget() : nullptr) {
        QList<QWidget*> widgets = window->findChildren<QWidget*>();
        widgets.prepend(window);
        for (QWidget* w : widgets) {
            texts << w->windowTitle() << w->toolTip();
            if (auto* b = qobject_cast<QAbstractButton*>(w)) texts << b->text();
            if (auto* l = qobject_cast<QLabel*>(w)) texts << l->text();
            if (auto* g = qobject_cast<QGroupBox*>(w)) texts << g->title();
            if (auto* e = qobject_cast<QLineEdit*>(w)) texts << e->text() << e->placeholderText();
            if (auto* c = qobject_cast<QComboBox*>(w)) {
                texts << c->placeholderText();
                for (int i = 0; i < c->count(); ++i)
                    texts << c->itemText(i);
            }
            if (auto* t = qobject_cast<QTabBar*>(w))
                for (int i = 0; i < t->count(); ++i)
                    texts << t->tabText(i) << t->tabToolTip(i);
        }
    }
    texts.removeAll(QString());
    return texts;
}

struct TLanguageCase {
    const char* locale;
    const char* language; // the catalogue chosen, empty for the texts as written
    const char* yes;      // Qt's own button, from Qt's catalogue
};

class LanguageTest : public ::testing::TestWithParam<TLanguageCase> {
protected:
    void SetUp() override {
        InstallTranslations(QLocale(QLatin1String(GetParam().locale)));
        const QString language = QLatin1String(GetParam().language);
        for (const TEntry& e : ReadCatalogues()) {
            const QString shown = language == QLatin1String("it")   ? e.it
                                  : language == QLatin1String("en") ? e.en
                                                                    : e.source;
            expected.insert(shown);
            for (const QString& other : {e.source, e.it, e.en})
                if (other != shown) foreign.insert(other);
        }
        // A text that is right somewhere in this language (a source kept as its own
        // translation) is never foreign.
        for (const QString& s : expected)
            foreign.erase(s);
    }
    void TearDown() override { InstallTranslations(QLocale::c()); }

    // No foreign text, and the window does show catalogue texts of its language.
    void CheckWindow(TControl* window, int atLeast) {
        int known = 0;
        for (const QString& text : ShownTexts(window)) {
            EXPECT_FALSE(foreign.count(text))
                << window->Name().toStdString() << " shows \"" << text.toStdString() << "\" under "
                << GetParam().locale;
            known += expected.count(text) ? 1 : 0;
        }
        EXPECT_GE(known, atLeast) << window->Name().toStdString() << ": "
                                  << ShownTexts(window).join(QLatin1Char('|')).toStdString();
    }

    std::set<QString> expected, foreign;
};

TEST_P(LanguageTest, EditorWindowsShowOneLanguage) {
    EXPECT_EQ(ProgramLanguage(), QLatin1String(GetParam().language));
    std::unique_ptr<TEditor> editor(MakeEditor(nullptr));
    editor->Form1->Show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor->Intro && editor->preview && editor->Info; }));
    Settle();
    CheckWindow(editor->Form1, 25);
    CheckWindow(editor->Info, 3);
    editor.reset();
    Settle();
}

TEST_P(LanguageTest, PreviewWindowShowsOneLanguage) {
    TRpPrinter printer;
    KeepPages(printer, 1200);
    QPointer<TRpStandardPreview> window = new TRpStandardPreview(Application, &printer);
    window->Present();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window->Widget()));
    Settle();
    CheckWindow(window, 12);
    // The page counter: its words from the catalogue, its numbers in the locale's digits.
    const QLocale locale(QLatin1String(GetParam().locale));
    const QString counter = window->StatusBar->Panels()->Items(1)->Text();
    EXPECT_TRUE(counter.endsWith(locale.toString(1200))) << counter.toStdString();
    EXPECT_TRUE(counter.startsWith(LoadStr(RpRes::SPage))) << counter.toStdString();
    EXPECT_FALSE(foreign.count(counter.section(QLatin1Char(' '), 0, 0)));
    delete window.data();
    Settle();
}

TEST_P(LanguageTest, QtsOwnButtonsSpeakTheSameLanguage) {
    QMessageBox box(QMessageBox::Question, QString(), QString(),
                    QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QString::fromUtf8(GetParam().yes));
}

INSTANTIATE_TEST_SUITE_P(Locales, LanguageTest,
                         ::testing::Values(TLanguageCase{"it_IT", "it", "&Sì"},
                                           TLanguageCase{"en_US", "en", "&Yes"},
                                           TLanguageCase{"C", "", "&Yes"}),
                         [](const auto& info) {
                             return std::string(info.param.locale).substr(0, 2);
                         });

} // namespace
