#include "app/CommandLine.h"

#include "app/CoverPictures.h"
#include "app/DesignFile.h"
#include "app/SheetComposer.h"
#include "app/Unit2.h"
#include "framework/core/Limits.h"
#include "framework/core/Translations.h"
#include "framework/printing/Printers.h"
#include "framework/widgets/Forms.h"
#include "imaging/jpeg.h"

#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <sys/stat.h>

namespace {

TCommandLine Wrong(const QString& error) {
    TCommandLine line;
    line.mode = TCommandLine::TMode::Usage;
    line.error = error;
    return line;
}

void Say(const QString& message) {
    std::fprintf(stderr, "sleevane: %s\n", message.simplified().toLocal8Bit().constData());
}

} // namespace

TCommandLine ParseCommandLine(const QStringList& arguments) {
    bool print = false, pdf = false, help = false, optionsEnded = false;
    bool printerGiven = false, copiesGiven = false;
    QString printer, copies;
    QStringList positional;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (optionsEnded || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
            positional << a;
            continue;
        }
        // An option's value follows it, or comes after '='.
        auto value = [&](const QString& name, QString& out) {
            if (a.startsWith(name + QLatin1Char('='))) {
                out = a.mid(name.size() + 1);
                return true;
            }
            if (a != name) return false;
            if (i + 1 >= arguments.size()) return false;
            out = arguments[++i];
            return true;
        };
        if (a == QLatin1String("--")) {
            optionsEnded = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            help = true;
        } else if (a == QLatin1String("--print")) {
            print = true;
        } else if (a == QLatin1String("--pdf")) {
            pdf = true;
        } else if (a == QLatin1String("--printer") || a.startsWith(QLatin1String("--printer="))) {
            if (!value(QStringLiteral("--printer"), printer))
                return Wrong(Translate("CommandLine", "--printer needs a printer's name"));
            printerGiven = true;
        } else if (a == QLatin1String("--copies") || a.startsWith(QLatin1String("--copies="))) {
            if (!value(QStringLiteral("--copies"), copies))
                return Wrong(Translate("CommandLine", "--copies needs a number"));
            copiesGiven = true;
        } else {
            return Wrong(Translate("CommandLine", "unknown option %1").arg(a));
        }
    }
    TCommandLine line;
    if (help) {
        line.mode = TCommandLine::TMode::Help;
        return line;
    }
    if (print && pdf)
        return Wrong(Translate("CommandLine", "--print and --pdf do not go together"));
    if (!print && (printerGiven || copiesGiven))
        return Wrong(Translate("CommandLine", "--printer and --copies go with --print"));
    if (pdf) {
        if (positional.size() != 2)
            return Wrong(
                Translate("CommandLine", "--pdf takes one design and the PDF file to write"));
        line.mode = TCommandLine::TMode::Pdf;
        line.designs = {positional[0]};
        line.output = positional[1];
        return line;
    }
    if (print) {
        if (positional.isEmpty())
            return Wrong(Translate("CommandLine", "--print needs a design to print"));
        if (copiesGiven) {
            bool ok = false;
            line.copies = copies.toInt(&ok);
            if (!ok || line.copies < 1 || line.copies > kMaxPrintCopies)
                return Wrong(
                    Translate("CommandLine", "--copies takes a number from 1 to %1, not %2")
                        .arg(kMaxPrintCopies)
                        .arg(copies));
        }
        if (printerGiven && printer.isEmpty())
            return Wrong(Translate("CommandLine", "--printer needs a printer's name"));
        if (printer == TPrinter::PdfPrinterName())
            return Wrong(Translate("CommandLine",
                                   "--print prints on a print queue; --pdf writes a PDF file"));
        line.mode = TCommandLine::TMode::Print;
        line.designs = positional;
        line.printer = printer;
        return line;
    }
    if (positional.size() > 1)
        return Wrong(Translate("CommandLine", "the editor opens one design at a time"));
    line.designs = positional;
    return line;
}

QString UsageText() {
    return Translate(
               "CommandLine",
               "Usage: sleevane [DESIGN]\n"
               "       sleevane --print DESIGN... [--printer NAME] [--copies N]\n"
               "       sleevane --pdf DESIGN OUT.pdf\n"
               "       sleevane --help\n"
               "\n"
               "Designs and prints the inserts of a compact-disc case.\n"
               "\n"
               "  DESIGN                open the cover design DESIGN (.sleevane) in the editor\n"
               "  --print DESIGN...     print each design on its A4 sheet, one after the other,\n"
               "                        without opening a window\n"
               "  --printer NAME        print on the print queue NAME instead of the default one\n"
               "  --copies N            print N copies of each sheet (1 to %1)\n"
               "  --pdf DESIGN OUT.pdf  write the sheet of DESIGN to the PDF file OUT.pdf, "
               "without\n"
               "                        opening a window\n"
               "  -h, --help            show this help\n"
               "\n"
               "Exit status: 0 when everything was done; 1 when a design cannot be read, a\n"
               "picture is missing, the printer is unknown or a print job fails (one line on\n"
               "standard error for each); 2 for wrong usage.\n")
        .arg(kMaxPrintCopies);
}

bool PrintsWithoutWindow(const TCommandLine& line) {
    return line.mode == TCommandLine::TMode::Print || line.mode == TCommandLine::TMode::Pdf;
}

