// rpptool: report files from the command line. Shows what a file holds, draws a page into
// a picture, writes every page into a PDF file, writes the pages again compressed or not,
// and prints them on a printer. Exit codes: 0 done (for print: the job was handed to the
// printer), 1 the input could not be used or the printer refused (one line on stderr says
// why), 2 wrong usage.

#include "framework/core/Limits.h"
#include "framework/core/ToolMessages.h"
#include "framework/core/Translations.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Metafile.h"
#include "framework/graphics/PdfJpeg.h"
#include "framework/printing/Printers.h"
#include "report/pagestore/RpPrntrFile.h"
#include "report/pagestore/RpUnits.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>
#include <cstdio>
#include <new>

namespace {

const char* const kUsage = QT_TRANSLATE_NOOP(
    "rpptool",
    "usage: rpptool COMMAND FILE ...\n"
    "  info FILE                      pages, compression, detected paper, page sizes\n"
    "  render FILE PAGE OUT.png [--dpi N]\n"
    "                                 draws page PAGE (from 1) at N dots per inch (96)\n"
    "  pdf FILE OUT.pdf               every page at its own size, at full resolution\n"
    "  pack FILE OUT                  the same pages with compressed page records\n"
    "  unpack FILE OUT                the same pages with plain page records\n"
    "  print FILE [--printer NAME] [--copies N] [--pages A-B]\n"
    "                                 prints the pages on a print queue (the default one\n"
    "                                 without --printer), N copies (1), pages A to B\n"
    "  --verbose                      (anywhere) also counts the notes of Qt's left out\n"
    "  --help                         this text\n"
    "exit status: 0 done (print: the job was handed to the printer); 1 the file cannot be\n"
    "read, the printer is unknown or refused the job, or an output cannot be written;\n"
    "2 wrong usage\n");

// The usage in the user's language.
QByteArray Usage() {
    return Translate("rpptool", QString::fromUtf8(kUsage)).toLocal8Bit();
}

// A command line the tool does not understand.
struct UsageError {
    QString message;
};

// Input the tool cannot use: a file that is not there or not a report file, a page that
// does not exist, an output that cannot be written.
struct InputError {
    QString message;
};

int ToInt(const QString& text, const char* what) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok) throw UsageError{Translate("rpptool", "%1 is not a number: %2").arg(what, text)};
    return v;
}

void Out(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
}

// The file's pages, read straight from the page store: nothing here needs a printer.
TRpReportFile Load(const QString& fileName) {
    return ReadReportFile(fileName);
}

int PageCount(const TRpReportFile& file) {
    return file.pages->StoredPages();
}

// Page n of the file; a page whose metafile does not load is named in the message.
std::unique_ptr<TMetafile> Page(TRpReportFile& file, int n) {
    if (n < 1 || n > PageCount(file))
        throw InputError{Translate("rpptool", "the file has no page %1 (it has %2)")
                             .arg(n)
                             .arg(PageCount(file))};
    try {
        std::unique_ptr<TMetafile> page = file.pages->FetchPage(n);
        if (!page) throw InputError{Translate("rpptool", "page %1 cannot be read").arg(n)};
        return page;
    } catch (const EInvalidGraphic& e) {
        throw InputError{QStringLiteral("page %1: %2").arg(n).arg(e.Message())};
    }
}

QString PaperDescription(TRpReportFile& file) {
    if (PageCount(file) == 0) return QStringLiteral("none (no pages)");
    const std::unique_ptr<TMetafile> first = Page(file, 1);
    TRpPaperSize size;
    TPrinterOrientation orientation;
    const long double factor = kRpPagePixelsPerTenth;
    if (!DetectPaperSize(first->Width(), first->Height(), factor, size, orientation))
        return QStringLiteral("none matches");
    return QStringLiteral("%1, %2").arg(PaperSizeName(size), orientation == poPortrait
                                                                 ? QStringLiteral("portrait")
                                                                 : QStringLiteral("landscape"));
}

