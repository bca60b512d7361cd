// The common dialogs run for real and are filled in through their own widgets while they
// are open: file dialogs with the system's filters, the font dialog's Apply, OK and
// Cancel, the colour dialog.
#include "support/FormTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace {

class TDialogForm : public TForm {
    Q_OBJECT
public:
    using TForm::TForm;
    QStringList log;

    Q_INVOKABLE void FontDialogfrontApply(TObject* Sender, QWidget* Wnd) {
        auto* d = qobject_cast<TFontDialog*>(Sender);
        const TFont* f = d->Font();
        log << QStringLiteral("apply %1 %2 %3 %4 %5 open=%6")
                   .arg(f->Name())
                   .arg(f->Size())
                   .arg(f->HasStyle(fsBold) ? QStringLiteral("bold") : QStringLiteral("regular"))
                   .arg(f->Color(), 6, 16, QLatin1Char('0'))
                   .arg(f->HasStyle(fsUnderline) ? QStringLiteral("underline")
                                                 : QStringLiteral("plain"))
                   .arg(Wnd && Wnd->isVisible() && Wnd == TCommonDialog::ActiveDialog());
    }
};

const char* kLayout = R"(
object Form1: TDialogForm
  ClientWidth = 200
  ClientHeight = 100
  object frontDialog: TOpenDialog
    Filter = 'JPG|*.jpg|BMP|*.bmp'
  end
  object saveDialog: TSaveDialog
    DefaultExt = 'RPP'
    Filter = 'Report file(*.RPP)|*.RPP'
    Title = 'Save report'
  end
  object FontDialogfront: TFontDialog
    Font.Charset = 0
    Font.Color = clWindowText
    Font.Height = -11
    Font.Name = 'MS Sans Serif'
    Font.Style = []
    MinFontSize = 0
    MaxFontSize = 0
    Options = [fdEffects, fdApplyButton]
    OnApply = FontDialogfrontApply
  end
  object ColorDialogfront: TColorDialog
  end
end
)";

QAbstractButton* DialogButton(QDialog* d, QDialogButtonBox::StandardButton which) {
    for (auto* box : d->findChildren<QDialogButtonBox*>())
        if (QAbstractButton* b = box->button(which)) return b;
    ADD_FAILURE() << "no such button";
    return nullptr;
}

// The names the file dialog lists once they are `expected`, or at the deadline: the folder
// is read and the filter applied on their own time, and an early listing is unfiltered.
QStringList Listed(QFileDialog* d, const QStringList& expected) {
    auto* view = Child<QListView>(d, "listView");
    QStringList names;
    WaitUntil([&] {
        names.clear();
        const QModelIndex root = view->rootIndex();
        for (int r = 0; r < view->model()->rowCount(root); ++r)
            names << view->model()->index(r, 0, root).data().toString();
        names.sort(Qt::CaseInsensitive);
        return names == expected;
    }, 10000);
    return names;
}

void TypeFileName(QFileDialog* d, const QString& name) {
    auto* edit = Child<QLineEdit>(d, "fileNameEdit");
    edit->selectAll();
    QTest::keyClicks(edit, name);
}

class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override { form = MakeForm<TDialogForm>(kLayout); }
    std::unique_ptr<TDialogForm> form;
};

TEST(FileFilterTest, SystemFiltersBecomeCaseFreeQtFilters) {
    EXPECT_EQ(QtNameFilters(QStringLiteral("JPG|*.jpg|BMP|*.bmp")),
              QStringList({"JPG (*.[jJ][pP][gG])", "BMP (*.[bB][mM][pP])"}));
    EXPECT_EQ(FilterPatterns(QStringLiteral("JPG|*.jpg|BMP|*.bmp"), 2), QStringList({"*.bmp"}));
    EXPECT_EQ(QtNameFilters(QStringLiteral("Pictures|*.jpg;*.jpeg|All files|*.*")),
              QStringList({"Pictures (*.[jJ][pP][gG] *.[jJ][pP][eE][gG])", "All files (*)"}));
    EXPECT_EQ(QtNameFilters(QStringLiteral("Report file(*.RPP)|*.RPP")),
              QStringList({"Report file(*.RPP) (*.[rR][pP][pP])"}));
    // Entries without patterns are left out; so is a name without its pattern.
    EXPECT_EQ(QtNameFilters(QStringLiteral("Empty||JPG|*.jpg|Dangling")),
              QStringList({"JPG (*.[jJ][pP][gG])"}));
    EXPECT_TRUE(QtNameFilters(QString()).isEmpty());
    EXPECT_TRUE(FilterPatterns(QStringLiteral("JPG|*.jpg"), 0).isEmpty());
    EXPECT_TRUE(FilterPatterns(QStringLiteral("JPG|*.jpg"), 2).isEmpty());
}

