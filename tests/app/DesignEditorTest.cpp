// Designs in the editor: Ctrl+S, Ctrl+Shift+S and Ctrl+O through their dialogs, the title
// that names the file and marks changes, the question on leaving with changes, pictures
// missing from an opened design, and files dropped on the window.
#include "EditorFixture.h"

#include "app/CoverPictures.h"
#include "app/DesignDocument.h"
#include "app/DesignFile.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>

namespace {

QByteArray ReadAll(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QWidget* W(TControl* c) {
    c->HandleNeeded();
    return c->Widget();
}

// Presses the button with this text on the save question once it shows; its buttons'
// texts go to `seen`.
[[nodiscard]] std::unique_ptr<QTimer> AnswerQuestion(const QString& answer, QStringList* seen) {
    auto timer = std::make_unique<QTimer>();
    QTimer* t = timer.get();
    t->setInterval(10);
    QObject::connect(t, &QTimer::timeout, t, [t, answer, seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        t->stop();
        for (QAbstractButton* b : box->buttons())
            *seen << b->text();
        for (QAbstractButton* b : box->buttons())
            if (b->text() == answer) b->click();
    });
    t->start();
    return timer;
}

class DesignEditorTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        Application->OnException = [this](TObject*, const Exception& e) {
            shown << ErrorBoxText(e.Message());
        };
        dir = TestTempDir();
        Activate();
    }
    void TearDown() override {
        Application->OnException = nullptr;
        EditorTest::TearDown();
    }
    // The shortcuts belong to the main window: it has to be the active one.
    void Activate() {
        // The splash would take the focus from it.
        Intro->SetVisible(false);
        Settle();
        Form1->Widget()->activateWindow();
        ASSERT_TRUE(WaitUntil([this] { return QApplication::activeWindow() == Form1->Widget(); }));
    }
    void Keys(int key, Qt::KeyboardModifiers modifiers) {
        Activate();
        QTest::keyClick(Form1->Widget(), static_cast<Qt::Key>(key), modifiers);
        Settle();
    }
    void Type(TControl* edit, const QString& text) {
        W(edit)->setFocus();
        QTest::keyClicks(W(edit), text);
        Settle();
    }
    QString File(const char* name) const { return QDir(dir).filePath(QLatin1String(name)); }
    QString Picture(const char* name, QColor colour) const {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(colour);
        EXPECT_TRUE(image.save(File(name)));
        return File(name);
    }
    TDesignDocument* Document() const { return editor->Document; }

    QStringList shown;
    QString dir;
};

