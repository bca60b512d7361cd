#include "report/RpPrev.h"

#include <QDir>

#include "framework/core/Reader.h"
#include "framework/core/Resources.h"
#include "framework/widgets/Dialogs.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QLocale>

namespace {

// The virtual-key codes of the keys that turn pages.
constexpr uint16_t VK_ESCAPE = 0x1B, VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24;

void Inform(const QString& text) {
    if (Application)
        Application->MessageBox(text, Application->Title(), MB_OK | MB_ICONINFORMATION);
}

} // namespace

// ---- Export filters ---------------------------------------------------------------------

TRpExportFilterLibrary& TRpExportFilterLibrary::Instance() {
    static TRpExportFilterLibrary library;
    return library;
}

void TRpExportFilterLibrary::Register(const QString& description, const QString& extension,
                                      TRpExportFilterClass filterClass) {
    entries_.push_back({description, extension, std::move(filterClass)});
}

void TRpExportFilterLibrary::Unregister(const QString& extension) {
    std::erase_if(entries_, [&](const Entry& e) { return e.extension == extension; });
}

QString TRpExportFilterLibrary::SaveFilter() const {
    QString filter = LoadStr(RpRes::SReportFile) + QStringLiteral("(*.RPP)|*.RPP");
    for (const Entry& e : entries_)
        filter += QStringLiteral("|%1 (*.%2)|*.%2").arg(e.description, e.extension);
    return filter;
}

// ---- The window -------------------------------------------------------------------------

void RegisterPreviewClasses() {
    static const bool done = [] {
        RegisterComponentClass<TRpPreview>();
        RegisterComponentClass<TRpPreviewImage>();
        return true;
    }();
    (void)done;
}

TRpStandardPreview::TRpStandardPreview(TComponent* owner, TRpPrinter* printer) : TForm(owner) {
    RegisterPreviewClasses();
    ReadLayout(QStringLiteral("RpStandardPreview.layout"));
    reportPrinter_ = printer;
    HandleNeeded();
    Widget()->setWindowState(Widget()->windowState() | Qt::WindowMaximized);
    RpPreview->SetReportPrinter(printer);
    if (printer && !printer->Title().isEmpty()) SetCaption(printer->Title());
    shownProgress_ = 0;
    // Nothing has been done yet: 0 shows as no percent at all.
    RpPreviewProgressUpdate(this, 0);
    ZoomToWidth->SetDown(true);
    UpdateButtons();
}

TRpStandardPreview::~TRpStandardPreview() = default;

void TRpStandardPreview::Present() {
    Show();
    ShowPageInfo();
}

void TRpStandardPreview::ShowPageInfo() {
    const int pages = reportPrinter_ ? reportPrinter_->PagesBegun() : 0;
    StatusBar->Panels()->Items(1)->SetText(QStringLiteral("%1 %L2 %3 %L4")
                                               .arg(LoadStr(RpRes::SPage))
                                               .arg(RpPreview->PageNumber())
                                               .arg(LoadStr(RpRes::SOf))
                                               .arg(pages));
}

// Loading replaces the pages a pass is still drawing, and printing fetches pages while
// the user may press buttons: neither may start while the other runs.
void TRpStandardPreview::UpdateButtons() {
    const bool busy = !reportPrinter_ || reportPrinter_->Status() == stBusy;
    LoadReport->SetEnabled(!busy && !printing_ && !load_);
    Print->SetEnabled(!printing_ && !load_);
}

void TRpStandardPreview::FormCreate(TObject*) {
    // The window itself does not scroll; its preview control tracks the thumb.
}

void TRpStandardPreview::FormClose(TObject*, TCloseAction& Action) {
    if (load_) {
        // The load is given up; the window closes once its thread has ended.
        closeAfterLoading_ = true;
        load_->Cancel();
        Action = TFormEnums::caNone;
        return;
    }
    if (printing_) {
        // The printer is still fetching pages: it stops after this page, and the window
        // closes once it has.
        closeAfterPrinting_ = true;
        if (reportPrinter_) reportPrinter_->RequestCancel();
        Action = TFormEnums::caNone;
        return;
    }
    Action = TFormEnums::caFree;
    QPointer<TRpPrinter> printer = reportPrinter_;
    reportPrinter_ = nullptr;
    // The preview lets go of the printer before the report hears that it closed, since the
    // report may free the printer then.
    SafeCall([this] { RpPreview->SetReportPrinter(nullptr); });
    if (printer) printer->NotifyPreviewClosed();
}

