#pragma once
// The main window: the whole user interface of the cover editor. The cover is its
// document's: the handlers change the document, and the controls show it.

#include "app/CoverDesign.h"
#include "app/CoverDocument.h"
#include "app/SheetComposer.h"
#include "controls/antAngleLabel.h"
#include "framework/graphics/ImgList.h"
#include "framework/widgets/Buttons.h"
#include "framework/widgets/ComCtrls.h"
#include "framework/widgets/Dialogs.h"
#include "framework/widgets/ExtCtrls.h"
#include "framework/widgets/Forms.h"
#include "framework/widgets/StdCtrls.h"

#include <functional>

class TForm1 : public TForm {
    Q_OBJECT
    Q_PROPERTY(TPageControl* PageControl1 MEMBER PageControl1)
    Q_PROPERTY(TTabSheet* TabSheet1 MEMBER TabSheet1)
    Q_PROPERTY(TTabSheet* TabSheet2 MEMBER TabSheet2)
    Q_PROPERTY(TTabSheet* TabSheet3 MEMBER TabSheet3)
    Q_PROPERTY(TTabSheet* TabSheet4 MEMBER TabSheet4)
    Q_PROPERTY(TComboBox* ComboBox1 MEMBER ComboBox1)
    Q_PROPERTY(TComboBox* ComboBox2 MEMBER ComboBox2)
    Q_PROPERTY(TComboBox* ComboBox3 MEMBER ComboBox3)
    Q_PROPERTY(TPanel* Panel1 MEMBER Panel1)
    Q_PROPERTY(TPanel* Panel2 MEMBER Panel2)
    Q_PROPERTY(TPanel* Panelfronte MEMBER Panelfronte)
    Q_PROPERTY(TPanel* Panelrear MEMBER Panelrear)
    Q_PROPERTY(TImage* front MEMBER front)
    Q_PROPERTY(TImage* rear MEMBER rear)
    Q_PROPERTY(TImage* Imagefronte MEMBER Imagefronte)
    Q_PROPERTY(TImage* Imagerear MEMBER Imagerear)
    Q_PROPERTY(TRadioGroup* RadioGroup1 MEMBER RadioGroup1)
    Q_PROPERTY(TGroupBox* GroupBox1 MEMBER GroupBox1)
    Q_PROPERTY(TGroupBox* GroupBox2 MEMBER GroupBox2)
    Q_PROPERTY(TGroupBox* GroupBox3 MEMBER GroupBox3)
    Q_PROPERTY(TGroupBox* GroupBox4 MEMBER GroupBox4)
    Q_PROPERTY(TGroupBox* GroupBox6 MEMBER GroupBox6)
    Q_PROPERTY(TGroupBox* GroupBox7 MEMBER GroupBox7)
    Q_PROPERTY(TBevel* Piegafronte MEMBER Piegafronte)
    Q_PROPERTY(TantAngleLabel* Labelfront MEMBER Labelfront)
    Q_PROPERTY(TantAngleLabel* Labelr1 MEMBER Labelr1)
    Q_PROPERTY(TantAngleLabel* Labelr2 MEMBER Labelr2)
    Q_PROPERTY(TLabel* Labelfronterighe MEMBER Labelfronterighe)
    Q_PROPERTY(TLabel* Labelrear MEMBER Labelrear)
    Q_PROPERTY(TEdit* Fronteriga MEMBER Fronteriga)
    Q_PROPERTY(TEdit* Edit1 MEMBER Edit1)
    Q_PROPERTY(TEdit* Edit2 MEMBER Edit2)
    Q_PROPERTY(TMemo* Memo1 MEMBER Memo1)
    Q_PROPERTY(TMemo* Memo2 MEMBER Memo2)
    Q_PROPERTY(TBitBtn* BitBtn1 MEMBER BitBtn1)
    Q_PROPERTY(TBitBtn* BitBtn2 MEMBER BitBtn2)
    Q_PROPERTY(TBitBtn* BitBtn3 MEMBER BitBtn3)
    Q_PROPERTY(TBitBtn* BitBtn4 MEMBER BitBtn4)
    Q_PROPERTY(TBitBtn* BitBtn5 MEMBER BitBtn5)
    Q_PROPERTY(TBitBtn* BitBtn6 MEMBER BitBtn6)
    Q_PROPERTY(TBitBtn* BitBtn7 MEMBER BitBtn7)
    Q_PROPERTY(TBitBtn* BitBtn8 MEMBER BitBtn8)
    Q_PROPERTY(TBitBtn* BitBtn9 MEMBER BitBtn9)
    Q_PROPERTY(TBitBtn* BitBtn10 MEMBER BitBtn10)
    Q_PROPERTY(TImageList* iconeb MEMBER iconeb)
    Q_PROPERTY(TOpenDialog* frontDialog MEMBER frontDialog)
    Q_PROPERTY(TOpenDialog* rearDialog MEMBER rearDialog)
    Q_PROPERTY(TFontDialog* FontDialogfront MEMBER FontDialogfront)
    Q_PROPERTY(TFontDialog* FontDialogbande MEMBER FontDialogbande)
    Q_PROPERTY(TFontDialog* FontDialogrear MEMBER FontDialogrear)
    Q_PROPERTY(TColorDialog* ColorDialogfront MEMBER ColorDialogfront)
    Q_PROPERTY(TColorDialog* ColorDialogbande MEMBER ColorDialogbande)
    Q_PROPERTY(TColorDialog* ColorDialogrear MEMBER ColorDialogrear)

public:
    // The window's controls, filled in from its layout.
    TPageControl* PageControl1 = nullptr;
    TTabSheet* TabSheet1 = nullptr;
    TTabSheet* TabSheet2 = nullptr;
    TTabSheet* TabSheet3 = nullptr;
    TTabSheet* TabSheet4 = nullptr;
    TComboBox* ComboBox1 = nullptr;
    TComboBox* ComboBox2 = nullptr;
    TComboBox* ComboBox3 = nullptr;
    TPanel* Panel1 = nullptr;
    TPanel* Panel2 = nullptr;
    TPanel* Panelfronte = nullptr;
    TPanel* Panelrear = nullptr;
    TImage* front = nullptr;
    TImage* rear = nullptr;
    TImage* Imagefronte = nullptr;
    TImage* Imagerear = nullptr;
    TRadioGroup* RadioGroup1 = nullptr;
    TGroupBox* GroupBox1 = nullptr;
    TGroupBox* GroupBox2 = nullptr;
    TGroupBox* GroupBox3 = nullptr;
    TGroupBox* GroupBox4 = nullptr;
    TGroupBox* GroupBox6 = nullptr;
    TGroupBox* GroupBox7 = nullptr;
    // Where the booklet folds, on its square miniature.
    TBevel* Piegafronte = nullptr;
    TantAngleLabel* Labelfront = nullptr;
    TantAngleLabel* Labelr1 = nullptr;
    TantAngleLabel* Labelr2 = nullptr;
    TLabel* Labelfronterighe = nullptr;
    TLabel* Labelrear = nullptr;
    TEdit* Fronteriga = nullptr;
    TEdit* Edit1 = nullptr;
    TEdit* Edit2 = nullptr;
    TMemo* Memo1 = nullptr;
    TMemo* Memo2 = nullptr;
    TBitBtn* BitBtn1 = nullptr;
    TBitBtn* BitBtn2 = nullptr;
    TBitBtn* BitBtn3 = nullptr;
    TBitBtn* BitBtn4 = nullptr;
    TBitBtn* BitBtn5 = nullptr;
    TBitBtn* BitBtn6 = nullptr;
    TBitBtn* BitBtn7 = nullptr;
    TBitBtn* BitBtn8 = nullptr;
    TBitBtn* BitBtn9 = nullptr;
    TBitBtn* BitBtn10 = nullptr;
    TImageList* iconeb = nullptr;
    TOpenDialog* frontDialog = nullptr;
    TOpenDialog* rearDialog = nullptr;
    TFontDialog* FontDialogfront = nullptr;
    TFontDialog* FontDialogbande = nullptr;
    TFontDialog* FontDialogrear = nullptr;
    TColorDialog* ColorDialogfront = nullptr;
    TColorDialog* ColorDialogbande = nullptr;
    TColorDialog* ColorDialogrear = nullptr;