TEST_F(DesignEditorTest, SaveAndOpenThroughTheirKeysWithTheTitleFollowing) {
    const QString title = QStringLiteral("Sleevane 0.2 Beta");
    Type(Form1->Fronteriga, QStringLiteral("Titolo"));
    EXPECT_EQ(Form1->Caption(), title); // no file yet: the title as it always was

    {
        auto driver = WhenDialogOpens([&](QDialog* d) { ConfirmFile(d, File("copertina")); });
        Keys(Qt::Key_S, Qt::ControlModifier);
    }
    const QString first = File("copertina.sleevane");
    ASSERT_TRUE(QFile::exists(first));
    EXPECT_EQ(Form1->Caption(), title + QStringLiteral(" - copertina.sleevane"));
    EXPECT_EQ(ReadDesignFile(first), Form1->Design());

    Type(Form1->Edit1, QStringLiteral("Lato A"));
    EXPECT_EQ(Form1->Caption(), title + QStringLiteral(" - *copertina.sleevane"));
    EXPECT_TRUE(Document()->Modified());

    // Saved again under its name, without a question.
    bool asked = false;
    {
        auto driver = WhenDialogOpens([&](QDialog* d) {
            asked = true;
            d->reject();
        });
        Keys(Qt::Key_S, Qt::ControlModifier);
        EXPECT_TRUE(WaitUntil([&] { return !Document()->Modified(); }, 10000));
    }
    EXPECT_FALSE(asked);
    EXPECT_EQ(Form1->Caption(), title + QStringLiteral(" - copertina.sleevane"));
    EXPECT_EQ(ReadDesignFile(first).leftBand, QStringLiteral("Lato A"));

    {
        auto driver = WhenDialogOpens([&](QDialog* d) { ConfirmFile(d, File("altra.sleevane")); });
        Keys(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    }
    EXPECT_EQ(Form1->Caption(), title + QStringLiteral(" - altra.sleevane"));
    const TCoverDesign saved = Form1->Design();
    const QString second = File("altra.sleevane");

    // A fresh editor opens it with Ctrl+O.
    TearDown();
    SetUp();
    ASSERT_NE(Form1->Design(), saved);
    {
        auto driver = WhenDialogOpens([&](QDialog* d) { ConfirmFile(d, second); });
        Keys(Qt::Key_O, Qt::ControlModifier);
    }
    EXPECT_EQ(Form1->Design(), saved);
    EXPECT_EQ(Form1->Caption(), title + QStringLiteral(" - altra.sleevane"));
    EXPECT_FALSE(Document()->Modified());
    EXPECT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
}

// "Uscita" leaves at once without changes; with changes it asks, and only "No" or a
// finished save let the window go.
TEST_F(DesignEditorTest, LeavingWithChangesAsksWhetherToSave) {
    // Closing hides the window instead of ending the tests' program.
    Application->SetMainForm(nullptr);
    auto uscita = [&] { QTest::mouseClick(W(Form1->BitBtn3), Qt::LeftButton); };
    uscita();
    EXPECT_FALSE(Form1->Visible());

    Form1->Show();
    Activate();
    Type(Form1->Edit2, QStringLiteral("Lato B"));
    struct Row {
        const char* answer;
        bool leaves;
    };
    for (const Row row : {Row{"Annulla", false}, Row{"No", true}, Row{"S\u00ec", true}}) {
        SCOPED_TRACE(row.answer);
        QStringList buttons;
        auto driver = AnswerQuestion(QString::fromUtf8(row.answer), &buttons);
        auto save = WhenDialogOpens([&](QDialog* d) { ConfirmFile(d, File("uscita.sleevane")); });
        uscita();
        buttons.sort();
        EXPECT_EQ(buttons, QStringList({QStringLiteral("Annulla"), QStringLiteral("No"),
                                        QStringLiteral("S\u00ec")}));
        EXPECT_EQ(Form1->Visible(), !row.leaves);
        if (!Form1->Visible()) {
            Form1->Show();
            Activate();
        }
    }
    // Only "Sì" wrote the design, and with it saved the window leaves at once.
    ASSERT_TRUE(QFile::exists(File("uscita.sleevane")));
    EXPECT_EQ(ReadDesignFile(File("uscita.sleevane")).rightBand, QStringLiteral("Lato B"));
    uscita();
    EXPECT_FALSE(Form1->Visible());
}

// A picture moved away keeps its name: the areas say which file is missing, the message
// names it with its cover, and saving writes the name back unchanged.
TEST_F(DesignEditorTest, AMissingPictureKeepsItsNameThroughASave) {
    TCoverDesign design;
    design.frontFormat = TFrontFormat::Single;
    design.rearFormat = TRearFormat::WithBands;
    design.frontPicture = Picture("fronte.jpg", Qt::red);
    design.rearPicture = File("sparita.bmp");
    design.leftBand = QStringLiteral("sinistra");
    WriteDesignFile(File("c.sleevane"), design);
    Document()->Open(File("c.sleevane"));
    EXPECT_EQ(
        shown,
        QStringList{QStringLiteral("rear picture: Cannot open file %1.").arg(File("sparita.bmp"))});
    EXPECT_EQ(Form1->front->Picture()->Width(), 40);
    EXPECT_EQ(Form1->Imagefronte->Picture()->Width(), 40);
    EXPECT_EQ(Form1->rear->Picture()->Graphic(), nullptr);
    EXPECT_EQ(Form1->Imagerear->Picture()->Graphic(), nullptr);
    EXPECT_TRUE(Form1->Panel2->Caption().contains(File("sparita.bmp")));
    EXPECT_TRUE(Form1->Panelrear->Caption().contains(File("sparita.bmp")));
    EXPECT_EQ(Form1->Design(), design);
    EXPECT_FALSE(Document()->Modified());
    EXPECT_EQ(Form1->ComboBox2->Text(),
              QStringLiteral("Copertina Posteriore con bande [151x118mm]"));
    EXPECT_EQ(Form1->Panel2->BoundsRect().size(), QSize(334, 260));
    const QByteArray before = ReadAll(File("c.sleevane"));
    ASSERT_TRUE(Document()->Save());
    EXPECT_EQ(ReadAll(File("c.sleevane")), before);
}

// ---- Drops -----------------------------------------------------------------------------

// Drags a file over a control and drops it there, as the window system hands a drop to
// the widget under the pointer; whether the drag was accepted.
bool DropOn(TControl* control, const QString& file) {
    QWidget* w = W(control);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(file)});
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(w, &enter);
    QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(w, &move);
    if (!move.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(w, &drop);
    // The drop is handled as it is sent; only what it posted is left to run.
    Settle();
    return drop.isAccepted();
}

