#pragma once
// Helpers shared by the test programs.

#include <QImage>
#include <QString>
#include <gtest/gtest.h>
#include <memory>

// A file below tests/data.
QString TestData(const QString& relative);
// A fresh directory for one test's files, removed at exit.
QString TestTempDir();

// Counts pixels of image inside rect whose colour is within tolerance of c.
int CountPixels(const QImage& image, const QRect& rect, QRgb c, int tolerance = 60);
// The bounding box of pixels not within tolerance of the background colour.
QRect InkBox(const QImage& image, QRgb background = qRgb(255, 255, 255), int tolerance = 60);
// Largest per-channel difference between two images of the same size, ignoring up to
// `ignored` pixels (anti-aliasing noise); -1 when the sizes differ.
int ImageDifference(const QImage& a, const QImage& b, int* differing = nullptr, int threshold = 0);

void PrintTo(const QString& s, std::ostream* os);

// ---- Child processes ---------------------------------------------------------------------

// Work that a test has done in a child process: the test program started again with
// SLEEVANE_TEST_CHILD set to the body's name runs that body instead of the tests and exits
// with what it returns. Registered at static initialisation.
using TChildBody = int (*)();
bool RegisterChildBody(const char* name, TChildBody body);
// The body named by SLEEVANE_TEST_CHILD, or null when this run is no child.
TChildBody ChildBodyToRun();

// ---- Printing through the tests' own print server (started by build.sh test) ----------

// The queues of the tests' print server; empty when the tests run without one.
QString PdfQueue();     // writes PDF files into PrintOutputDir()
QString MarginsQueue(); // the same, with 600 dpi and unprintable margins of 100 x 120 px
QString ClosedQueue();  // refuses jobs
QString PrintOutputDir();
// Skips a test that needs the print server when none was started.
#define REQUIRE_PRINT_SERVER()                                                                     \
    do {                                                                                           \
        if (PdfQueue().isEmpty()) GTEST_SKIP() << "no print server: run through ./build.sh test";  \
    } while (0)

// The PDF file the queue made of the job with this title (letters and digits only),
// waited for until it is complete; empty when none came within the time.
QString WaitForQueueOutput(const QString& title, int timeoutMs = 60000);
// Pages of a PDF file as pdfinfo counts them; -1 when it cannot read the file.
int PdfPageCount(const QString& pdf);
// Page `page` (from 1) of a PDF file rendered by pdftoppm at dpi; null on failure.
QImage RenderPdfPage(const QString& pdf, int page, int dpi);
// A title no other test uses.
QString UniqueJobTitle(const char* stem);

// A print server that misbehaves, on a loopback port, served by a thread of its own. Silent
// takes connections and never sends a byte; AnswersOnce answers the first request it
// reads (a valid empty answer) and then reads on without answering again. It counts the
// connections it took and the requests it began to read. Lives as long as the object.
class SilentPrintServer {
public:
    enum class TMode { Silent, AnswersOnce };
    explicit SilentPrintServer(TMode mode = TMode::Silent);
    ~SilentPrintServer();
    SilentPrintServer(const SilentPrintServer&) = delete;
    SilentPrintServer& operator=(const SilentPrintServer&) = delete;
    // "127.0.0.1:PORT", for CUPS_SERVER; empty when no socket could be made.
    QString Address() const;
    // Stops serving, having taken every connection still waiting: the counts are then
    // final.
    void Stop();
    // What reached it so far.
    int Connections() const;
    int Requests() const;

private:
    struct TState;
    std::unique_ptr<TState> state_;
};
