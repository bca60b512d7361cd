// The records a report prints and the band-sequence controller that walks them: header,
// detail once per record, footer.
#include "report/RpReport.h"

#include "framework/widgets/Forms.h"

// ---- Records to print ------------------------------------------------------------------

TRpDataSet::~TRpDataSet() = default;

QVariant TRpMemoryDataSet::Field(const QString& name) const {
    if (current_ < 0 || Eof()) return {};
    return records_[static_cast<size_t>(current_)].value(name);
}

void TRpMemoryDataSet::Next() {
    if (!Eof()) ++current_;
}

void TRpMemoryDataSet::Prior() {
    if (current_ > 0) --current_;
}

// ---- The band-sequence controller ------------------------------------------------------

TRpCustomController::~TRpCustomController() = default;

void TRpCustomController::SetBands(TRpCustomBand* detail, TRpCustomBand* header,
                                   TRpCustomBand* footer) {
    detail_ = detail;
    header_ = header;
    footer_ = footer;
}

bool TRpCustomController::IsReportsOwn() const {
    return report_ && report_->Controller() == this;
}

void TRpCustomController::Unprepare() {
    if (detail_) detail_->SetController(nullptr);
}

void TRpCustomController::Execute() {
    if (!report_) return;
    const bool records = dataSet_ && dataSet_->Active();
    if (!records && !OnNeedData) {
        if (printIfEmpty_) PrintEmpty();
        return;
    }
    PrintRecords();
}

void TRpCustomController::PrintEmpty() {
    report_->EmitBand(header_);
    report_->EmitBand(detail_);
    report_->EmitBand(footer_);
}

// False once the pass is cancelled or has given up.
bool TRpCustomController::AllowedToGoOn() const {
    const TRpPrinter* printer = report_->RpPrinter();
    return !report_->CancelFlag() && !report_->Stopped() &&
           !(printer && printer->CancelRequested());
}

void TRpCustomController::PrintRecords() {
    TCustomReport* report = report_;
    bool more = true;
    bool printedEmpty = false;
    int recordCount = 1;
    if (dataSet_ && dataSet_->Active()) {
        dataSet_->First();
        more = !dataSet_->Eof();
        if (IsReportsOwn()) {
            const int count = dataSet_->RecordCount();
            recordCount = count < 0 ? 1 : count;
        }
        if (!more && printIfEmpty_) {
            PrintEmpty();
            printedEmpty = true;
        }
    } else {
        OnNeedData(report, more);
    }
    detailNumber_ = 0;
    if (detail_) detail_->SetController(this);
    if (more) {
        if (Application) Application->ProcessMessages();
        if (report->CancelFlag()) return;
        if (header_) {
            report->EmitBand(header_);
            report->SetHeaderLatch();
        }
        TRpCustomBand* columnHeader = report->FindBand(rbColumnHeader);
        if (report->PageNo() <= 1 && IsReportsOwn() && columnHeader) {
            report->EmitBand(columnHeader);
            report->SetHeaderLatch();
        }
    }
    while (more) {
        if (Application) Application->ProcessMessages();
        if (!AllowedToGoOn()) return;
        ++detailNumber_;
        report->EmitBand(detail_);
        more = NextRecord();
        if (dataSet_ && IsReportsOwn()) PostRecordProgress(recordCount);
    }
    // An empty data set printed once has had its footer already.
    if (!footer_ || printedEmpty || !AllowedToGoOn()) return;
    if (IsReportsOwn() && footer_->AlignToBottom()) report->pageFooterHeight_ = 0;
    report->EmitBand(footer_);
}

bool TRpCustomController::NextRecord() {
    if (dataSet_ && dataSet_->Active()) {
        dataSet_->Next();
        return !dataSet_->Eof();
    }
    bool more = false;
    if (OnNeedData) OnNeedData(report_, more);
    return more;
}

void TRpCustomController::PostRecordProgress(int recordCount) const {
    if (recordCount == 0 || !report_->RpPrinter()) return;
    report_->RpPrinter()->PostProgress(
        static_cast<int>(static_cast<int64_t>(detailNumber_) * 100 / recordCount));
}
