// Tab pages with icons, tool bars, status bars, progress bars and scroll boxes built from
// layouts and driven with the mouse and keyboard.
#include "framework/widgets/ComCtrls.h"
#include "framework/widgets/Buttons.h"
#include "framework/widgets/ExtCtrls.h"
#include "framework/widgets/ScrollBox.h"
#include "support/FormTestSupport.h"

#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

namespace {

class TComForm : public TForm {
    Q_OBJECT
public:
    using TForm::TForm;
    QStringList log;
    bool allowChange = true;

    Q_INVOKABLE void PageControl1Change(TObject* Sender) {
        log << QStringLiteral("change %1")
                   .arg(qobject_cast<TPageControl*>(Sender)->ActivePageIndex());
    }
    Q_INVOKABLE void PageControl1Changing(TObject*, bool& AllowChange) {
        log << QStringLiteral("changing");
        AllowChange = allowChange;
    }
    Q_INVOKABLE void ZoomClick(TObject* Sender) {
        log << qobject_cast<TComponent*>(Sender)->Name();
    }
};

const char* kPages = R"(
object Form1: TComForm
  ClientWidth = 546
  ClientHeight = 380
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  object PageControl1: TPageControl
    Left = 0
    Top = 0
    Width = 545
    Height = 321
    ActivePage = TabSheet2
    Images = iconeb
    MultiLine = True
    OnChange = PageControl1Change
    OnChanging = PageControl1Changing
    object TabSheet1: TTabSheet
      Caption = 'Fronte'
      ImageIndex = 0
      object Panel1: TPanel
        Left = 4
        Top = 24
        Width = 530
        Height = 265
      end
    end
    object TabSheet2: TTabSheet
      Caption = 'Retro'
      ImageIndex = 1
    end
    object TabSheet3: TTabSheet
      Caption = 'Testo Fronte'
      ImageIndex = 2
    end
    object TabSheet4: TTabSheet
      Caption = 'Testo Retro'
      ImageIndex = 3
    end
  end
  object iconeb: TImageList
    Bitmap = (
      file 'tab-front.png'
      file 'tab-rear.png'
      file 'tab-front-text.png'
      file 'tab-rear-text.png')
  end
end
)";

// The most frequent opaque colour of a picture.
QRgb MainColour(const QImage& image) {
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 255) ++counts[image.pixel(x, y)];
    auto best = std::max_element(counts.begin(), counts.end(),
                                 [](auto& a, auto& b) { return a.second < b.second; });
    return best == counts.end() ? 0 : best->first;
}

class PageControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = MakeForm<TComForm>(kPages);
        form->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));
        pages = Find<TPageControl>(form.get(), "PageControl1");
        for (int i = 0; i < 4; ++i)
            sheet[i] = pages->Pages(i);
    }
    void Click(TTabSheet* page) {
        QTest::mouseClick(pages->Widget(), Qt::LeftButton, {}, pages->TabRect(page).center());
    }

    std::unique_ptr<TComForm> form;
    TPageControl* pages = nullptr;
    TTabSheet* sheet[4] = {};
};