void TRpStandardPreview::FormKeyDown(TObject*, uint16_t& Key, TShiftState Shift) {
    const bool ctrl = Shift == ssCtrl;
    switch (Key) {
    case VK_ESCAPE:
        CancelLoadClick(this);
        break;
    case VK_PRIOR:
        ctrl ? FirstPageClick(this) : PrevPageClick(this);
        break;
    case VK_NEXT:
        ctrl ? LastPageClick(this) : NextPageClick(this);
        break;
    case VK_END:
        LastPageClick(this);
        break;
    case VK_HOME:
        FirstPageClick(this);
        break;
    default:
        break;
    }
}

void TRpStandardPreview::FormResize(TObject*) {
    RpPreview->LayoutPage();
}

void TRpStandardPreview::ZoomToFitClick(TObject*) {
    if (Application) Application->ProcessMessages();
    RpPreview->ZoomToFitPage();
}

void TRpStandardPreview::ZoomTo100Click(TObject*) {
    if (Application) Application->ProcessMessages();
    RpPreview->SetZoom(100);
}

void TRpStandardPreview::ZoomToWidthClick(TObject*) {
    if (Application) Application->ProcessMessages();
    RpPreview->ZoomToPageWidth();
}

void TRpStandardPreview::FirstPageClick(TObject*) {
    RpPreview->SetPageNumber(1);
    ShowPageInfo();
}

void TRpStandardPreview::PrevPageClick(TObject*) {
    RpPreview->SetPageNumber(RpPreview->PageNumber() - 1);
    ShowPageInfo();
}

void TRpStandardPreview::NextPageClick(TObject*) {
    RpPreview->SetPageNumber(RpPreview->PageNumber() + 1);
    ShowPageInfo();
}

void TRpStandardPreview::LastPageClick(TObject*) {
    if (reportPrinter_) RpPreview->SetPageNumber(reportPrinter_->PagesBegun());
    ShowPageInfo();
}

void TRpStandardPreview::PrintClick(TObject*) {
    if (!reportPrinter_ || printing_ || load_) return;
    QPointer<TRpStandardPreview> self(this);
    QPointer<TRpPrinter> printer = reportPrinter_;
    printing_ = true;
    UpdateButtons();
    struct Done {
        QPointer<TRpStandardPreview>& window;
        ~Done() {
            if (!window) return;
            window->printing_ = false;
            window->UpdateButtons();
        }
    } done{self};
    printer->PrintKeptPages();
    if (self && closeAfterPrinting_) {
        closeAfterPrinting_ = false;
        printing_ = false;
        Close();
    }
}

void TRpStandardPreview::PrintSetupClick(TObject* Sender) {
    if (!reportPrinter_) return;
    // A copy: the set-up may make the report give the printer up.
    const TRpPrintSetupEvent handler = reportPrinter_->PrintSetupHandler;
    if (handler) handler(Sender);
}

void TRpStandardPreview::SaveClick(TObject*) {
    if (!reportPrinter_ || reportPrinter_->Status() != stFinished ||
        !reportPrinter_->PageStream()) {
        Inform(LoadStr(RpRes::SNothingToSave));
        return;
    }
    TSaveDialog dialog(Application);
    dialog.SetOptions(dialog.Options() | TDialogsEnums::ofOverwritePrompt);
    dialog.SetTitle(LoadStr(RpRes::SSaveReport));
    dialog.SetDefaultExt(QStringLiteral("RPP"));
    dialog.SetFilter(TRpExportFilterLibrary::Instance().SaveFilter());
    if (!dialog.Execute() || !reportPrinter_) return;
    if (dialog.FilterIndex() <= 1) {
        reportPrinter_->SaveToFile(dialog.FileName());
        return;
    }
    const TRpExportFilterLibrary& library = TRpExportFilterLibrary::Instance();
    const int entry = dialog.FilterIndex() - 2;
    if (entry >= library.Count()) return;
    std::unique_ptr<TRpExportFilter> filter = library.Items(entry).filterClass(dialog.FileName());
    const TRpExportEvent handler = reportPrinter_->ExportHandler;
    if (filter && handler) handler(filter.get());
}

void TRpStandardPreview::LoadClick(TObject*) {
    if (!reportPrinter_ || printing_ || load_ || reportPrinter_->Status() == stBusy) return;
    TOpenDialog dialog(Application);
    dialog.SetTitle(LoadStr(RpRes::SLoadReport));
    dialog.SetFilter(LoadStr(RpRes::SReportFile) + QStringLiteral(" (*.RPP)|*.RPP"));
    if (!dialog.Execute() || !reportPrinter_) return;
    // Only a file that is not there is told so here; a pipe, a device, a folder or a file
    // too large is refused by the load, with its name and why.
    if (!QFileInfo::exists(dialog.FileName())) {
        ShowMessage(LoadStr(RpRes::SFileDoesNotExist));
        return;
    }
    LoadFile(dialog.FileName());
}

