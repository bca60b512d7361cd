#pragma once
// Report files: a page stream kept in a file, written whole or not at all, and checked
// record by record before any of its pages is shown.

#include "report/pagestore/RpPrntrPages.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <exception>
#include <memory>
#include <thread>

// A report file open for reading: its stream and its page list, every record checked.
// The list is declared last, so it goes before the stream it reads.
struct TRpReportFile {
    std::unique_ptr<TRpStream> stream;
    std::unique_ptr<TRpPageList> pages;
};
// Opens a report file and checks its header and every record; raises EFOpenError when
// it cannot be opened and ERpError naming what does not fit.
TRpReportFile ReadReportFile(const QString& fileName);

// A report file read and checked as ReadReportFile does, on a thread of its own, so that
// the program's thread stays free to repaint and to hear a cancel meanwhile. The thread
// touches nothing but the new stream and page list, which are handed over only once it
// has ended; the signals come on the thread that made the load.
class TRpReportFileLoad : public QObject {
    Q_OBJECT
public:
    // Opens the file at once (EFOpenError when it cannot) and starts reading it.
    explicit TRpReportFileLoad(const QString& fileName, QObject* parent = nullptr);
    // Gives the read up and waits for its thread.
    ~TRpReportFileLoad() override;

    // The read stops at its next step; it then ends with EAbort.
    void Cancel() { cancel_ = true; }
    bool Running() const { return !ended_; }
    // Once Finished: the file, checked whole; or raises what stopped the read.
    TRpReportFile TakeFile();

signals:
    // Percent of the file read so far, each value once.
    void Progress(int percent);
    void Finished();

private:
    void Run();

    TRpReportFile file_;
    std::exception_ptr failure_;
    std::atomic<bool> cancel_{false};
    int percent_ = -1; // the worker's own
    bool ended_ = false;
    std::thread thread_;
};

// Writes a page stream into a report file. The file is replaced only once the new one is
// whole, so a failure leaves an earlier file as it was, and a file that is being read
// (a loaded report saved under its own name) keeps its pages. The header's page count is
// set to `pages`: a cancelled pass leaves the count of its first page there. Any failure
// (a full disk, a write error, a page stream that cannot be read) raises EFWriteError
// naming the file.
void WriteReportFile(TRpStream& stream, int pages, const QString& fileName);

// Paper detection of a loaded report: the paper size whose size in whole units of 4 mm
// the page has, pixels turned into 0.1 mm by dividing by `factor`; a later row of the
// paper table wins over an earlier one of the same size. False when none matches.
bool DetectPaperSize(int widthPixels, int heightPixels, long double factor, TRpPaperSize& size,
                     TPrinterOrientation& orientation);

