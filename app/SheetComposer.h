#pragma once
// The sheet composer: a cover design put onto a print layout made fresh for it, so that a
// design prints the same pages whatever was composed before it, in the editor, in a batch
// or in the tests. Nothing of an earlier composition reaches the next: every item starts
// from the layout as it is stored.

#include "app/CoverDesign.h"

#include <memory>
#include <vector>

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

// The sheet's texts. Each is kept inside its own cover: the front's on the front cover, the
// band texts and the central text on the rear card.
enum class TCoverText { FrontLine, FrontLines, LeftBand, RightBand, RearLines };

// The texts of a composed sheet that do not show whole inside their covers, in the order
// above; a text of a cover that is not there, or with nothing to say, always fits.
std::vector<TCoverText> TextsNotFitting(Tpreview& layout);
// The same for a design, composed for the check without its pictures; rearPoints, when
// given, takes the central text's size in the editor's points (smaller than the design's
// when it is made to fit).
std::vector<TCoverText> TextsNotFitting(const TCoverDesign& design, int* rearPoints = nullptr);
// What the editor calls a text: "la riga del fronte", ...; and in English, as the command
// line says it: "the front line", ...
QString CoverTextName(TCoverText text);
QString CoverTextEnglishName(TCoverText text);
// "Il testo non entra nella copertina e sarà tagliato: ..." naming every text given.
QString NotFittingMessage(const std::vector<TCoverText>& texts);
