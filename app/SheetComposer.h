#pragma once
// The sheet composer: a cover design put onto a print layout made fresh for it, so that a
// design prints the same pages whatever was composed before it, in the editor, in a batch
// or in the tests. Nothing of an earlier composition reaches the next: every item starts
// from the layout as it is stored.

#include "app/CoverDesign.h"

#include <memory>

class Tpreview;
class TCoverPictures;
class TCustomReport;

enum class TCoverOutput { Preview, Print };

// A design whose pictures cannot be read: one line per picture, each naming the cover
// and the file.
class ECoverPictures : public Exception {
public:
    explicit ECoverPictures(QStringList problems);
    const QStringList& Problems() const { return problems_; }

private:
    QStringList problems_;
};

// What the report of a composed sheet takes from the one kept between compositions: the
// printer set-up, the progress window's showing and the preview's handler.
void CarryReportSetUp(const TCustomReport& from, TCustomReport& to);
// The printer set-up chosen while a sheet's report ran, kept for the next sheet.
void KeepPrinterSetUp(const TCustomReport& from, TCustomReport& to);

// Gives the cover items of the layout's report the sizes of a format, each cover's own.
void SizeFrontCover(Tpreview& layout, TFrontFormat format);
void SizeRearCover(Tpreview& layout, TRearFormat format);

// A fresh print layout with design composed onto it; its report is ready to run. The
// title names the print job (the design's name). Pictures come from pictures when given,
// else they are read from their files. Fails before making anything for a format that is
// none of the three, and with ECoverPictures, naming every one, for pictures that cannot
// be read.
std::unique_ptr<Tpreview> ComposeSheet(const TCoverDesign& design, TCoverOutput output,
                                       const QString& title = QString(),
                                       TCoverPictures* pictures = nullptr);