    explicit TForm1(TComponent* owner);
    ~TForm1() override;

    // What the window reaches outside itself, given by the editor that makes it: the
    // splash, the credits, and the print layout that keeps the printer set-up.
    struct TLinks {
        std::function<void()> showSplash;
        std::function<void()> showCredits;
        std::function<Tpreview*()> printLayout;
        // The same when it has been made; null before.
        std::function<Tpreview*()> madeLayout;
    };
    void SetLinks(TLinks links) { links_ = std::move(links); }

    // The cover being designed, and its design as it stands.
    TCoverDocument* Document() const { return document_; }
    const TCoverDesign& Design() const;

    Q_INVOKABLE void FormShow(TObject* Sender);
    // Gives the print layout's two cover pictures no size, as they are before a format
    // is chosen.
    void EmptyPrintPictures();
    Q_INVOKABLE void BitBtn3Click(TObject* Sender);
    Q_INVOKABLE void BitBtn4Click(TObject* Sender);

    // Formats and pictures
    Q_INVOKABLE void ComboBox1Change(TObject* Sender);
    Q_INVOKABLE void ComboBox2Change(TObject* Sender);
    Q_INVOKABLE void frontClick(TObject* Sender);
    Q_INVOKABLE void rearClick(TObject* Sender);

    // Composition: "Anteprima" and "Stampa"
    Q_INVOKABLE void BitBtn1Click(TObject* Sender);
    Q_INVOKABLE void BitBtn2Click(TObject* Sender);