TEST_F(PageControlTest, LayoutGivesPagesIconsAndTheActivePageByName) {
    ASSERT_EQ(pages->PageCount(), 4);
    EXPECT_EQ(pages->ActivePage(), Find<TTabSheet>(form.get(), "TabSheet2"));
    EXPECT_EQ(pages->ActivePageIndex(), 1);
    ASSERT_TRUE(pages->Images());
    EXPECT_EQ(pages->Images()->Count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(sheet[i]->Widget()->isVisible(), i == 1) << i;
    EXPECT_TRUE(form->log.isEmpty()) << "reading the layout changed pages";

    // Each tab shows its own icon: the icons' frame colours are found in their tabs only.
    const QImage image = pages->Widget()->grab().toImage();
    const QRgb frontBlue = MainColour(pages->Images()->Image(0)),
               rearOrange = MainColour(pages->Images()->Image(1));
    ASSERT_NE(frontBlue, rearOrange);
    EXPECT_GT(CountPixels(image, pages->TabRect(sheet[0]), frontBlue, 8), 30);
    EXPECT_EQ(CountPixels(image, pages->TabRect(sheet[0]), rearOrange, 8), 0);
    EXPECT_GT(CountPixels(image, pages->TabRect(sheet[1]), rearOrange, 8), 30);

    // One row of tabs is enough here; the page area holds the largest picture panel.
    EXPECT_EQ(pages->RowCount(), 1);
    const QRect display = pages->DisplayRect();
    EXPECT_EQ(sheet[0]->BoundsRect(), display);
    EXPECT_GE(display.width(), 4 + 530);
    EXPECT_GE(display.height(), 24 + 265);
    auto* panel = Find<TPanel>(form.get(), "Panel1");
    EXPECT_EQ(panel->Parent(), sheet[0]);
    pages->SetActivePage(sheet[0]);
    EXPECT_EQ(panel->Widget()->mapTo(pages->Widget(), QPoint(0, 0)),
              display.topLeft() + QPoint(4, 24));
}

TEST_F(PageControlTest, ClickingATabAsksChangesAndReports) {
    Click(sheet[2]);
    EXPECT_EQ(form->log, QStringList({"changing", "change 2"}));
    EXPECT_EQ(pages->ActivePage(), sheet[2]);
    EXPECT_TRUE(sheet[2]->Widget()->isVisible());
    EXPECT_FALSE(sheet[1]->Widget()->isVisible());
    // The active tab again: nothing.
    Click(sheet[2]);
    EXPECT_EQ(form->log.size(), 2);

    form->log.clear();
    form->allowChange = false;
    Click(sheet[0]);
    EXPECT_EQ(form->log, QStringList({"changing"}));
    EXPECT_EQ(pages->ActivePage(), sheet[2]);

    // Code changes the page silently.
    form->log.clear();
    pages->SetActivePageIndex(3);
    pages->SetActivePageIndex(9);
    EXPECT_EQ(pages->ActivePage(), sheet[3]);
    EXPECT_TRUE(form->log.isEmpty());

    form->allowChange = true;
    QTest::keyClick(pages->Widget(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(pages->ActivePage(), sheet[0]);
    EXPECT_EQ(form->log, QStringList({"changing", "change 0"}));
}

TEST_F(PageControlTest, TabsThatDoNotFitTakeSeveralRowsWithTheActiveRowNextToThePage) {
    pages->SetWidth(180);
    ASSERT_GT(pages->RowCount(), 1);
    auto bottomRow = [&] {
        int bottom = 0;
        for (TTabSheet* s : sheet)
            bottom = std::max(bottom, pages->TabRect(s).bottom());
        return bottom;
    };
    EXPECT_EQ(pages->TabRect(sheet[1]).bottom(), bottomRow());
    // Rows fill the width, and tabs never overlap.
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j)
            EXPECT_FALSE(pages->TabRect(sheet[i]).intersects(pages->TabRect(sheet[j])));
    TTabSheet* other = nullptr;
    for (TTabSheet* s : sheet)
        if (pages->TabRect(s).bottom() != bottomRow()) other = s;
    ASSERT_TRUE(other);
    Click(other);
    EXPECT_EQ(pages->ActivePage(), other);
    EXPECT_EQ(pages->TabRect(other).bottom(), bottomRow());
    EXPECT_EQ(pages->DisplayRect().top(), bottomRow() + 1 + 4);

    pages->SetMultiLine(false);
    EXPECT_EQ(pages->RowCount(), 1);
}

// Two pages: the second holds a picture panel under a caption panel and two fields;
// ActivePage is filled in.
const char* kLatePage = R"(
object Form3: TComForm
  ClientWidth = 300
  ClientHeight = 220
  object PageControl1: TPageControl
    Width = 300
    Height = 180
    ActivePage = %1
    object TabSheetA: TTabSheet
      object EditA: TEdit
        Width = 80
        Height = 21
      end
    end
    object TabSheetB: TTabSheet
      object Under: TPanel
        Width = 120
        Height = 60
      end
      object Over: TPanel
        Left = 10
        Top = 10
        Width = 60
        Height = 30
      end
      object First: TEdit
        Top = 80
        Width = 80
        Height = 21
      end
      object Second: TEdit
        Top = 110
        Width = 80
        Height = 21
      end
    end
  end
  object Below: TButton
    Top = 190
    Width = 75
    Height = 25
  end
end
)";

// A page behind the one on show makes its controls when it first shows, and they stack
// and take the focus chain as they would have made with the window, even when code made
// one of them on its own before.
TEST(LatePageTest, ControlsMadeOnFirstShowingStackAndTabAsIfMadeWithTheWindow) {
    const char* names[] = {"EditA", "First", "Second", "Below"};
    struct Outcome {
        QStringList chain;
        bool overAbove = false;
    };
    auto run = [&](const char* active, bool touchOverFirst) {
        auto form = MakeForm<TComForm>(
            QString::fromLatin1(kLatePage).arg(QLatin1String(active)).toUtf8().constData());
        auto* pages = Find<TPageControl>(form.get(), "PageControl1");
        auto* over = Find<TControl>(form.get(), "Over");
        auto* under = Find<TControl>(form.get(), "Under");
        if (touchOverFirst) over->HandleNeeded();
        form->Show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));
        if (std::string(active) == "TabSheetA") {
            EXPECT_FALSE(under->Widget()) << "a page behind made its controls with the window";
            pages->SetActivePage(Find<TTabSheet>(form.get(), "TabSheetB"));
        }
        Outcome out;
        QHash<QWidget*, QString> named;
        for (const char* n : names)
            if (QWidget* w = Find<TControl>(form.get(), n)->Widget()) named[w] = n;
        QWidget* w = form->Widget();
        for (int i = 0; i < 200 && out.chain.size() < named.size(); ++i) {
            w = w->nextInFocusChain();
            if (named.contains(w) && !out.chain.contains(named[w])) out.chain << named[w];
        }
        const QObjectList siblings = under->Widget()->parentWidget()->children();
        out.overAbove = siblings.indexOf(over->Widget()) > siblings.indexOf(under->Widget());
        EXPECT_TRUE(over->Widget()->isVisible() && under->Widget()->isVisible());
        return out;
    };
    const Outcome withWindow = run("TabSheetB", false);
    EXPECT_TRUE(withWindow.overAbove);
    for (bool touch : {false, true}) {
        Outcome late = run("TabSheetA", touch);
        EXPECT_TRUE(late.overAbove) << touch;
        late.chain.removeAll(QStringLiteral("EditA")); // on the page the other run never showed
        EXPECT_EQ(late.chain.join(' ').toStdString(), withWindow.chain.join(' ').toStdString())
            << touch;
    }
}

