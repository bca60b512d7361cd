#pragma once
// The records a report prints and the band-sequence controller that walks them.

#include "report/RpReportBands.h"

#include <QPointer>
#include <QVariant>
#include <functional>
#include <vector>

class TCustomReport;

// ---- Records to print ------------------------------------------------------------------

// What the band-sequence controller needs of a data set.
class TRpDataSet {
public:
    virtual ~TRpDataSet();
    virtual bool Active() const = 0;
    virtual void First() = 0;
    virtual void Next() = 0;
    virtual void Prior() = 0;
    virtual bool Eof() const = 0;
    // Number of records; negative when it cannot be told.
    virtual int RecordCount() const = 0;
};

// Records held in memory: one map of field values per record.
class TRpMemoryDataSet : public TRpDataSet {
public:
    TRpMemoryDataSet() = default;
    explicit TRpMemoryDataSet(std::vector<QVariantMap> records) : records_(std::move(records)) {}

    void Append(const QVariantMap& record) { records_.push_back(record); }
    void SetActive(bool a) { active_ = a; }
    // The value of a field of the current record; invalid past the end.
    QVariant Field(const QString& name) const;
    int RecNo() const { return current_; }

    bool Active() const override { return active_; }
    void First() override { current_ = 0; }
    void Next() override;
    void Prior() override;
    bool Eof() const override { return current_ >= static_cast<int>(records_.size()); }
    int RecordCount() const override { return static_cast<int>(records_.size()); }

private:
    std::vector<QVariantMap> records_;
    int current_ = 0;
    bool active_ = true;
};

using TRpOnNeedDataEvent = std::function<void(TObject*, bool&)>;

// Prints the header band, the detail band once per record (or once for a report without
// records when PrintIfEmpty), and the footer band.
class TRpCustomController {
public:
    explicit TRpCustomController(TCustomReport* report) : report_(report) {}
    virtual ~TRpCustomController();

    TCustomReport* Report() const { return report_; }
    TRpCustomBand* DetailBand() const { return detail_; }
    TRpCustomBand* HeaderBand() const { return header_; }
    TRpCustomBand* FooterBand() const { return footer_; }
    void SetBands(TRpCustomBand* detail, TRpCustomBand* header, TRpCustomBand* footer);
    TRpDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TRpDataSet* d) { dataSet_ = d; }
    bool PrintIfEmpty() const { return printIfEmpty_; }
    void SetPrintIfEmpty(bool v) { printIfEmpty_ = v; }
    int DetailNumber() const { return detailNumber_; }

    virtual void Prepare() {}
    virtual void Unprepare();
    virtual void Execute();
    // Aggregates of the expression environment would follow the records here.
    virtual void NotifyClients() {}

    TRpOnNeedDataEvent OnNeedData;

protected:
    void PrintEmpty();
    void PrintRecords();
    bool NextRecord();

private:
    bool IsReportsOwn() const;
    bool AllowedToGoOn() const;
    void PostRecordProgress(int recordCount) const;
    TCustomReport* report_;
    QPointer<TRpCustomBand> detail_, header_, footer_;
    TRpDataSet* dataSet_ = nullptr;
    bool printIfEmpty_ = true;
    int detailNumber_ = 0;
};

class TRpController : public TRpCustomController {
public:
    using TRpCustomController::TRpCustomController;
};
