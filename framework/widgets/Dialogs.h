#pragma once
// Common dialogs: open and save file, font (with an Apply button), colour. Each is a
// component of its window's layout; Execute shows the real dialog modally and returns
// true when the user confirmed it. While a dialog is open, ActiveDialog() is its Qt
// window, so that a test (or a helper) can fill it in and press its buttons.

#include "framework/graphics/Graphics.h"

#include <QDialog>
#include <QPointer>

class QWidget;
class QFileDialog;

class TDialogsEnums : public QObject {
    Q_OBJECT
public:
    enum TOpenOption {
        ofReadOnly = 1 << 0,
        ofOverwritePrompt = 1 << 1,
        ofHideReadOnly = 1 << 2,
        ofNoChangeDir = 1 << 3,
        ofShowHelp = 1 << 4,
        ofNoValidate = 1 << 5,
        ofAllowMultiSelect = 1 << 6,
        ofExtensionDifferent = 1 << 7,
        ofPathMustExist = 1 << 8,
        ofFileMustExist = 1 << 9,
        ofCreatePrompt = 1 << 10,
        ofShareAware = 1 << 11,
        ofNoReadOnlyReturn = 1 << 12,
        ofNoTestFileCreate = 1 << 13,
        ofNoNetworkButton = 1 << 14,
        ofNoLongNames = 1 << 15,
        ofOldStyleDialog = 1 << 16,
        ofNoDereferenceLinks = 1 << 17,
        ofEnableIncludeNotify = 1 << 18,
        ofEnableSizing = 1 << 19,
    };
    Q_DECLARE_FLAGS(TOpenOptions, TOpenOption)
    Q_FLAG(TOpenOptions)

    enum TFontDialogOption {
        fdAnsiOnly = 1 << 0,
        fdTrueTypeOnly = 1 << 1,
        fdEffects = 1 << 2,
        fdFixedPitchOnly = 1 << 3,
        fdForceFontExist = 1 << 4,
        fdNoFaceSel = 1 << 5,
        fdNoOEMFonts = 1 << 6,
        fdNoSimulations = 1 << 7,
        fdNoSizeSel = 1 << 8,
        fdNoStyleSel = 1 << 9,
        fdNoVectorFonts = 1 << 10,
        fdShowHelp = 1 << 11,
        fdWysiwyg = 1 << 12,
        fdLimitSize = 1 << 13,
        fdScalableOnly = 1 << 14,
        fdApplyButton = 1 << 15,
    };
    Q_DECLARE_FLAGS(TFontDialogOptions, TFontDialogOption)
    Q_FLAG(TFontDialogOptions)
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TDialogsEnums::TOpenOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(TDialogsEnums::TFontDialogOptions)
using TOpenOptions = TDialogsEnums::TOpenOptions;
using TFontDialogOptions = TDialogsEnums::TFontDialogOptions;

// Apply pressed in an open font dialog: (the dialog component, the dialog's window).
using TFDApplyEvent = std::function<void(TObject*, QWidget*)>;

class TCommonDialog : public TComponent {
    Q_OBJECT
public:
    explicit TCommonDialog(TComponent* owner);
    ~TCommonDialog() override;

    // Shows the dialog modally; true when the user confirmed it.
    virtual bool Execute() = 0;
    // The dialog window while Execute runs; null otherwise.
    QDialog* Dialog() const { return dialog_; }
    // The innermost dialog window open at the moment; null when none is.
    static QDialog* ActiveDialog();

