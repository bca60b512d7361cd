// The cover document on values: its history of changes, what a step holds, and when the
// cover counts as modified.
#include "app/CoverDocument.h"
#include "support/FormTestSupport.h"

#include <QSignalSpy>

namespace {

// Types text into a field one character at a time, as the edits report it.
void Type(TCoverDocument& doc, QString TCoverDesign::*field, TCoverField which,
          const QString& text) {
    for (qsizetype n = 1; n <= text.size(); ++n) {
        TCoverDesign d = doc.Design();
        d.*field = text.left(n);
        doc.Change(d, QStringLiteral("Testo"), which);
    }
}

TEST(CoverDocument, TypingIsOneStepPerFieldUntilAnotherIsTouchedOrTheCoverSaved) {
    TCoverDocument doc;
    Type(doc, &TCoverDesign::frontLine, TCoverField::FrontLine, QStringLiteral("Titolo"));
    Type(doc, &TCoverDesign::leftBand, TCoverField::LeftBand, QStringLiteral("Lato"));
    Type(doc, &TCoverDesign::frontLine, TCoverField::FrontLine, QStringLiteral("Titolo due"));
    EXPECT_EQ(doc.History()->count(), 3);
    doc.MarkSaved(QStringLiteral("/tmp/c.sleevane"));
    Type(doc, &TCoverDesign::frontLine, TCoverField::FrontLine, QStringLiteral("Titolo tre"));
    EXPECT_EQ(doc.History()->count(), 4);

    const QString lines[] = {QStringLiteral("Titolo due"), QStringLiteral("Titolo"),
                             QStringLiteral("Titolo"), QString()};
    const QString bands[] = {QStringLiteral("Lato"), QStringLiteral("Lato"), QString(), QString()};
    for (int i = 0; i < 4; ++i) {
        doc.Undo();
        EXPECT_EQ(doc.Design().frontLine, lines[i]) << i;
        EXPECT_EQ(doc.Design().leftBand, bands[i]) << i;
    }
    for (int i = 0; i < 4; ++i)
        doc.Redo();
    EXPECT_EQ(doc.Design().frontLine, QStringLiteral("Titolo tre"));
}

TEST(CoverDocument, UndoingBackToTheSavedCoverClearsTheMark) {
    TCoverDocument doc;
    QSignalSpy marks(&doc, &TCoverDocument::ModifiedChanged);
    TCoverDesign d = doc.Design();
    d.frontFormat = TFrontFormat::Single;
    doc.Change(d, QStringLiteral("Formato"));
    EXPECT_TRUE(doc.Modified());
    doc.MarkSaved(QStringLiteral("/tmp/c.sleevane"));
    EXPECT_FALSE(doc.Modified());
    d.PlaceLine(QPoint(10, 20));
    doc.Change(d, QStringLiteral("Posizione"));
    EXPECT_TRUE(doc.Modified());
    doc.Undo();
    EXPECT_FALSE(doc.Modified());
    doc.Undo();
    EXPECT_TRUE(doc.Modified()); // before the save
    doc.Redo();
    EXPECT_FALSE(doc.Modified());
    EXPECT_EQ(marks.count(), 6);
    // A change to the same value is none.
    doc.Change(doc.Design(), QStringLiteral("Niente"));
    EXPECT_FALSE(doc.Modified());
    // A design opened starts a history of its own, unmodified.
    doc.Reset(TCoverDesign{}, QStringLiteral("/tmp/d.sleevane"));
    EXPECT_FALSE(doc.Modified());
    EXPECT_FALSE(doc.History()->canUndo());
    EXPECT_EQ(doc.FileName(), QStringLiteral("/tmp/d.sleevane"));
}

// Far more than a hundred steps are kept, each undone to the value before it.
TEST(CoverDocument, KeepsTheWholeSessionsHistory) {
    TCoverDocument doc;
    for (int i = 1; i <= 250; ++i) {
        TCoverDesign d = doc.Design();
        d.frontAngle = (i % 8) * 45;
        d.PlaceLine(QPoint(i % 200 + 1, 5));
        doc.Change(d, QStringLiteral("Passo"));
    }
    EXPECT_EQ(doc.History()->count(), 250);
    for (int i = 249; i >= 0; --i) {
        doc.Undo();
        EXPECT_EQ(doc.Design().frontAngle, (i % 8) * 45) << i;
    }
    EXPECT_EQ(doc.Design(), TCoverDesign{});
    EXPECT_FALSE(doc.Modified());
}

} // namespace
