#include "framework/widgets/Dialogs.h"

#include "framework/widgets/Controls.h"
#include "framework/core/Limits.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

std::vector<QPointer<QDialog>>& OpenDialogs() {
    static std::vector<QPointer<QDialog>> dialogs;
    return dialogs;
}

QWidget* DialogParent() {
    if (QWidget* w = QApplication::activeModalWidget()) return w;
    return QApplication::activeWindow();
}

} // namespace

// ---- TCommonDialog ---------------------------------------------------------------------

TCommonDialog::TCommonDialog(TComponent* owner) : TComponent(owner) {
    RegisterEvent("OnShow", OnShow);
    RegisterEvent("OnClose", OnClose);
}

TCommonDialog::~TCommonDialog() {
    // An open dialog ends as cancelled; Execute returns without touching this component.
    if (dialog_) dialog_->reject();
}

QDialog* TCommonDialog::ActiveDialog() {
    auto& open = OpenDialogs();
    std::erase_if(open, [](const QPointer<QDialog>& d) { return !d; });
    return open.empty() ? nullptr : open.back().data();
}

int TCommonDialog::RunModal(const QPointer<QDialog>& dialog) {
    // The component too may go while its dialog is open (with the window that owns it).
    const QPointer<TCommonDialog> self(this);
    dialog_ = dialog;
    OpenDialogs().push_back(dialog);
    struct Closing {
        const QPointer<TCommonDialog>& self;
        const QPointer<QDialog>& dialog;
        ~Closing() {
            std::erase_if(OpenDialogs(),
                          [this](const QPointer<QDialog>& d) { return !d || d == dialog; });
            if (self) self->dialog_ = nullptr;
        }
    } closing{self, dialog};
    Notify(OnShow, this);
    const int result = dialog->exec();
    if (!self) return QDialog::Rejected;
    Notify(OnClose, this);
    return dialog ? result : QDialog::Rejected;
}

namespace {

// A dialog made on the heap, freed when this goes unless its parent window took it first.
template <class D> class THeapDialog {
public:
    explicit THeapDialog(D* d) : dialog_(d) {}
    ~THeapDialog() { delete dialog_.data(); }
    THeapDialog(const THeapDialog&) = delete;
    THeapDialog& operator=(const THeapDialog&) = delete;
    D* operator->() const { return dialog_.data(); }
    explicit operator bool() const { return !dialog_.isNull(); }
    QPointer<QDialog> Pointer() const { return QPointer<QDialog>(dialog_.data()); }

private:
    QPointer<D> dialog_;
};

} // namespace

// ---- File dialogs ----------------------------------------------------------------------

namespace {

// "*.jpg" matching "PHOTO.JPG" too: every letter becomes a set of both cases.
QString CaseFreePattern(const QString& pattern) {
    if (pattern == QLatin1String("*.*")) return QStringLiteral("*");
    QString out;
    for (QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            out += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
        else
            out += c;
    }
    return out;
}

} // namespace

QStringList FilterPatterns(const QString& filter, int index) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    const qsizetype at = 2 * static_cast<qsizetype>(index - 1) + 1;
    if (index < 1 || at >= parts.size()) return {};
    QStringList patterns;
    for (const QString& p : parts[at].split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!p.trimmed().isEmpty()) patterns << p.trimmed();
    return patterns;
}

QStringList QtNameFilters(const QString& filter) {
    QStringList filters;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : FilterPatterns(filter, static_cast<int>(i / 2 + 1)))
            patterns << CaseFreePattern(p);
        if (patterns.isEmpty()) continue;
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(QLatin1Char(' ')));
    }
    return filters;
}

TOpenDialog::TOpenDialog(TComponent* owner) : TCommonDialog(owner), files_(new TStrings(this)) {}

QString TOpenDialog::StartFolder() const {
    if (!fileName_.isEmpty()) {
        const QFileInfo info(fileName_);
        if (fileName_.contains(QLatin1Char('/')) && info.absoluteDir().exists())
            return info.absolutePath();
    }
    QString dir = initialDir_;
    dir.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!dir.isEmpty() && QDir(dir).exists()) return QDir(dir).absolutePath();
    return QDir::currentPath();
}