    TNotifyEvent OnShow;
    TNotifyEvent OnClose;

protected:
    // Runs dialog modally, with OnShow and OnClose around it. The dialog is made on the
    // heap with the active window as its parent; that window may be freed while the dialog
    // is open, and Qt then frees the dialog with it: dialog is null afterwards, and the
    // result QDialog::Rejected. A dialog still there is the caller's to read and free.
    int RunModal(const QPointer<QDialog>& dialog);

private:
    QPointer<QDialog> dialog_;
};

// Turns the system's filter text "Name|pattern;pattern|Name|pattern" into Qt's name
// filters, "Name (pattern pattern)". Patterns match without regard to case, as the
// system's do. An entry without a pattern is dropped.
QStringList QtNameFilters(const QString& filter);
// The patterns of filter entry index (from 1), as written in the filter.
QStringList FilterPatterns(const QString& filter, int index);

// Choosing a file to open. FileName is kept between runs and offered again; the dialog
// starts in its folder, or in InitialDir when it names none. Of the Options,
// ofOverwritePrompt, ofAllowMultiSelect and ofFileMustExist change the dialog; the others
// are accepted from layouts and change nothing here.
class TOpenDialog : public TCommonDialog {
    Q_OBJECT
    Q_PROPERTY(QString DefaultExt READ DefaultExt WRITE SetDefaultExt)
    Q_PROPERTY(QString FileName READ FileName WRITE SetFileName)
    Q_PROPERTY(QString Filter READ Filter WRITE SetFilter)
    Q_PROPERTY(int FilterIndex READ FilterIndex WRITE SetFilterIndex)
    Q_PROPERTY(QString InitialDir READ InitialDir WRITE SetInitialDir)
    Q_PROPERTY(TDialogsEnums::TOpenOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(QString Title READ Title WRITE SetTitle)
public:
    explicit TOpenDialog(TComponent* owner);

    const QString& DefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const QString& s) { defaultExt_ = s; }
    const QString& FileName() const { return fileName_; }
    void SetFileName(const QString& s) { fileName_ = s; }
    const QString& Filter() const { return filter_; }
    void SetFilter(const QString& s) { filter_ = s; }
    // The chosen filter entry, counted from 1.
    int FilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int i) { filterIndex_ = i; }
    // Windows-style separators are taken as the folder separator.
    const QString& InitialDir() const { return initialDir_; }
    void SetInitialDir(const QString& s) { initialDir_ = s; }
    TOpenOptions Options() const { return options_; }
    void SetOptions(TOpenOptions o) { options_ = o; }
    const QString& Title() const { return title_; }
    void SetTitle(const QString& s) { title_ = s; }
    // With ofAllowMultiSelect, every name chosen.
    TStrings* Files() const { return files_; }

    bool Execute() override;

protected:
    virtual bool Saving() const { return false; }
    // The folder the dialog opens in.
    QString StartFolder() const;

private:
    QString defaultExt_;
    QString fileName_;
    QString filter_;
    int filterIndex_ = 1;
    QString initialDir_;
    TOpenOptions options_ = TDialogsEnums::ofHideReadOnly | TDialogsEnums::ofEnableSizing;
    QString title_;
    TStrings* files_;
};

// Choosing a file name to save under; with ofOverwritePrompt an existing file is only
// taken after the user agrees.
class TSaveDialog : public TOpenDialog {
    Q_OBJECT
public:
    using TOpenDialog::TOpenDialog;

protected:
    bool Saving() const override { return true; }
};

// Choosing a font: face, style, size, effects (strike-out, underline, colour) and a
// sample. OK and Cancel close the dialog; OK and Apply copy the choice into Font, and
// Apply (with fdApplyButton) runs OnApply while the dialog stays open. The dialog opens
// with Font, so it shows the font last chosen. Of the Options, fdEffects, fdApplyButton,
// fdLimitSize, fdNoFaceSel, fdNoStyleSel and fdNoSizeSel change the dialog; the others
// are accepted from layouts and change nothing here.
class TFontDialog : public TCommonDialog {
    Q_OBJECT
    Q_PROPERTY(TFont* Font READ Font)
    Q_PROPERTY(int MinFontSize READ MinFontSize WRITE SetMinFontSize)
    Q_PROPERTY(int MaxFontSize READ MaxFontSize WRITE SetMaxFontSize)
    Q_PROPERTY(TDialogsEnums::TFontDialogOptions Options READ Options WRITE SetOptions)
public:
    explicit TFontDialog(TComponent* owner);

    TFont* Font() const { return font_; }
    void SetFont(TFont* f) { font_->Assign(f); }
    // Used with fdLimitSize; 0 means no limit.
    int MinFontSize() const { return minFontSize_; }
    void SetMinFontSize(int v) { minFontSize_ = std::max(0, v); }
    int MaxFontSize() const { return maxFontSize_; }
    void SetMaxFontSize(int v) { maxFontSize_ = std::max(0, v); }
    TFontDialogOptions Options() const { return options_; }
    void SetOptions(TFontDialogOptions o) { options_ = o; }

    bool Execute() override;

    TFDApplyEvent OnApply;

    // The faces the dialog offers: the installed ones and those a layout may name that
    // stand for an installed face of the same width.
    static QStringList FaceNames();

private:
    TFont* font_;
    int minFontSize_ = 0;
    int maxFontSize_ = 0;
    TFontDialogOptions options_ = TDialogsEnums::fdEffects;
};

// Choosing a colour (black until the user picks one).
class TColorDialog : public TCommonDialog {
    Q_OBJECT
    Q_PROPERTY(int Color READ Color WRITE SetColor)
public:
    explicit TColorDialog(TComponent* owner);

    TColor Color() const { return color_; }
    void SetColor(TColor c) { color_ = c; }

    bool Execute() override;

private:
    TColor color_ = clBlack;
};