const char* kBars = R"(
object Form2: TComForm
  ClientWidth = 400
  ClientHeight = 200
  ShowHint = True
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  object ToolBar1: TToolBar
    AutoSize = True
    BorderWidth = 2
    Flat = True
    Images = Images
    object Zoom100: TToolButton
      Left = 31
      Hint = '100%'
      ImageIndex = 1
      Style = tbsCheck
      Grouped = True
      OnClick = ZoomClick
    end
    object ToolButton1: TToolButton
      Left = 0
      Style = tbsDivider
      Width = 8
    end
    object ZoomFit: TToolButton
      Left = 8
      Hint = 'Zoom to fit'
      ImageIndex = 0
      Style = tbsCheck
      Grouped = True
      OnClick = ZoomClick
    end
    object ZoomToWidth: TToolButton
      Left = 54
      Hint = 'Zoom to width'
      ImageIndex = 2
      Style = tbsCheck
      Grouped = True
      Down = True
      OnClick = ZoomClick
    end
    object Separator1: TToolButton
      Left = 77
      Style = tbsSeparator
      Width = 8
    end
    object FirstPage: TToolButton
      Left = 85
      Hint = 'First page'
      ImageIndex = 0
      OnClick = ZoomClick
    end
    object ExitButton: TToolButton
      Left = 108
      Caption = '&Close'
      OnClick = ZoomClick
    end
    object Speed: TSpeedButton
      Left = 200
      Width = 40
      Caption = '&Close'
      Flat = True
      OnClick = ZoomClick
    end
  end
  object Left1: TSpeedButton
    Left = 300
    Top = 60
    GroupIndex = 1
    Down = True
    Glyph.Data = file 'tab-front.png'
  end
  object Right1: TSpeedButton
    Left = 323
    Top = 60
    GroupIndex = 1
    Glyph.Data = file 'tab-rear.png'
  end
  object StatusBar: TStatusBar
    object TStatusPanel
      Alignment = taRightJustify
      Text = '0%'
      Width = 40
    end
    object TStatusPanel
      Text = 'Page'
      Width = 50
    end
  end
  object Gauge: TProgressBar
    Left = 16
    Top = 60
    Width = 114
    Height = 16
  end
  object Box: TScrollBox
    Left = 150
    Top = 40
    Width = 120
    Height = 100
    object Wide: TPanel
      Left = 0
      Top = 0
      Width = 300
      Height = 50
    end
  end
  object Images: TImageList
    Bitmap = (
      file 'tab-front.png'
      file 'tab-rear.png'
      file 'glyph-colour.png')
  end
end
)";

class BarsTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = MakeForm<TComForm>(kBars);
        form->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));
        bar = Find<TToolBar>(form.get(), "ToolBar1");
    }
    TToolButton* Button(const char* name) { return Find<TToolButton>(form.get(), name); }
    std::unique_ptr<TComForm> form;
    TToolBar* bar = nullptr;
};