int Info(const QStringList& args) {
    if (args.size() != 1) throw UsageError{Translate("rpptool", "info takes one file")};
    TRpReportFile file = Load(args[0]);
    Out(QStringLiteral("pages: %1").arg(PageCount(file)));
    Out(QStringLiteral("compressed: %1").arg(file.pages->Compressed() ? "yes" : "no"));
    Out(QStringLiteral("paper: %1").arg(PaperDescription(file)));
    for (int n = 1; n <= PageCount(file); ++n) {
        const std::unique_ptr<TMetafile> page = Page(file, n);
        Out(QStringLiteral("page %1: %2 x %3 pixels, %4 x %5 mm")
                .arg(n)
                .arg(page->Width())
                .arg(page->Height())
                .arg(page->MMWidth() / 100.0, 0, 'f', 1)
                .arg(page->MMHeight() / 100.0, 0, 'f', 1));
    }
    return 0;
}

// Pixels of a length given in 0.01 mm at a resolution.
int Pixels(int hundredthsOfMm, int dpi) {
    return std::max(1, RoundInt(hundredthsOfMm / 2540.0L * dpi));
}

int Render(const QStringList& args) {
    QStringList rest = args;
    int dpi = 96;
    const int at = rest.indexOf(QStringLiteral("--dpi"));
    if (at >= 0) {
        if (at + 1 >= rest.size()) throw UsageError{Translate("rpptool", "--dpi needs a number")};
        dpi = ToInt(rest[at + 1], "--dpi");
        rest.remove(at, 2);
    }
    if (rest.size() != 3) throw UsageError{Translate("rpptool", "render takes FILE PAGE OUT.png")};
    if (dpi < 1 || dpi > 2400) throw UsageError{Translate("rpptool", "--dpi must be 1 to 2400")};
    const int n = ToInt(rest[1], "PAGE");
    TRpReportFile file = Load(rest[0]);
    const std::unique_ptr<TMetafile> page = Page(file, n);
    const int w = Pixels(page->MMWidth(), dpi), h = Pixels(page->MMHeight(), dpi);
    if (int64_t(w) * h > kMaxRenderPixels || w > kMaxRenderSide || h > kMaxRenderSide)
        throw InputError{
            Translate("rpptool", "%1 x %2 pixels is too large a picture").arg(w).arg(h)};
    QImage image(w, h, QImage::Format_RGB32);
    if (image.isNull()) throw InputError{Translate("rpptool", "no memory for the picture")};
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        page->Play(painter, QRectF(0, 0, w, h));
    }
    image.setDotsPerMeterX(RoundInt(dpi / 0.0254L));
    image.setDotsPerMeterY(RoundInt(dpi / 0.0254L));
    if (!image.save(rest[2], "PNG"))
        throw InputError{Translate("rpptool", "cannot write %1").arg(rest[2])};
    return 0;
}