void PrepareWindowlessRun() {
    SetExceptionSink([](const Exception& e) { Say(e.Message()); });
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Our own line per failure is what the user reads; Qt's notes about the platform,
    // fonts and printers are not for them.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtFatalMsg) return;
        Say(text);
        std::abort();
    });
}

void KeepErrorsOffWindows() {
    SetExceptionSink([](const Exception& e) { Say(e.Message()); });
    if (Application)
        Application->OnException = [](TObject*, const Exception& e) { Say(e.Message()); };
    SetOutputFileQuestion(nullptr);
    SetReplaceQuestion(nullptr);
}
namespace {

// True when both names are one file (the same path, or links to one file).
bool SameFile(const QString& a, const QString& b) {
    struct stat sa {
    }, sb{};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 ||
        ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// The error hook and the PDF file question of a run, put back however the run ends: none
// outlives what it writes to.
struct TRunHooks {
    std::function<void(TObject*, const Exception&)> exception =
        Application ? Application->OnException : nullptr;
    TOutputFileQuestion question;
    ~TRunHooks() {
        if (Application) Application->OnException = exception;
        SetOutputFileQuestion(question);
    }
};

} // namespace

int RunPrintJobs(const TCommandLine& line) {
    const bool pdf = line.mode == TCommandLine::TMode::Pdf;
    const QString output = pdf ? QFileInfo(line.output).absoluteFilePath() : QString();
    // The PDF file replaces what it is told to: never one of the designs.
    for (const QString& design : line.designs)
        if (pdf && SameFile(design, output)) {
            Say(Translate("CommandLine",
                          "%1: the PDF file would replace the design itself; name another")
                    .arg(line.output));
            return 1;
        }
    if (!pdf && !line.printer.isEmpty()) {
        // Only the queues: the PDF file printer is not one.
        const TPrinter printers;
        if (!printers.Printers().contains(line.printer) ||
            line.printer == TPrinter::PdfPrinterName()) {
            Say(Translate("CommandLine", "unknown printer %1").arg(line.printer));
            return 1;
        }
    }

    // No window is made: each design is composed on a print layout of its own, which takes
    // the printer chosen here.
    RegisterJPEGFormats();
    Tpreview layout(nullptr);
    TCustomReport* report = layout.Report1;
    report->SetShowProgress(false);
    // Sheets carry the pictures' bytes: nothing here shows their pixels.
    TCoverPictures pictures(nullptr, TCoverPictures::TJpegPixels::LeftCompressed);
    // By name, never by place in a list: a queue gone since it was named is an error of
    // the job, not a job on another queue. The PDF file printer never asks the print
    // server anything.
    TReportPrinterSettings* settings = report->PrinterSettings();
    if (pdf)
        settings->SetPrinterName(TPrinter::PdfPrinterName());
    else
        settings->SetPrinterName(line.printer); // empty: the default queue
    settings->SetPrinterIndex(-1);
    settings->SetCopies(line.copies);

    // What went wrong with the design in hand; errors caught inside the pass come here too.
    QStringList problems;
    TRunHooks hooks;
    if (Application)
        Application->OnException = [&](TObject*, const Exception& e) { problems << e.Message(); };
    hooks.question = SetOutputFileQuestion([&](const QString&) -> std::optional<QString> {
        if (pdf) return output;
        problems << Translate("CommandLine",
                              "there is no print queue to print on (--pdf writes a PDF file)");
        return std::nullopt;
    });

    int failed = 0;
    for (const QString& design : line.designs) {
        problems.clear();
        QString failure;
        try {
            // The queue lists the job under the design's name.
            const std::unique_ptr<Tpreview> sheet =
                ComposeSheet(ReadDesignFile(design), TCoverOutput::Print,
                             QFileInfo(design).completeBaseName(), &pictures);
            CarryReportSetUp(*report, *sheet->Report1);
            // Told on one line; the sheet prints with the text cut at its cover.
            if (const std::vector<TCoverText> cut = TextsNotFitting(*sheet); !cut.empty()) {
                QStringList names;
                for (TCoverText t : cut)
                    names << CoverTextEnglishName(t);
                Say(QStringLiteral("%1: %2 does not fit its cover and is cut")
                        .arg(design, names.join(QStringLiteral(", "))));
            }
            sheet->Report1->PrintReport();
        } catch (const EDesignFile& e) {
            failure = e.Message();
        } catch (const ECoverPictures& e) {
            // Every picture that is missing, each on a line of its own.
            for (const QString& problem : e.Problems())
                Say(QStringLiteral("%1: %2").arg(design, problem));
            ++failed;
            continue;
        } catch (const EAbort&) {
            if (problems.isEmpty())
                problems << Translate("CommandLine", "the print job was abandoned");
        } catch (const Exception& e) {
            problems.prepend(e.Message());
        } catch (const std::bad_alloc&) {
            problems.prepend(Translate("CommandLine", "out of memory"));
        } catch (const std::exception& e) {
            problems.prepend(QString::fromLocal8Bit(e.what()));
        }
        if (failure.isEmpty() && !problems.isEmpty())
            failure = QStringLiteral("%1: %2").arg(design, problems.constFirst());
        if (failure.isEmpty()) continue;
        ++failed;
        Say(failure);
    }
    return failed ? 1 : 0;
}