TEST_F(BarsTest, ToolBarLaysOutItsButtonsInTheOrderOfTheirPlaces) {
    EXPECT_EQ(bar->BoundsRect(), QRect(0, 0, 400, 28));
    EXPECT_EQ(Button("ToolButton1")->BoundsRect(), QRect(2, 4, 8, 22));
    EXPECT_EQ(Button("ZoomFit")->BoundsRect(), QRect(10, 4, 23, 22));
    EXPECT_EQ(Button("Zoom100")->BoundsRect(), QRect(33, 4, 23, 22));
    EXPECT_EQ(Button("ZoomToWidth")->BoundsRect(), QRect(56, 4, 23, 22));
    EXPECT_EQ(Button("Separator1")->BoundsRect(), QRect(79, 4, 8, 22));
    EXPECT_EQ(Button("FirstPage")->BoundsRect(), QRect(87, 4, 23, 22));

    auto* fit = qobject_cast<QToolButton*>(Button("ZoomFit")->Widget());
    ASSERT_TRUE(fit);
    EXPECT_EQ(fit->toolTip(), QStringLiteral("Zoom to fit"));
    EXPECT_FALSE(fit->icon().isNull());
    EXPECT_TRUE(fit->autoRaise());
    auto* exit = qobject_cast<QToolButton*>(Button("ExitButton")->Widget());
    EXPECT_EQ(exit->toolButtonStyle(), Qt::ToolButtonTextOnly);
    EXPECT_EQ(exit->text(), QStringLiteral("&Close"));
    // A caption-only button is as wide as its caption; other controls keep their width.
    const QRect exitBounds = Button("ExitButton")->BoundsRect();
    EXPECT_EQ(exitBounds.left(), 110);
    EXPECT_GE(exitBounds.width(), Button("ExitButton")->CaptionWidth());
    auto* speed = Find<TSpeedButton>(form.get(), "Speed");
    EXPECT_EQ(speed->BoundsRect(), QRect(exitBounds.right() + 1, 4, 40, 22));
    QTest::mouseClick(speed->Widget(), Qt::LeftButton);
    EXPECT_EQ(form->log, QStringList({"Speed"}));
}

TEST_F(BarsTest, GroupedCheckButtonsReleaseEachOther) {
    TToolButton* fit = Button("ZoomFit");
    TToolButton* hundred = Button("Zoom100");
    TToolButton* width = Button("ZoomToWidth");
    EXPECT_TRUE(width->Down());
    QTest::mouseClick(hundred->Widget(), Qt::LeftButton);
    EXPECT_EQ(form->log, QStringList({"Zoom100"}));
    EXPECT_TRUE(hundred->Down());
    EXPECT_FALSE(width->Down());
    EXPECT_FALSE(fit->Down());
    EXPECT_FALSE(qobject_cast<QToolButton*>(width->Widget())->isChecked());
    // Pressing the pressed one keeps it down.
    QTest::mouseClick(hundred->Widget(), Qt::LeftButton);
    EXPECT_TRUE(hundred->Down());
    EXPECT_TRUE(qobject_cast<QToolButton*>(hundred->Widget())->isChecked());
    EXPECT_EQ(form->log.size(), 2);
    // In code too.
    fit->SetDown(true);
    EXPECT_FALSE(hundred->Down());

    // Speed buttons of a group likewise.
    auto* left = Find<TSpeedButton>(form.get(), "Left1");
    auto* right = Find<TSpeedButton>(form.get(), "Right1");
    EXPECT_TRUE(left->Down());
    EXPECT_FALSE(qobject_cast<QToolButton*>(left->Widget())->icon().isNull());
    QTest::mouseClick(right->Widget(), Qt::LeftButton);
    EXPECT_TRUE(right->Down());
    EXPECT_FALSE(left->Down());
    QTest::mouseClick(right->Widget(), Qt::LeftButton);
    EXPECT_TRUE(right->Down());

    TToolButton* first = Button("FirstPage");
    first->SetEnabled(false);
    QTest::mouseClick(first->Widget(), Qt::LeftButton);
    EXPECT_EQ(form->log.size(), 2);
    EXPECT_FALSE(first->Widget()->isEnabled());
}