// Reads the file on a thread of its own while the window goes on: it repaints, the status
// bar tells how far the read has come, and Cancel (or Esc) gives it up, which raises
// EAbort. The pages shown stay as they are until the whole file has been read and checked.
TRpReportFile TRpStandardPreview::ReadInBackground(const QString& fileName) {
    // Across the whole bar (the progress panel is too narrow for the file's name), which
    // shows its panels again however the load ends.
    const QString loading = LoadStr(RpRes::SLoadingReport).arg(QFileInfo(fileName).fileName());
    TStatusBar* bar = StatusBar;
    bar->SetSimpleText(loading);
    bar->SetSimplePanel(true);
    struct Restore {
        QPointer<TStatusBar> bar;
        ~Restore() {
            if (!bar) return;
            bar->SetSimplePanel(false);
            bar->SetSimpleText(QString());
        }
    } restore{bar};
    TRpReportFileLoad load(fileName);
    QEventLoop loop;
    connect(&load, &TRpReportFileLoad::Progress, &loop, [bar, loading](int percent) {
        bar->SetSimpleText(QStringLiteral("%1 %L2%").arg(loading).arg(percent));
    });
    connect(&load, &TRpReportFileLoad::Finished, &loop, &QEventLoop::quit);
    load_ = &load;
    UpdateButtons();
    CancelLoad->Show();
    loop.exec();
    load_ = nullptr;
    CancelLoad->Hide();
    UpdateButtons();
    if (closeAfterLoading_) {
        closeAfterLoading_ = false;
        Close();
        throw EAbort();
    }
    return load.TakeFile();
}

// Shows the loaded pages from the first; a file that is refused, or a load given up,
// leaves the pages shown before, and the message names the file.
void TRpStandardPreview::LoadFile(const QString& fileName) {
    QPointer<TRpPrinter> printer = reportPrinter_;
    try {
        TRpReportFile file = ReadInBackground(fileName);
        if (!printer) return;
        printer->TakeReportFile(std::move(file));
    } catch (const EAbort&) {
        return;
    } catch (const Exception& e) {
        throw ERpError(RpRes::SCannotLoadReport, QDir::toNativeSeparators(fileName), e.Message());
    }
    RpPreview->Image()->DropRenderedPages();
    RpPreview->ReapplyZoom();
    RpPreview->SetPageNumber(1);
    RpPreview->Image()->SetPageNumber(1);
    ShowPageInfo();
    UpdateButtons();
    // Loaded pages print as they are, on the printer already chosen.
    PrintSetup->SetEnabled(false);
}

void TRpStandardPreview::ExitClick(TObject*) {
    Close();
}

void TRpStandardPreview::CancelLoadClick(TObject*) {
    if (load_) load_->Cancel();
}

void TRpStandardPreview::RpPreviewPageAvailable(TObject*, int) {
    ShowPageInfo();
    UpdateButtons();
    // A pass that ended without announcing its 100 leaves no percent behind.
    if (reportPrinter_ && reportPrinter_->Status() == stFinished)
        RpPreviewProgressUpdate(this, 100);
}

void TRpStandardPreview::RpPreviewProgressUpdate(TObject*, int Progress) {
    TStatusPanel* panel = StatusBar->Panels()->Items(0);
    if (Progress >= shownProgress_ + 5) {
        panel->SetText(QLocale().toString(Progress) + QLatin1Char('%'));
        shownProgress_ = Progress;
    }
    if (Progress == 0 || Progress == 100) panel->SetText(QString());
}

// ---- The factory ------------------------------------------------------------------------

TForm* TRpStandardPreviewInterface::ShowPreview(TRpPrinter* printer) {
    auto* window = new TRpStandardPreview(Application, printer);
    window->Present();
    return window;
}

TForm* TRpStandardPreviewInterface::ShowPreviewModal(TRpPrinter* printer) {
    QPointer<TForm> window = new TRpStandardPreview(Application, printer);
    window->ShowModal();
    return window.data();
}

TRpPreviewInterfaceClass StandardPreviewInterfaceClass() {
    return [] { return std::make_unique<TRpStandardPreviewInterface>(); };
}