bool TOpenDialog::Execute() {
    const THeapDialog<QFileDialog> dialog(new QFileDialog(DialogParent()));
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    // The list shows the filter names as the layout gives them.
    dialog->setOption(QFileDialog::HideNameFilterDetails, true);
    dialog->setWindowTitle(!title_.isEmpty() ? title_
                           : Saving()        ? QCoreApplication::translate("TOpenDialog", "Save As")
                                             : QCoreApplication::translate("TOpenDialog", "Open"));
    dialog->setAcceptMode(Saving() ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (Saving()) {
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setOption(QFileDialog::DontConfirmOverwrite,
                          !(options_ & TDialogsEnums::ofOverwritePrompt));
    } else if (options_ & TDialogsEnums::ofAllowMultiSelect) {
        dialog->setFileMode(QFileDialog::ExistingFiles);
    } else if (options_ & TDialogsEnums::ofFileMustExist) {
        dialog->setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog->setFileMode(QFileDialog::AnyFile);
    }
    const QStringList filters = QtNameFilters(filter_);
    if (!filters.isEmpty()) {
        dialog->setNameFilters(filters);
        dialog->selectNameFilter(
            filters.value(std::clamp(filterIndex_, 1, static_cast<int>(filters.size())) - 1));
    }
    QString ext = defaultExt_;
    if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
    dialog->setDefaultSuffix(ext);
    dialog->setDirectory(StartFolder());
    if (!fileName_.isEmpty()) dialog->selectFile(QFileInfo(fileName_).fileName());

    if (RunModal(dialog.Pointer()) != QDialog::Accepted || !dialog) return false;
    QStringList names;
    for (QString f : dialog->selectedFiles()) {
        // A name typed without extension gets the default one, unless it names a file.
        const QFileInfo info(f);
        if (!ext.isEmpty() && info.suffix().isEmpty() && !info.exists())
            f += QLatin1Char('.') + ext;
        names << QDir::toNativeSeparators(f);
    }
    if (names.isEmpty()) return false;
    fileName_ = names.first();
    files_->SetList(names);
    // The dialog reports the chosen filter by its full text or, with details hidden, by
    // its name alone.
    const QString used = dialog->selectedNameFilter();
    for (qsizetype i = 0; i < filters.size(); ++i)
        if (used == filters[i] ||
            used == filters[i].left(filters[i].lastIndexOf(QLatin1String(" (")))) {
            filterIndex_ = static_cast<int>(i) + 1;
            break;
        }
    return true;
}

// ---- Font dialog -----------------------------------------------------------------------

namespace {

struct NamedColor {
    const char* name;
    TColor color;
};

constexpr NamedColor kFontColors[] = {
    {QT_TRANSLATE_NOOP("TFontDialog", "Black"), clBlack},   {QT_TRANSLATE_NOOP("TFontDialog", "Maroon"), clMaroon},   {QT_TRANSLATE_NOOP("TFontDialog", "Green"), clGreen}, {QT_TRANSLATE_NOOP("TFontDialog", "Olive"), clOlive},
    {QT_TRANSLATE_NOOP("TFontDialog", "Navy"), clNavy},     {QT_TRANSLATE_NOOP("TFontDialog", "Purple"), clPurple},   {QT_TRANSLATE_NOOP("TFontDialog", "Teal"), clTeal},   {QT_TRANSLATE_NOOP("TFontDialog", "Gray"), clGray},
    {QT_TRANSLATE_NOOP("TFontDialog", "Silver"), clSilver}, {QT_TRANSLATE_NOOP("TFontDialog", "Red"), clRed},         {QT_TRANSLATE_NOOP("TFontDialog", "Lime"), clLime},   {QT_TRANSLATE_NOOP("TFontDialog", "Yellow"), clYellow},
    {QT_TRANSLATE_NOOP("TFontDialog", "Blue"), clBlue},     {QT_TRANSLATE_NOOP("TFontDialog", "Fuchsia"), clFuchsia}, {QT_TRANSLATE_NOOP("TFontDialog", "Aqua"), clAqua},   {QT_TRANSLATE_NOOP("TFontDialog", "White"), clWhite},
};

const int kFontSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

QIcon Swatch(TColor c) {
    QPixmap pm(24, 12);
    pm.fill(ToQColor(c));
    return QIcon(pm);
}

QLabel* Caption(const QString& text, QWidget* buddy, const char* name) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    label->setObjectName(QLatin1String(name));
    return label;
}

// The window of the font dialog. Its controls carry object names so that tests and
// helpers can find them: faceEdit, faceList, styleList, sizeEdit, sizeList, strikeOut,
// underline, colorCombo, sample, and the buttons okButton, cancelButton, applyButton.
class TFontDialogWindow : public QDialog {
public:
    TFontDialogWindow(TFontDialog* owner, QWidget* parent) : QDialog(parent), owner_(owner) {
        setWindowTitle(QCoreApplication::translate("TFontDialog", "Font"));
        const TFontDialogOptions options = owner->Options();
        auto* grid = new QGridLayout;
        face_ = Named(new QLineEdit, "faceEdit");
        style_ = Named(new QLineEdit, "styleEdit");
        style_->setReadOnly(true);
        size_ = Named(new QLineEdit, "sizeEdit");
        // Each caption's marked letter takes the focus to its box.
        grid->addWidget(Caption(QCoreApplication::translate("TFontDialog", "&Font:"), face_, "faceLabel"), 0, 0);
        grid->addWidget(Caption(QCoreApplication::translate("TFontDialog", "Font st&yle:"), style_, "styleLabel"), 0, 1);
        grid->addWidget(Caption(QCoreApplication::translate("TFontDialog", "&Size:"), size_, "sizeLabel"), 0, 2);
        faceList_ = Named(new QListWidget, "faceList");
        styleList_ = Named(new QListWidget, "styleList");
        sizeList_ = Named(new QListWidget, "sizeList");
        grid->addWidget(face_, 1, 0);
        grid->addWidget(style_, 1, 1);
        grid->addWidget(size_, 1, 2);
        grid->addWidget(faceList_, 2, 0);
        grid->addWidget(styleList_, 2, 1);
        grid->addWidget(sizeList_, 2, 2);
        grid->setColumnStretch(0, 3);
        grid->setColumnStretch(1, 2);
        grid->setColumnStretch(2, 1);

        faceList_->addItems(TFontDialog::FaceNames());
        styleList_->addItems({QCoreApplication::translate("TFontDialog", "Regular"), QCoreApplication::translate("TFontDialog", "Italic"),
                              QCoreApplication::translate("TFontDialog", "Bold"), QCoreApplication::translate("TFontDialog", "Bold Italic")});
        for (int s : kFontSizes) {
            const int min = options & TDialogsEnums::fdLimitSize ? owner->MinFontSize() : 0;
            const int max = options & TDialogsEnums::fdLimitSize ? owner->MaxFontSize() : 0;
            if ((min > 0 && s < min) || (max > 0 && s > max)) continue;
            sizeList_->addItem(QString::number(s));
        }

        auto* effects = Named(new QGroupBox(QCoreApplication::translate("TFontDialog", "Effects")), "effects");
        auto* effectsLayout = new QVBoxLayout(effects);
        strike_ = Named(new QCheckBox(QCoreApplication::translate("TFontDialog", "Stri&keout")), "strikeOut");
        underline_ = Named(new QCheckBox(QCoreApplication::translate("TFontDialog", "&Underline")), "underline");
        color_ = Named(new QComboBox, "colorCombo");
        for (const NamedColor& c : kFontColors)
            color_->addItem(Swatch(c.color), QCoreApplication::translate("TFontDialog", c.name),
                            c.color);
        effectsLayout->addWidget(strike_);
        effectsLayout->addWidget(underline_);
        effectsLayout->addWidget(Caption(QCoreApplication::translate("TFontDialog", "&Color:"), color_, "colorLabel"));
        effectsLayout->addWidget(color_);
        effects->setVisible(options & TDialogsEnums::fdEffects);

        auto* sampleBox = new QGroupBox(QCoreApplication::translate("TFontDialog", "Sample"));
        auto* sampleLayout = new QVBoxLayout(sampleBox);
        sample_ = Named(new QLabel(QStringLiteral("AaBbYyZz")), "sample");
        sample_->setAlignment(Qt::AlignCenter);
        sample_->setMinimumSize(160, 48);
        sampleLayout->addWidget(sample_);
        grid->addWidget(effects, 3, 0);
        grid->addWidget(sampleBox, 3, 1, 1, 2);

        auto* buttons = new QDialogButtonBox(Qt::Vertical);
        QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
        QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
        QPushButton* apply = buttons->addButton(QDialogButtonBox::Apply);
        ok->setObjectName(QStringLiteral("okButton"));
        cancel->setObjectName(QStringLiteral("cancelButton"));
        apply->setObjectName(QStringLiteral("applyButton"));
        apply->setVisible(options & TDialogsEnums::fdApplyButton);
        auto* outer = new QHBoxLayout(this);
        outer->addLayout(grid, 1);
        outer->addWidget(buttons);

        Show(*owner->Font(), options);

        // Every reaction runs guarded: these are calls from Qt into our code.
        connect(faceList_, &QListWidget::currentTextChanged, this, [this](const QString& t) {
            SafeCall([&] {
                const QSignalBlocker block(face_);
                face_->setText(t);
                UpdateSample();
            });
        });
        connect(face_, &QLineEdit::textEdited, this, [this](const QString& t) {
            SafeCall([&] {
                SelectMatching(faceList_, t, false);
                UpdateSample();
            });
        });
        connect(styleList_, &QListWidget::currentTextChanged, this, [this](const QString& t) {
            SafeCall([&] {
                style_->setText(t);
                UpdateSample();
            });
        });
        connect(sizeList_, &QListWidget::currentTextChanged, this, [this](const QString& t) {
            SafeCall([&] {
                const QSignalBlocker block(size_);
                size_->setText(t);
                UpdateSample();
            });
        });
        connect(size_, &QLineEdit::textEdited, this, [this](const QString& t) {
            SafeCall([&] {
                SelectMatching(sizeList_, t, true);
                UpdateSample();
            });
        });
        for (QCheckBox* box : {strike_, underline_})
            connect(box, &QCheckBox::toggled, this, [this] { SafeCall([&] { UpdateSample(); }); });
        connect(color_, &QComboBox::currentIndexChanged, this,
                [this] { SafeCall([&] { UpdateSample(); }); });
        connect(ok, &QPushButton::clicked, this, [this] { SafeCall([&] { Confirm(); }); });
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        connect(apply, &QPushButton::clicked, this, [this] { SafeCall([&] { Apply(); }); });
        UpdateSample();
    }

private:
    template <class W> static W* Named(W* w, const char* name) {
        w->setObjectName(QLatin1String(name));
        return w;
    }

    static void SelectMatching(QListWidget* list, const QString& text, bool exact) {
        const QSignalBlocker block(list);
        for (int i = 0; i < list->count(); ++i) {
            const QString item = list->item(i)->text();
            if (exact ? item == text
                      : (!text.isEmpty() && item.startsWith(text, Qt::CaseInsensitive))) {
                list->setCurrentRow(i);
                list->scrollToItem(list->item(i));
                return;
            }
        }
        list->setCurrentRow(-1);
    }

    void Show(const TFont& font, TFontDialogOptions options) {
        if (!(options & TDialogsEnums::fdNoFaceSel)) {
            face_->setText(font.Name());
            const auto found = faceList_->findItems(font.Name(), Qt::MatchFixedString);
            if (!found.isEmpty()) {
                faceList_->setCurrentItem(found.first());
                faceList_->scrollToItem(found.first());
            }
        }
        if (!(options & TDialogsEnums::fdNoStyleSel)) {
            const int style = (font.HasStyle(fsBold) ? 2 : 0) + (font.HasStyle(fsItalic) ? 1 : 0);
            styleList_->setCurrentRow(style);
            style_->setText(styleList_->item(style)->text());
        }
        shownSize_ = font.Size();
        if (!(options & TDialogsEnums::fdNoSizeSel)) {
            size_->setText(QString::number(shownSize_));
            SelectMatching(sizeList_, size_->text(), true);
        }
        strike_->setChecked(font.HasStyle(fsStrikeOut));
        underline_->setChecked(font.HasStyle(fsUnderline));
        const TColor rgb = ColorToRGB(font.Color());
        int colorIndex = color_->findData(rgb);
        if (colorIndex < 0) {
            color_->addItem(Swatch(rgb), QCoreApplication::translate("TFontDialog", "Custom"), rgb);
            colorIndex = color_->count() - 1;
        }
        color_->setCurrentIndex(colorIndex);
        shownColorIndex_ = colorIndex;
        shown_.Assign(const_cast<TFont*>(&font));
    }

    // The font the dialog shows now; false (with the reason) when the size is unusable.
    bool Read(TFont& out, QString& error) const {
        out.Assign(const_cast<TFont*>(&shown_));
        const QString face = face_->text().trimmed();
        if (!face.isEmpty()) out.SetName(face);
        TFontStyles style;
        const int row = styleList_->currentRow();
        if (row < 0)
            style = shown_.Style() & (TFont::fsBold | TFont::fsItalic);
        else {
            if (row >= 2) style |= TFont::fsBold;
            if (row % 2 == 1) style |= TFont::fsItalic;
        }
        if (strike_->isChecked()) style |= TFont::fsStrikeOut;
        if (underline_->isChecked()) style |= TFont::fsUnderline;
        out.SetStyle(style);
        const QString sizeText = size_->text().trimmed();
        if (!sizeText.isEmpty()) {
            bool ok = false;
            const int size = sizeText.toInt(&ok);
            const TFontDialogOptions options = owner_ ? owner_->Options() : TFontDialogOptions();
            const int min =
                owner_ && (options & TDialogsEnums::fdLimitSize) ? owner_->MinFontSize() : 0;
            const int max =
                owner_ && (options & TDialogsEnums::fdLimitSize) ? owner_->MaxFontSize() : 0;
            if (!ok || size <= 0 || size > kMaxFontPoints) {
                error = QCoreApplication::translate("TFontDialog", "Size must be a number.");
                return false;
            }
            if ((min > 0 && size < min) || (max > 0 && size > max)) {
                error = QCoreApplication::translate("TFontDialog", "Size must be between %1 and %2 points.")
                            .arg(min)
                            .arg(max > 0 ? max : kMaxFontPoints);
                return false;
            }
            // An unchanged size keeps the exact pixel height the font came with.
            if (size != shownSize_) out.SetSize(size);
        }
        // The colour only changes when the user picked another one.
        if (color_->currentIndex() != shownColorIndex_ && color_->currentIndex() >= 0)
            out.SetColor(color_->currentData().toInt());
        return true;
    }

    bool Take() {
        TFont chosen;
        QString error;
        if (!Read(chosen, error)) {
            // On the heap: this window may be freed, with the box, while the box is open.
            const QPointer<QDialog> self(this);
            const THeapDialog<QMessageBox> box(
                new QMessageBox(QMessageBox::Warning, windowTitle(), error, QMessageBox::Ok, this));
            box->exec();
            if (!self) return false;
            size_->setFocus();
            size_->selectAll();
            return false;
        }
        if (owner_) owner_->Font()->Assign(&chosen);
        return true;
    }

    void Confirm() {
        if (Take()) accept();
    }

    void Apply() {
        if (!Take() || !owner_) return;
        if (owner_->OnApply) owner_->OnApply(owner_, this);
    }

    void UpdateSample() {
        TFont f;
        QString error;
        if (!Read(f, error)) return;
        sample_->setFont(QFontFromLogFont(f.GetLogFont()));
        QPalette pal = sample_->palette();
        pal.setColor(QPalette::WindowText, ToQColor(f.Color()));
        sample_->setPalette(pal);
    }

    QPointer<TFontDialog> owner_;
    QLineEdit* face_;
    QLineEdit* style_;
    QLineEdit* size_;
    QListWidget* faceList_;
    QListWidget* styleList_;
    QListWidget* sizeList_;
    QCheckBox* strike_;
    QCheckBox* underline_;
    QComboBox* color_;
    QLabel* sample_;
    TFont shown_;
    int shownSize_ = 0;
    int shownColorIndex_ = -1;
};

} // namespace

