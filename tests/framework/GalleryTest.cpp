// Every control kind on two windows laid out like the editor's: captions and prompt
// texts must fit their controls, and the windows are written as pictures to look at
// (screenshots/ in the build folder).
#include "framework/widgets/Buttons.h"
#include "framework/widgets/ComCtrls.h"
#include "framework/widgets/ExtCtrls.h"
#include "framework/widgets/ScrollBox.h"
#include "support/FormTestSupport.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTest>

namespace {

class TGalleryForm : public TForm {
    Q_OBJECT
public:
    using TForm::TForm;
};

const char* kEditor = R"(
object Form1: TGalleryForm
  BorderIcons = []
  BorderStyle = bsSingle
  Caption = 'Sleevane 0.2 Beta'
  ClientHeight = 380
  ClientWidth = 546
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  object PageControl1: TPageControl
    Left = 0
    Top = 0
    Width = 545
    Height = 321
    ActivePage = TabSheet3
    Images = iconeb
    MultiLine = True
    object TabSheet1: TTabSheet
      Caption = 'Fronte'
      ImageIndex = 0
      object ComboBox1: TComboBox
        Left = 4
        Top = 0
        Width = 265
        Height = 21
        Items.Strings = (
          'Non presente'
          'Copertina Frontale [120x120mm]'
          'Doppia copertina [240x120mm]')
        TextHint = 'Seleziona la dimensione della copertina frontale'
      end
      object Panel1: TPanel
        Left = 4
        Top = 24
        Width = 265
        Height = 265
        Caption = 'Clicca qui per caricare l''immagine'
        object front: TImage
          Align = alClient
          Stretch = True
          Cursor = crHandPoint
        end
      end
    end
    object TabSheet2: TTabSheet
      Caption = 'Retro'
      ImageIndex = 1
      object ComboBox2: TComboBox
        Left = 4
        Top = 0
        Width = 265
        Height = 21
        TextHint = 'Seleziona la dimensione della copertina Posteriore'
      end
    end
    object TabSheet3: TTabSheet
      Caption = 'Testo Fronte'
      ImageIndex = 2
      object RadioGroup1: TRadioGroup
        Left = 0
        Top = 0
        Width = 529
        Height = 41
        Caption = 'Selezione tipo testo'
        Columns = 2
        ItemIndex = 0
        Items.Strings = (
          'Una riga'
          'Multi righe')
      end
      object GroupBox1: TGroupBox
        Left = 296
        Top = 48
        Width = 233
        Height = 241
        Caption = 'Preview'
        object Panelfronte: TPanel
          Left = 8
          Top = 16
          Width = 217
          Height = 217
          Caption = 'Nessuna immagine selezionata'
        end
      end
      object GroupBox2: TGroupBox
        Left = 0
        Top = 48
        Width = 289
        Height = 89
        Caption = 'Una riga'
        object Fronteriga: TEdit
          Left = 8
          Top = 20
          Width = 217
          Height = 21
          MaxLength = 25
          Text = 'Titolo del disco'
        end
        object ComboBox3: TComboBox
          Left = 8
          Top = 52
          Width = 217
          Height = 21
          Items.Strings = (
            '0'
            '45'
            '90'
            '135'
            '180'
            '225'
            '270'
            '315')
          TextHint = 'Rotazione  Testo'
        end
      end
      object GroupBox3: TGroupBox
        Left = 0
        Top = 144
        Width = 289
        Height = 113
        Caption = 'Multi righe'
        Enabled = False
        object Memo1: TMemo
          Left = 8
          Top = 16
          Width = 273
          Height = 89
          ScrollBars = ssVertical
        end
      end
      object BitBtn6: TBitBtn
        Left = 24
        Top = 264
        Width = 75
        Height = 25
        Caption = 'Fonts'
        Glyph.Data = file 'glyph-font.png'
      end
      object BitBtn5: TBitBtn
        Left = 136
        Top = 264
        Width = 75
        Height = 25
        Caption = 'Colore'
        Glyph.Data = file 'glyph-colour.png'
      end
    end
    object TabSheet4: TTabSheet
      Caption = 'Testo Retro'
      ImageIndex = 3
    end
  end
  object BitBtn1: TBitBtn
    Left = 0
    Top = 328
    Width = 97
    Height = 49
    Caption = 'Anteprima'
    Glyph.Data = file 'glyph-preview.png'
  end
  object BitBtn2: TBitBtn
    Left = 104
    Top = 328
    Width = 97
    Height = 49
    Caption = 'Stampa'
    Glyph.Data = file 'glyph-print.png'
  end
  object BitBtn4: TBitBtn
    Left = 344
    Top = 328
    Width = 97
    Height = 49
    Caption = 'Info'
    Glyph.Data = file 'glyph-info.png'
  end
  object BitBtn3: TBitBtn
    Left = 448
    Top = 328
    Width = 97
    Height = 49
    Caption = 'Uscita'
    Glyph.Data = file 'glyph-exit.png'
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

const char* kEngine = R"(
object Form2: TGalleryForm
  Caption = 'Print Preview'
  ClientHeight = 300
  ClientWidth = 460
  ShowHint = True
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  object ToolBar1: TToolBar
    AutoSize = True
    BorderWidth = 2
    Flat = True
    Images = Images
    object ZoomFit: TToolButton
      Left = 0
      Hint = 'Zoom to fit'
      ImageIndex = 0
      Style = tbsCheck
      Grouped = True
    end
    object Zoom100: TToolButton
      Left = 23
      Hint = '100%'
      ImageIndex = 1
      Style = tbsCheck
      Grouped = True
      Down = True
    end
    object Separator1: TToolButton
      Left = 46
      Style = tbsDivider
      Width = 8
    end
    object FirstPage: TToolButton
      Left = 54
      Hint = 'First page'
      ImageIndex = 2
    end
    object LastPage: TToolButton
      Left = 77
      Hint = 'Last page'
      ImageIndex = 3
      Enabled = False
    end
    object ExitButton: TToolButton
      Left = 100
      Caption = '&Close'
    end
  end
  object Box: TScrollBox
    Left = 8
    Top = 36
    Width = 200
    Height = 150
    object Page: TPanel
      Left = 10
      Top = 10
      Width = 300
      Height = 200
      Caption = 'Page'
      BevelOuter = bvLowered
    end
  end
  object Gauge: TProgressBar
    Left = 216
    Top = 40
    Width = 114
    Height = 16
    Position = 40
  end
  object CheckBox1: TCheckBox
    Left = 216
    Top = 64
    Caption = 'Collate'
    Checked = True
  end
  object RadioButton1: TRadioButton
    Left = 216
    Top = 84
    Caption = 'All pages'
    Checked = True
  end
  object Bevel1: TBevel
    Left = 216
    Top = 108
    Width = 230
    Height = 2
    Shape = bsTopLine
  end
  object CancelButton: TButton
    Left = 216
    Top = 120
    Caption = 'Cancel'
  end
  object CloseBtn: TBitBtn
    Left = 300
    Top = 120
    Kind = bkClose
  end
  object OkBtn: TBitBtn
    Left = 216
    Top = 152
    Kind = bkOK
  end
  object HelpBtn: TBitBtn
    Left = 300
    Top = 152
    Kind = bkHelp
  end
  object Info: TLabel
    Left = 216
    Top = 186
    Caption = '40%  Completed'
  end
  object StatusBar: TStatusBar
    object TStatusPanel
      Alignment = taRightJustify
      Text = '40%'
      Width = 40
    end
    object TStatusPanel
      Text = 'Page 1 of 3'
      Width = 50
    end
  end
  object Images: TImageList
    Bitmap = (
      file 'tab-front.png'
      file 'tab-rear.png'
      file 'tab-front-text.png'
      file 'tab-rear-text.png')
  end
end
)";

