#pragma once
// Report files: a page stream kept in a file, written whole or not at all, and checked
// record by record before any of its pages is shown.

#include "report/pagestore/RpPrntrPages.h"

#include <QString>
#include <memory>

// A report file open for reading: its stream and its page list, every record checked.
// The list is declared last, so it goes before the stream it reads.
struct TRpReportFile {
    std::unique_ptr<TRpStream> stream;
    std::unique_ptr<TRpPageList> pages;
};
// Opens a report file and checks its header and every record; raises EFOpenError when
// it cannot be opened and ERpError naming what does not fit.
TRpReportFile ReadReportFile(const QString& fileName);

// Writes a page stream into a report file. The file is replaced only once the new one is
// whole, so a failure leaves an earlier file as it was, and a file that is being read
// (a loaded report saved under its own name) keeps its pages. The header's page count is
// set to `pages`: a cancelled pass leaves the count of its first page there.
void WriteReportFile(TRpStream& stream, int pages, const QString& fileName);

// Paper detection of a loaded report: the paper size whose size in whole units of 4 mm
// the page has, pixels turned into 0.1 mm by dividing by `factor`; a later row of the
// paper table wins over an earlier one of the same size. False when none matches.
bool DetectPaperSize(int widthPixels, int heightPixels, long double factor, TRpPaperSize& size,
                     TPrinterOrientation& orientation);