int Pdf(const QStringList& args) {
    if (args.size() != 2) throw UsageError{Translate("rpptool", "pdf takes FILE OUT.pdf")};
    TRpReportFile file = Load(args[0]);
    if (PageCount(file) == 0) throw InputError{Translate("rpptool", "the file has no pages")};
    QPdfWriter writer(args[1]);
    writer.setCreator(QStringLiteral("rpptool"));
    writer.setTitle(QFileInfo(args[0]).completeBaseName());
    // Fine enough that no coordinate of a page is rounded away; pictures keep their own
    // pixels whatever this is.
    writer.setResolution(1200);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    // JPEG pictures of the pages go into the file as their own bytes.
    TPdfJpegPass jpegs(&writer);
    QPainter painter;
    for (int n = 1; n <= PageCount(file); ++n) {
        const std::unique_ptr<TMetafile> page = Page(file, n);
        const QSizeF mm(page->MMWidth() / 100.0, page->MMHeight() / 100.0);
        writer.setPageSize(QPageSize(mm, QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
        if (n == 1) {
            if (!painter.begin(&writer))
                throw InputError{Translate("rpptool", "cannot write %1").arg(args[1])};
        } else if (!writer.newPage()) {
            throw InputError{Translate("rpptool", "cannot write %1").arg(args[1])};
        }
        const QRect target = painter.viewport();
        page->Play(painter, QRectF(target));
    }
    if (!painter.end()) throw InputError{Translate("rpptool", "cannot write %1").arg(args[1])};
    try {
        jpegs.Finish(args[1]);
    } catch (const TPdfJpegError& e) {
        throw InputError{
            Translate("rpptool", "cannot write %1: %2").arg(args[1], QString::fromUtf8(e.what()))};
    }
    return 0;
}

// The pages written anew, their records compressed or not.
int Repack(const QStringList& args, bool compressed) {
    if (args.size() != 2)
        throw UsageError{
            Translate("rpptool", "%1 takes FILE OUT").arg(compressed ? "pack" : "unpack")};
    TRpReportFile file = Load(args[0]);
    TRpStream stream;
    TRpPageList pages;
    pages.SetPageStream(&stream);
    pages.SetCompressed(compressed);
    for (int n = 1; n <= PageCount(file); ++n)
        pages.AppendPage(*Page(file, n));
    pages.WriteHeader();
    WriteReportFile(stream, pages.StoredPages(), args[1]);
    pages.SetPageStream(nullptr);
    return 0;
}

// Takes "--name VALUE" out of the arguments; empty when it is not there.
QString TakeOption(QStringList& args, const QString& name) {
    const int at = args.indexOf(name);
    if (at < 0) return {};
    if (at + 1 >= args.size() || args[at + 1].isEmpty())
        throw UsageError{Translate("rpptool", "%1 needs a value").arg(name)};
    const QString value = args[at + 1];
    args.remove(at, 2);
    if (args.contains(name)) throw UsageError{Translate("rpptool", "%1 given twice").arg(name)};
    return value;
}

// "A-B" or "A", pages from 1.
std::pair<int, int> PageRange(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('-'));
    if (parts.size() > 2) throw UsageError{Translate("rpptool", "--pages takes A-B: %1").arg(text)};
    const int first = ToInt(parts[0], "--pages");
    const int last = parts.size() == 2 ? ToInt(parts[1], "--pages") : first;
    if (first < 1 || last < first)
        throw UsageError{Translate("rpptool", "--pages needs 1 <= A <= B: %1").arg(text)};
    return {first, last};
}

int Print(const QStringList& args) {
    QStringList rest = args;
    const QString printerName = TakeOption(rest, QStringLiteral("--printer"));
    const QString copiesText = TakeOption(rest, QStringLiteral("--copies"));
    const QString pagesText = TakeOption(rest, QStringLiteral("--pages"));
    if (rest.size() != 1 || rest[0].startsWith(QLatin1String("--")))
        throw UsageError{Translate("rpptool", "print takes FILE [--printer NAME] [--copies N] "
                                              "[--pages A-B]")};
    int copies = 1;
    if (!copiesText.isEmpty()) {
        copies = ToInt(copiesText, "--copies");
        if (copies < 1 || copies > kMaxPrintCopies)
            throw UsageError{Translate("rpptool", "--copies must be 1 to %1").arg(kMaxPrintCopies)};
    }
    std::pair<int, int> range{0, 0};
    if (!pagesText.isEmpty()) range = PageRange(pagesText);

    TRpReportFile file = Load(rest[0]);
    const int pages = PageCount(file);
    if (pages == 0) throw InputError{Translate("rpptool", "the file has no pages")};
    if (range.first > pages)
        throw InputError{Translate("rpptool", "the file has no page %1 (it has %2)")
                             .arg(range.first)
                             .arg(pages)};
    const int first = std::max(1, range.first);
    const int last = range.second > 0 ? std::min(range.second, pages) : pages;

    TPrinter printer; // on the system's default printer
    if (!printerName.isEmpty()) printer.SetPrinterName(printerName);
    // The tool asks nothing: the PDF file printer has no file to write to.
    if (printer.IsPdfPrinter())
        throw InputError{Translate("rpptool", "%1 is not a print queue; name one with --printer")
                             .arg(TPrinter::PdfPrinterName())};
    TDeviceMode mode = printer.DeviceMode();
    mode.dmFields |= DM_COPIES | DM_ORIENTATION;
    mode.dmCopies = copies;
    // The paper the pages were drawn on, when the printer offers it.
    {
        const std::unique_ptr<TMetafile> page = Page(file, first);
        TRpPaperSize size;
        TPrinterOrientation orientation;
        if (DetectPaperSize(page->Width(), page->Height(), ScreenPixelsPerInch() / 254.0L, size,
                            orientation)) {
            const int code = PaperInfo(size).code;
            if ((mode.dmFields & DM_PAPERSIZE) && printer.PaperCodes().contains(code))
                mode.dmPaperSize = code;
            mode.dmOrientation =
                orientation == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
        }
    }
    printer.SetDeviceMode(mode);
    printer.SetTitle(QFileInfo(rest[0]).completeBaseName());
    printer.BeginDoc();
    // Any failure drops the job whole: nothing half printed reaches the queue.
    struct DropJob {
        TPrinter& printer;
        ~DropJob() {
            if (printer.Printing()) printer.Abort();
        }
    } drop{printer};
    const QPoint offset = printer.PrintingOffset();
    const long double dpi = printer.Resolution();
    for (int n = first; n <= last; ++n) {
        if (n > first) printer.NewPage();
        const std::unique_ptr<TMetafile> page = Page(file, n);
        // At its own size from the paper's corner; the canvas starts at the printable area.
        const QRect where(-offset.x(), -offset.y(), RoundInt(page->MMWidth() / 2540.0L * dpi),
                          RoundInt(page->MMHeight() / 2540.0L * dpi));
        printer.Canvas()->StretchDraw(where, page.get());
    }
    printer.EndDoc();
    return 0;
}

int Run(const QStringList& args) {
    if (args.isEmpty()) throw UsageError{Translate("rpptool", "no command given")};
    const QString command = args[0];
    const QStringList rest = args.mid(1);
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        std::fputs(Usage().constData(), stdout);
        return 0;
    }
    if (command == QLatin1String("info")) return Info(rest);
    if (command == QLatin1String("render")) return Render(rest);
    if (command == QLatin1String("pdf")) return Pdf(rest);
    if (command == QLatin1String("pack")) return Repack(rest, true);
    if (command == QLatin1String("unpack")) return Repack(rest, false);
    if (command == QLatin1String("print")) return Print(rest);
    throw UsageError{Translate("rpptool", "unknown command %1").arg(command)};
}

} // namespace

int main(int argc, char** argv) {
    // The tool shows no window: it draws offscreen unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own notes (a missing runtime folder, fonts) are no business of the tool's user,
    // whose scripts read one line on failure.
    InstallToolMessageFilter("rpptool");
    QGuiApplication app(argc, argv);
    InstallFontSubstitutes();
    RegisterMetafileFormats();
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool verbose = args.removeAll(QStringLiteral("--verbose")) > 0;
    int rc = 0;
    try {
        rc = Run(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "rpptool: %s\n%s", qPrintable(e.message), Usage().constData());
        rc = 2;
    } catch (const InputError& e) {
        std::fprintf(stderr, "rpptool: %s\n", qPrintable(e.message));
        rc = 1;
    } catch (const Exception& e) {
        std::fprintf(stderr, "rpptool: %s\n", qPrintable(e.Message()));
        rc = 1;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "rpptool: %s\n", qPrintable(Translate("rpptool", "out of memory")));
        rc = 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rpptool: %s\n", e.what());
        rc = 1;
    }
    if (verbose && DroppedToolMessages() > 0)
        std::fprintf(stderr, "rpptool: %s\n", qPrintable(DroppedToolMessagesSummary()));
    return rc;
}