TEST_F(DialogsTest, OpenDialogFiltersKeepsItsFileNameAndStartsThere) {
    const QString dir = TestTempDir();
    for (const char* name : {"a.jpg", "B.JPG", "c.bmp", "d.txt"}) {
        QFile f(dir + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    auto* open = Find<TOpenDialog>(form.get(), "frontDialog");
    EXPECT_TRUE(open->FileName().isEmpty());
    // A folder written with the system's separators.
    open->SetInitialDir(QString(dir).replace(QLatin1Char('/'), QLatin1Char('\\')));

    QStringList seen, filters;
    auto driver = WhenDialogOpens([&](QDialog* d) {
        auto* fd = qobject_cast<QFileDialog*>(d);
        ASSERT_TRUE(fd);
        EXPECT_EQ(fd->windowTitle(), QStringLiteral("Open"));
        EXPECT_EQ(QDir(fd->directory()).canonicalPath(), QDir(dir).canonicalPath());
        auto* types = Child<QComboBox>(fd, "fileTypeCombo");
        for (int i = 0; i < types->count(); ++i)
            filters << types->itemText(i);
        seen = Listed(fd, {"a.jpg", "B.JPG"});
        TypeFileName(fd, QStringLiteral("a.jpg"));
        QTest::mouseClick(DialogButton(fd, QDialogButtonBox::Open), Qt::LeftButton);
    });
    ASSERT_TRUE(open->Execute());
    EXPECT_EQ(filters, QStringList({"JPG", "BMP"}));
    EXPECT_EQ(seen, QStringList({"a.jpg", "B.JPG"}));
    EXPECT_EQ(QFileInfo(open->FileName()).canonicalFilePath(),
              QFileInfo(dir + "/a.jpg").canonicalFilePath());
    EXPECT_EQ(open->FilterIndex(), 1);

    // Reopened, it offers the last name in its folder; the second filter lists bitmaps.
    QString offered;
    driver = WhenDialogOpens([&](QDialog* d) {
        auto* fd = qobject_cast<QFileDialog*>(d);
        offered = Child<QLineEdit>(fd, "fileNameEdit")->text();
        auto* types = Child<QComboBox>(fd, "fileTypeCombo");
        QTest::keyClick(types, Qt::Key_Down);
        seen = Listed(fd, {"c.bmp"});
        TypeFileName(fd, QStringLiteral("c.bmp"));
        QTest::mouseClick(DialogButton(fd, QDialogButtonBox::Open), Qt::LeftButton);
    });
    ASSERT_TRUE(open->Execute());
    EXPECT_EQ(offered, QStringLiteral("a.jpg"));
    EXPECT_EQ(seen, QStringList({"c.bmp"}));
    EXPECT_EQ(QFileInfo(open->FileName()).fileName(), QStringLiteral("c.bmp"));
    EXPECT_EQ(open->FilterIndex(), 2);

    // Cancelling keeps the name.
    driver = WhenDialogOpens([&](QDialog* d) {
        QTest::mouseClick(DialogButton(d, QDialogButtonBox::Cancel), Qt::LeftButton);
    });
    EXPECT_FALSE(open->Execute());
    EXPECT_EQ(QFileInfo(open->FileName()).fileName(), QStringLiteral("c.bmp"));
    EXPECT_EQ(TCommonDialog::ActiveDialog(), nullptr);
}

TEST_F(DialogsTest, SaveDialogAddsItsExtensionAndOnlyAsksAboutOverwritingWhenTold) {
    const QString dir = TestTempDir();
    QFile existing(dir + QStringLiteral("/old.RPP"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    auto* save = Find<TSaveDialog>(form.get(), "saveDialog");
    save->SetInitialDir(dir);
    QString title;
    auto driver = WhenDialogOpens([&](QDialog* d) {
        auto* fd = qobject_cast<QFileDialog*>(d);
        title = fd->windowTitle();
        TypeFileName(fd, QStringLiteral("report"));
        QTest::mouseClick(DialogButton(fd, QDialogButtonBox::Save), Qt::LeftButton);
    });
    ASSERT_TRUE(save->Execute());
    EXPECT_EQ(title, QStringLiteral("Save report"));
    EXPECT_EQ(QFileInfo(save->FileName()).fileName(), QStringLiteral("report.RPP"));

    driver = WhenDialogOpens([&](QDialog* d) {
        auto* fd = qobject_cast<QFileDialog*>(d);
        TypeFileName(fd, QStringLiteral("old.RPP"));
        QTest::mouseClick(DialogButton(fd, QDialogButtonBox::Save), Qt::LeftButton);
    });
    ASSERT_TRUE(save->Execute());
    EXPECT_EQ(QFileInfo(save->FileName()).fileName(), QStringLiteral("old.RPP"));

    save->SetOptions(save->Options() | TDialogsEnums::ofOverwritePrompt);
    bool asked = false;
    driver = WhenDialogOpens([&](QDialog* d) {
        auto* fd = qobject_cast<QFileDialog*>(d);
        TypeFileName(fd, QStringLiteral("old.RPP"));
        QTimer::singleShot(100, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                asked = true;
                box->button(QMessageBox::No)->click();
            }
        });
        QTest::mouseClick(DialogButton(fd, QDialogButtonBox::Save), Qt::LeftButton);
        EXPECT_TRUE(WaitUntil([&] { return asked; }, 10000));
        EXPECT_TRUE(fd->isVisible());
        fd->reject();
    });
    EXPECT_FALSE(save->Execute());
    EXPECT_TRUE(asked);
}

TEST_F(DialogsTest, FontDialogAppliesWhileOpenAndRemembersTheFont) {
    auto* fonts = Find<TFontDialog>(form.get(), "FontDialogfront");
    EXPECT_EQ(fonts->Font()->Name(), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(fonts->Font()->Height(), -11);

    QString shownFace, shownSize;
    auto driver = WhenDialogOpens([&](QDialog* d) {
        shownFace = Child<QLineEdit>(d, "faceEdit")->text();
        shownSize = Child<QLineEdit>(d, "sizeEdit")->text();
        auto* face = Child<QLineEdit>(d, "faceEdit");
        face->selectAll();
        QTest::keyClicks(face, QStringLiteral("Times New Roman"));
        auto* sizes = Child<QListWidget>(d, "sizeList");
        const auto twelve = sizes->findItems(QStringLiteral("12"), Qt::MatchExactly);
        ASSERT_EQ(twelve.size(), 1);
        QTest::mouseClick(sizes->viewport(), Qt::LeftButton, {},
                          sizes->visualItemRect(twelve.first()).center());
        Child<QListWidget>(d, "styleList")->setCurrentRow(2);
        auto* colors = Child<QComboBox>(d, "colorCombo");
        colors->setCurrentIndex(colors->findText(QStringLiteral("Red")));
        QTest::mouseClick(Child<QCheckBox>(d, "underline"), Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseClick(Child<QPushButton>(d, "applyButton"), Qt::LeftButton);
        EXPECT_TRUE(d->isVisible());
        QTest::mouseClick(Child<QPushButton>(d, "cancelButton"), Qt::LeftButton);
    });
    EXPECT_FALSE(fonts->Execute());
    EXPECT_EQ(shownFace, QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(shownSize, QStringLiteral("8"));
    EXPECT_EQ(form->log, QStringList({"apply Times New Roman 12 bold 0000ff underline open=1"}));
    // What Apply took stays, Cancel or not.
    EXPECT_EQ(fonts->Font()->Name(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(fonts->Font()->Height(), -16);

    // Reopened on that font; OK without changes keeps it exactly.
    driver = WhenDialogOpens([&](QDialog* d) {
        shownFace = Child<QLineEdit>(d, "faceEdit")->text();
        shownSize = Child<QLineEdit>(d, "sizeEdit")->text();
        QTest::mouseClick(Child<QPushButton>(d, "okButton"), Qt::LeftButton);
    });
    EXPECT_TRUE(fonts->Execute());
    EXPECT_EQ(shownFace, QStringLiteral("Times New Roman"));
    EXPECT_EQ(shownSize, QStringLiteral("12"));
    EXPECT_EQ(fonts->Font()->Height(), -16);
    EXPECT_EQ(fonts->Font()->Color(), clRed);
    EXPECT_EQ(form->log.size(), 1);

    // A size that is no number keeps the dialog open.
    bool warned = false;
    driver = WhenDialogOpens([&](QDialog* d) {
        auto* size = Child<QLineEdit>(d, "sizeEdit");
        size->selectAll();
        QTest::keyClicks(size, QStringLiteral("1x"));
        QTimer::singleShot(100, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                warned = box->text() == QStringLiteral("Size must be a number.");
                box->accept();
            }
        });
        QTest::mouseClick(Child<QPushButton>(d, "okButton"), Qt::LeftButton);
        EXPECT_TRUE(d->isVisible());
        size->selectAll();
        QTest::keyClicks(size, QStringLiteral("8"));
        QTest::mouseClick(Child<QPushButton>(d, "okButton"), Qt::LeftButton);
    });
    EXPECT_TRUE(fonts->Execute());
    EXPECT_TRUE(warned);
    EXPECT_EQ(fonts->Font()->Height(), -11);
}

// The captions mark a letter that takes the focus to their box; the face list holds real
// families and the faces layouts name, each spelled once as its makers spell it.
TEST_F(DialogsTest, FontDialogCaptionsLeadToTheirBoxesAndFacesAreRealNames) {
    auto* fonts = Find<TFontDialog>(form.get(), "FontDialogfront");
    fonts->SetOptions(TDialogsEnums::fdEffects | TDialogsEnums::fdApplyButton);
    QStringList faces;
    auto driver = WhenDialogOpens([&](QDialog* d) {
        // Keys move the focus only within the active window.
        d->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(d));
        const struct {
            const char* label;
            const char* box;
            QString shown;
            Qt::Key key;
        } captions[] = {{"faceLabel", "faceEdit", QStringLiteral("Font:"), Qt::Key_F},
                        {"styleLabel", "styleEdit", QStringLiteral("Font style:"), Qt::Key_Y},
                        {"sizeLabel", "sizeEdit", QStringLiteral("Size:"), Qt::Key_S},
                        {"colorLabel", "colorCombo", QStringLiteral("Color:"), Qt::Key_C}};
        for (const auto& c : captions) {
            auto* label = Child<QLabel>(d, c.label);
            QWidget* box = d->findChild<QWidget*>(QLatin1String(c.box));
            ASSERT_NE(box, nullptr) << c.box;
            EXPECT_EQ(label->buddy(), box) << c.label;
            EXPECT_EQ(label->text().remove(QLatin1Char('&')), c.shown);
            EXPECT_EQ(label->text().count(QLatin1Char('&')), 1) << c.label;
            QTest::keyClick(d, c.key, Qt::AltModifier);
            EXPECT_TRUE(box->hasFocus()) << c.label;
        }
        auto* list = Child<QListWidget>(d, "faceList");
        for (int i = 0; i < list->count(); ++i)
            faces << list->item(i)->text();
        d->reject();
    });
    fonts->Execute();
    for (const char* face : {"Times New Roman", "Arial", "MS Sans Serif", "Courier New",
                             "Liberation Sans", "DejaVu Sans"})
        EXPECT_EQ(faces.count(QString::fromLatin1(face)), 1) << face;
    for (const QString& face : faces) {
        EXPECT_FALSE(face.contains(QLatin1Char('['))) << face.toStdString();
        EXPECT_NE(face, face.toLower()) << face.toStdString();
        const auto same = [&](const QString& other) {
            return other.compare(face, Qt::CaseInsensitive) == 0;
        };
        EXPECT_EQ(std::count_if(faces.begin(), faces.end(), same), 1) << face.toStdString();
    }
}

TEST_F(DialogsTest, FontDialogLeavesTheWindowTextColourAloneUnlessAnotherIsPicked) {
    auto* fonts = Find<TFontDialog>(form.get(), "FontDialogfront");
    auto driver = WhenDialogOpens([&](QDialog* d) {
        EXPECT_FALSE(Child<QPushButton>(d, "applyButton")->isHidden());
        QTest::mouseClick(Child<QPushButton>(d, "okButton"), Qt::LeftButton);
    });
    EXPECT_TRUE(fonts->Execute());
    EXPECT_EQ(fonts->Font()->Color(), clWindowText);

    fonts->SetOptions(TDialogsEnums::fdEffects);
    driver = WhenDialogOpens([&](QDialog* d) {
        EXPECT_TRUE(Child<QPushButton>(d, "applyButton")->isHidden());
        d->reject();
    });
    EXPECT_FALSE(fonts->Execute());
}

TEST_F(DialogsTest, ColourDialogStartsBlackAndKeepsTheConfirmedColour) {
    auto* colours = Find<TColorDialog>(form.get(), "ColorDialogfront");
    EXPECT_EQ(colours->Color(), clBlack);
    QColor shown;
    auto driver = WhenDialogOpens([&](QDialog* d) {
        auto* cd = qobject_cast<QColorDialog*>(d);
        ASSERT_TRUE(cd);
        shown = cd->currentColor();
        cd->setCurrentColor(QColor(0, 0, 255));
        QTest::mouseClick(DialogButton(cd, QDialogButtonBox::Ok), Qt::LeftButton);
    });
    EXPECT_TRUE(colours->Execute());
    EXPECT_EQ(shown, QColor(0, 0, 0));
    EXPECT_EQ(colours->Color(), clBlue);

    driver = WhenDialogOpens([&](QDialog* d) {
        auto* cd = qobject_cast<QColorDialog*>(d);
        shown = cd->currentColor();
        cd->setCurrentColor(QColor(255, 0, 0));
        QTest::mouseClick(DialogButton(cd, QDialogButtonBox::Cancel), Qt::LeftButton);
    });
    EXPECT_FALSE(colours->Execute());
    EXPECT_EQ(shown, QColor(0, 0, 255));
    EXPECT_EQ(colours->Color(), clBlue);
}

// A dialog whose window is freed while it is open goes with the window and ends as
// cancelled, with the component's reference to it cleared.
TEST(DialogLifetimeTest, DialogsWhoseWindowIsFreedWhileOpenEndAsCancelled) {
    TFontDialog fonts(nullptr);
    TOpenDialog files(nullptr);
    for (TCommonDialog* dialog : std::initializer_list<TCommonDialog*>{&fonts, &files}) {
        auto* form = new TForm(nullptr);
        form->SetClientWidth(120);
        form->SetClientHeight(80);
        form->Show();
        QApplication::setActiveWindow(form->Widget());
        bool underTheWindow = false;
        auto driver = WhenDialogOpens([&](QDialog* d) {
            underTheWindow = d->parentWidget() == form->Widget();
            delete form;
            form = nullptr;
        });
        EXPECT_FALSE(dialog->Execute());
        EXPECT_TRUE(underTheWindow);
        EXPECT_EQ(form, nullptr);
        EXPECT_EQ(dialog->Dialog(), nullptr);
        EXPECT_EQ(TCommonDialog::ActiveDialog(), nullptr);
    }
}

} // namespace

#include "DialogsTest.moc"