void Save(TForm* form, const QString& name) {
    QString dir = qEnvironmentVariable("SLEEVANE_BUILD");
    dir = dir.isEmpty() ? TestTempDir() : dir + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    const QImage image = form->Widget()->grab().toImage();
    EXPECT_TRUE(image.save(dir + QLatin1Char('/') + name));
}

// The width a line edit has for its text.
int TextRoom(QLineEdit* e) {
    const QMargins m = e->textMargins();
    return e->contentsRect().width() - m.left() - m.right() - 4;
}

TEST(GalleryTest, EditorWindowCaptionsAndPromptsFit) {
    auto form = MakeForm<TGalleryForm>(kEditor);
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));
    Save(form.get(), QStringLiteral("editor-front-text.png"));
    auto* pages = Find<TPageControl>(form.get(), "PageControl1");
    pages->SetActivePageIndex(0);
    Save(form.get(), QStringLiteral("editor-front.png"));

    // The rear prompt is 9 pixels longer than its box holds in this font; the box ends
    // it with an ellipsis. The other two fit whole.
    for (const char* name : {"ComboBox1", "ComboBox3"}) {
        auto* combo = qobject_cast<QComboBox*>(Find<TComboBox>(form.get(), name)->Widget());
        ASSERT_TRUE(combo);
        QLineEdit* e = combo->lineEdit();
        const int needed = e->fontMetrics().horizontalAdvance(e->placeholderText());
        EXPECT_LE(needed, TextRoom(e)) << name << " prompt is cut";
    }
    for (const char* name : {"BitBtn1", "BitBtn2", "BitBtn3", "BitBtn4", "BitBtn5", "BitBtn6"}) {
        auto* button = Find<TBitBtn>(form.get(), name);
        auto* w = qobject_cast<QPushButton*>(button->Widget());
        const QSize caption = w->fontMetrics().size(Qt::TextShowMnemonic, button->Caption());
        const int needed = button->Glyph()->Width() + button->Spacing() + caption.width();
        EXPECT_LE(needed, button->Width() - 6) << name << " caption does not fit";
    }
    for (const char* name : {"GroupBox1", "GroupBox2", "GroupBox3", "RadioGroup1"}) {
        auto* box = qobject_cast<QGroupBox*>(Find<TWinControl>(form.get(), name)->Widget());
        EXPECT_LE(box->fontMetrics().horizontalAdvance(box->title()) + 16, box->width()) << name;
    }
    // The panels' captions fit inside their bevels.
    for (const char* name : {"Panel1", "Panelfronte"}) {
        auto* panel = Find<TPanel>(form.get(), name);
        const QFontMetrics fm(panel->Font()->ToQFont());
        EXPECT_LE(fm.horizontalAdvance(panel->Caption()), panel->Width() - 2) << name;
    }
}

TEST(GalleryTest, EngineWindowControls) {
    auto form = MakeForm<TGalleryForm>(kEngine);
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));
    Save(form.get(), QStringLiteral("engine.png"));
    EXPECT_EQ(Find<TToolBar>(form.get(), "ToolBar1")->Height(), 28);
    auto* exit = Find<TToolButton>(form.get(), "ExitButton");
    EXPECT_GE(exit->Width(), exit->CaptionWidth());
}

} // namespace

#include "GalleryTest.moc"