    // Front text
    Q_INVOKABLE void RadioGroup1Click(TObject* Sender);
    Q_INVOKABLE void FronterigaChange(TObject* Sender);
    Q_INVOKABLE void ComboBox3Change(TObject* Sender);
    Q_INVOKABLE void ImagefronteMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift,
                                          int X, int Y);
    Q_INVOKABLE void Memo1Change(TObject* Sender);
    Q_INVOKABLE void BitBtn6Click(TObject* Sender);
    Q_INVOKABLE void FontDialogfrontApply(TObject* Sender, QWidget* Wnd);
    Q_INVOKABLE void BitBtn5Click(TObject* Sender);

    // Rear text
    Q_INVOKABLE void Edit1Change(TObject* Sender);
    Q_INVOKABLE void Edit2Change(TObject* Sender);
    Q_INVOKABLE void Memo2Change(TObject* Sender);
    Q_INVOKABLE void BitBtn10Click(TObject* Sender);
    Q_INVOKABLE void FontDialogbandeApply(TObject* Sender, QWidget* Wnd);
    Q_INVOKABLE void BitBtn9Click(TObject* Sender);
    Q_INVOKABLE void BitBtn8Click(TObject* Sender);
    Q_INVOKABLE void FontDialogrearApply(TObject* Sender, QWidget* Wnd);
    Q_INVOKABLE void BitBtn7Click(TObject* Sender);

    // Beside the specified controls, from context menus: how a cover's picture goes into
    // its frame, the crop of a filling picture dragged by (millimetres of the cover), the
    // cutting and folding aids, the rear text filled from a track list (a text file, a CUE
    // sheet or a folder of audio files) and fitted to the card. Each is one undoable step.
    void SetPictureFit(TCover cover, TPictureFit fit);
    void DragCrop(TCover cover, QPointF millimetres);
    void SetMarks(bool crop, bool fold);
    void SetFitRearText(bool fit);
    void FillRearText(const QString& trackList);

    // The sheet that "Anteprima" or "Stampa" composed last, while its report runs and
    // after, until the next one.
    Tpreview* LastSheet() const { return current_; }
    // The colour of the field of a text that does not fit its cover: a pale red.
    static constexpr TColor kNotFittingColour = 0xC0C0FF;

private:
    Tpreview* Layout() const;
    void RunSheet(TCoverOutput output);
    // A change of the document by the handler of control: the control that made it is not
    // written back while it shows the change.
    void Change(TControl* control, const std::function<void(TCoverDesign&)>& edit,
                const QString& what, TCoverField field = TCoverField::Other);
    // The controls show design; before is what they showed.
    void ShowDesign(const TCoverDesign& before, const TCoverDesign& design);
    void ShowFormats(const TCoverDesign& design);
    void ShowFits(const TCoverDesign& design);
    void ShowPictures();
    void ShowPicture(TCover cover);
    void PictureReady(const QString& file);
    // Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z reach the document from every control.
    void InstallUndoKeys();
    void InstallCoverMenus();
    // A drag on a format page's picture moves a filling picture's crop.
    bool DragsCrop(TCover cover, QEvent* event);

    TLinks links_;
    TCoverDocument* document_ = nullptr;
    std::unique_ptr<Tpreview> sheet_;
    Tpreview* current_ = nullptr;
    // The control whose handler is changing the document, and whether the controls are
    // being written (their own change handlers then do nothing).
    TControl* editing_ = nullptr;
    bool showing_ = false;
    // The captions the picture areas have when they show no picture.
    QString pictureCaption_, miniatureCaption_;
    // A picture the user has just chosen: its failure to read is told.
    QString chosen_[2];
    // The picture files shown, so that a picture is given to its controls once.
    QString shownFile_[2];
    TGraphic* shownGraphic_[2] = {nullptr, nullptr};
    // The last point of a crop drag on a format page, and whether the press became a drag
    // (it then opens no picture).
    QPoint dragFrom_[2];
    bool dragged_[2] = {false, false};
};