TFontDialog::TFontDialog(TComponent* owner) : TCommonDialog(owner), font_(new TFont(this)) {
    RegisterEvent("OnApply", OnApply);
}

QStringList TFontDialog::FaceNames() {
    QStringList faces;
    // Installed families; one that several foundries make is listed once, without them.
    for (QString family : QFontDatabase::families()) {
        const qsizetype foundry = family.indexOf(QLatin1String(" ["));
        if (foundry > 0) family.truncate(foundry);
        faces << family;
    }
    for (const QString& face : StandInFaces())
        if (!faces.contains(face, Qt::CaseInsensitive)) faces << face;
    std::sort(faces.begin(), faces.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    faces.removeDuplicates();
    return faces;
}

bool TFontDialog::Execute() {
    const THeapDialog<QDialog> window(new TFontDialogWindow(this, DialogParent()));
    return RunModal(window.Pointer()) == QDialog::Accepted;
}

// ---- Colour dialog ---------------------------------------------------------------------

TColorDialog::TColorDialog(TComponent* owner) : TCommonDialog(owner) {}

bool TColorDialog::Execute() {
    const THeapDialog<QColorDialog> dialog(new QColorDialog(ToQColor(color_), DialogParent()));
    dialog->setOption(QColorDialog::DontUseNativeDialog, true);
    if (RunModal(dialog.Pointer()) != QDialog::Accepted || !dialog) return false;
    color_ = FromQColor(dialog->selectedColor());
    return true;
}