TEST_F(BarsTest, StatusBarShowsItsPanels) {
    auto* status = Find<TStatusBar>(form.get(), "StatusBar");
    EXPECT_EQ(status->BoundsRect(), QRect(0, 181, 400, 19));
    ASSERT_EQ(status->Panels()->Count(), 2);
    EXPECT_EQ(status->Panels()->Items(0)->Text(), QStringLiteral("0%"));
    EXPECT_EQ(status->Panels()->Items(0)->Alignment(), TControlEnums::taRightJustify);
    EXPECT_EQ(status->PanelRect(0), QRect(0, 2, 38, 17));
    // The last panel takes the rest of the bar.
    EXPECT_EQ(status->PanelRect(1), QRect(40, 2, 358, 17));
    const QRgb face = ToQColor(clBtnFace).rgb();
    // Inside the panel's bevel, left of the size grip.
    const QRect inside = status->PanelRect(1).adjusted(2, 2, -20, -2);
    status->Panels()->Items(1)->SetText(QString());
    EXPECT_TRUE(InkBox(status->Widget()->grab().toImage().copy(inside), face, 60).isEmpty());
    status->Panels()->Items(1)->SetText(QStringLiteral("Page 2 of 5"));
    const QRect ink = InkBox(status->Widget()->grab().toImage().copy(inside), face, 60);
    EXPECT_FALSE(ink.isEmpty());
    EXPECT_LT(ink.left(), 10) << "left-aligned text";
}

TEST_F(BarsTest, ProgressBarKeepsItsPositionInRange) {
    auto* gauge = Find<TProgressBar>(form.get(), "Gauge");
    auto* widget = qobject_cast<QProgressBar*>(gauge->Widget());
    ASSERT_TRUE(widget);
    EXPECT_FALSE(widget->isTextVisible());
    gauge->SetPosition(40);
    EXPECT_EQ(widget->value(), 40);
    gauge->SetPosition(150);
    EXPECT_EQ(gauge->Position(), 100);
    gauge->SetMax(50);
    EXPECT_EQ(gauge->Position(), 50);
    EXPECT_EQ(widget->maximum(), 50);
    gauge->SetPosition(-3);
    EXPECT_EQ(widget->value(), 0);
}

TEST_F(BarsTest, ScrollBoxScrollsChildrenThatReachBeyondIt) {
    auto* box = Find<TScrollBox>(form.get(), "Box");
    auto* area = qobject_cast<QScrollArea*>(box->Widget());
    ASSERT_TRUE(area);
    Settle();
    EXPECT_EQ(box->ContentSize(), QSize(300, 50));
    EXPECT_GT(box->HorzScrollBar()->ScrollRange(), 0);
    EXPECT_EQ(box->VertScrollBar()->ScrollRange(), 0);
    EXPECT_TRUE(area->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(area->verticalScrollBar()->isVisible());
    EXPECT_EQ(box->ClientRect().width(), area->viewport()->width());
    EXPECT_EQ(box->ClientRect().height(), area->viewport()->height());
    box->HorzScrollBar()->SetPosition(50);
    EXPECT_EQ(area->horizontalScrollBar()->value(), 50);
    EXPECT_EQ(Find<TPanel>(form.get(), "Wide")->Left(), 0);
    box->HorzScrollBar()->SetPosition(100000);
    EXPECT_EQ(box->HorzScrollBar()->Position(), box->HorzScrollBar()->ScrollRange());
    // Growing a child grows the scrolled area.
    Find<TPanel>(form.get(), "Wide")->SetHeight(400);
    Settle();
    EXPECT_TRUE(area->verticalScrollBar()->isVisible());
}

TEST(ImageListTest, LayoutPicturesMustBeWholeCells) {
    const char* layout = R"(
object Form3: TComForm
  object Icons: TImageList
    Width = 10
    Height = 10
    Bitmap = file 'tab-front.png'
  end
end
)";
    try {
        MakeForm<TComForm>(layout);
        ADD_FAILURE() << "no error";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral(
                      "test.layout(6): Error reading Icons.Bitmap: Image list picture of 16 x 16 "
                      "is not made of 10 x 10 cells"));
    }
    // A strip of cells is cut left to right; a name that names nothing leaves no list.
    const char* strip = R"(
object Form3: TComForm
  object Icons: TImageList
    Width = 8
    Height = 16
    Bitmap = file 'tab-front.png'
  end
  object Pages: TPageControl
    Images = Nothing
  end
end
)";
    auto form = MakeForm<TComForm>(strip);
    auto* icons = Find<TImageList>(form.get(), "Icons");
    ASSERT_EQ(icons->Count(), 2);
    EXPECT_EQ(icons->Image(1).size(), QSize(8, 16));
    EXPECT_TRUE(icons->Image(2).isNull());
    EXPECT_EQ(Find<TPageControl>(form.get(), "Pages")->Images(), nullptr);
}

} // namespace

#include "ComCtrlsTest.moc"
