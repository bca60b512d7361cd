#include "app/CommandLine.h"

#include "app/CoverPictures.h"
#include "app/DesignFile.h"
#include "app/SheetComposer.h"
#include "app/Unit2.h"
#include "framework/core/Limits.h"
#include "framework/graphics/Printers.h"
#include "framework/widgets/Forms.h"
#include "imaging/jpeg.h"

#include <QFileInfo>
#include <cstdio>
#include <cstdlib>

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
                return Wrong(QStringLiteral("--printer needs a printer's name"));
            printerGiven = true;
        } else if (a == QLatin1String("--copies") || a.startsWith(QLatin1String("--copies="))) {
            if (!value(QStringLiteral("--copies"), copies))
                return Wrong(QStringLiteral("--copies needs a number"));
            copiesGiven = true;
        } else {
            return Wrong(QStringLiteral("unknown option %1").arg(a));
        }
    }
    TCommandLine line;
    if (help) {
        line.mode = TCommandLine::TMode::Help;
        return line;
    }
    if (print && pdf) return Wrong(QStringLiteral("--print and --pdf do not go together"));
    if (!print && (printerGiven || copiesGiven))
        return Wrong(QStringLiteral("--printer and --copies go with --print"));
    if (pdf) {
        if (positional.size() != 2)
            return Wrong(QStringLiteral("--pdf takes one design and the PDF file to write"));
        line.mode = TCommandLine::TMode::Pdf;
        line.designs = {positional[0]};
        line.output = positional[1];
        return line;
    }
    if (print) {
        if (positional.isEmpty()) return Wrong(QStringLiteral("--print needs a design to print"));
        if (copiesGiven) {
            bool ok = false;
            line.copies = copies.toInt(&ok);
            if (!ok || line.copies < 1 || line.copies > kMaxPrintCopies)
                return Wrong(QStringLiteral("--copies takes a number from 1 to %1, not %2")
                                 .arg(kMaxPrintCopies)
                                 .arg(copies));
        }
        if (printerGiven && printer.isEmpty())
            return Wrong(QStringLiteral("--printer needs a printer's name"));
        if (printer == TPrinter::PdfPrinterName())
            return Wrong(
                QStringLiteral("--print prints on a print queue; --pdf writes a PDF file"));
        line.mode = TCommandLine::TMode::Print;
        line.designs = positional;
        line.printer = printer;
        return line;
    }
    if (positional.size() > 1)
        return Wrong(QStringLiteral("the editor opens one design at a time"));
    line.designs = positional;
    return line;
}

QString UsageText() {
    return QStringLiteral(
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
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Our own line per failure is what the user reads; Qt's notes about the platform,
    // fonts and printers are not for them.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtFatalMsg) return;
        Say(text);
        std::abort();
    });
}

int RunPrintJobs(const TCommandLine& line) {
    // No window is made: each design is composed on a print layout of its own, which takes
    // the printer chosen here.
    RegisterJPEGFormats();
    Tpreview settings(nullptr);
    TCustomReport* report = settings.Report1;
    report->SetShowProgress(false);
    TCoverPictures pictures;
    const bool pdf = line.mode == TCommandLine::TMode::Pdf;

    TPrinter printers;
    int index = -1;
    if (pdf) {
        index = static_cast<int>(printers.Printers().indexOf(TPrinter::PdfPrinterName()));
    } else if (!line.printer.isEmpty()) {
        index = static_cast<int>(printers.Printers().indexOf(line.printer));
        if (index < 0) {
            Say(QStringLiteral("unknown printer %1").arg(line.printer));
            return 1;
        }
    }
    report->PrinterSettings()->SetPrinterIndex(index);
    report->PrinterSettings()->SetCopies(line.copies);

    // What went wrong with the design in hand; errors caught inside the pass come here too.
    QStringList problems;
    Application->OnException = [&](TObject*, const Exception& e) { problems << e.Message(); };
    const QString output = pdf ? QFileInfo(line.output).absoluteFilePath() : QString();
    const TOutputFileQuestion question =
        SetOutputFileQuestion([&](const QString&) -> std::optional<QString> {
            if (pdf) return output;
            problems << QStringLiteral(
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
            if (problems.isEmpty()) problems << QStringLiteral("the print job was abandoned");
        } catch (const Exception& e) {
            problems.prepend(e.Message());
        }
        if (failure.isEmpty() && !problems.isEmpty())
            failure = QStringLiteral("%1: %2").arg(design, problems.constFirst());
        if (failure.isEmpty()) continue;
        ++failed;
        Say(failure);
    }
    SetOutputFileQuestion(question);
    Application->OnException = nullptr;
    return failed ? 1 : 0;
}