TEST_F(DesignEditorTest, DroppedPicturesGoToTheirCoverAndDesignsOpenAnywhere) {
    Form1->ComboBox1->SetItemIndex(1);
    Form1->ComboBox1Change(Form1->ComboBox1);
    Form1->ComboBox2->SetItemIndex(2);
    Form1->ComboBox2Change(Form1->ComboBox2);
    const QString jpeg = Picture("rosso.jpg", Qt::red);
    // Every photo kind the dialogs offer is taken; PNG stands for those Qt reads.
    const QString png = Picture("blu.png", Qt::blue);

    Form1->PageControl1->SetActivePage(Form1->TabSheet1);
    Settle();
    EXPECT_TRUE(DropOn(Form1->front, jpeg));
    ASSERT_TRUE(WaitUntil([&] { return !Form1->Document()->Pictures()->Reading(); }));
    EXPECT_EQ(Form1->frontDialog->FileName(), jpeg);
    EXPECT_EQ(Form1->front->Picture()->Width(), 40);
    EXPECT_EQ(Form1->Imagefronte->Picture()->Width(), 40);
    EXPECT_EQ(Form1->rear->Picture()->Graphic(), nullptr);

    // The rear miniature is a picture area of the rear cover too.
    Form1->PageControl1->SetActivePage(Form1->TabSheet4);
    Settle();
    EXPECT_TRUE(DropOn(Form1->Imagerear, png));
    ASSERT_TRUE(WaitUntil([&] { return !Form1->Document()->Pictures()->Reading(); }));
    EXPECT_EQ(Form1->rearDialog->FileName(), png);
    EXPECT_EQ(Form1->rear->Picture()->Width(), 40);

    // A picture away from the picture areas, and a file of another kind, are not taken;
    // an edit does not take their names as text either.
    EXPECT_FALSE(DropOn(Form1->BitBtn1, jpeg));
    EXPECT_FALSE(DropOn(Form1->Memo2, jpeg));
    EXPECT_FALSE(DropOn(Form1->Imagerear, File("note.txt")));
    EXPECT_TRUE(Form1->Memo2->Text().isEmpty());
    EXPECT_EQ(Form1->rearDialog->FileName(), png);

    // A design opens wherever it is dropped; the cover had changes, so it asks first.
    TCoverDesign design;
    design.leftBand = QStringLiteral("dal file");
    WriteDesignFile(File("lasciato.sleevane"), design);
    QStringList buttons;
    auto driver = AnswerQuestion(QStringLiteral("No"), &buttons);
    EXPECT_TRUE(DropOn(Form1->Memo2, File("lasciato.sleevane")));
    ASSERT_TRUE(WaitUntil([&] { return Form1->Edit1->Text() == QLatin1String("dal file"); }));
    EXPECT_EQ(buttons.size(), 3);
    EXPECT_EQ(Form1->Design(), design);
    EXPECT_EQ(Document()->FileName(), File("lasciato.sleevane"));
    EXPECT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
}

} // namespace
