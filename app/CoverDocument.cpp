#include "app/CoverDocument.h"

#include "app/CoverPictures.h"

#include <QUndoCommand>
#include <utility>

// One change: the design before and after. Typing into the field of the step on top of the
// history, since the last save, makes that step longer rather than adding one.
class TCoverDocument::TStep : public QUndoCommand {
public:
    TStep(TCoverDocument* document, TCoverDesign before, TCoverDesign after, const QString& what,
          TCoverField field)
        : QUndoCommand(what), document_(document), before_(std::move(before)),
          after_(std::move(after)), field_(field), generation_(document->generation_) {}

    void undo() override { document_->Set(before_); }
    void redo() override { document_->Set(after_); }
    int id() const override { return field_ == TCoverField::Other ? -1 : static_cast<int>(field_); }
    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = static_cast<const TStep*>(other);
        if (next->field_ != field_ || next->generation_ != generation_) return false;
        after_ = next->after_;
        // Typed back to where it started: the step is gone.
        if (after_ == before_) setObsolete(true);
        return true;
    }

private:
    TCoverDocument* document_;
    TCoverDesign before_, after_;
    TCoverField field_;
    int generation_;
};

TCoverDocument::TCoverDocument(QObject* parent)
    : QObject(parent), pictures_(new TCoverPictures(this)) {
    // The history is kept for the whole session.
    history_.setUndoLimit(0);
    connect(&history_, &QUndoStack::cleanChanged, this,
            [this](bool clean) { emit ModifiedChanged(!clean); });
}

TCoverDocument::~TCoverDocument() {
    // The steps refer to the document: they go first, without telling anyone.
    history_.blockSignals(true);
    history_.clear();
}

void TCoverDocument::Set(const TCoverDesign& design) {
    if (design == design_) return;
    const TCoverDesign before = std::exchange(design_, design);
    emit DesignChanged(before, design_);
}

void TCoverDocument::Change(const TCoverDesign& next, const QString& what, TCoverField field) {
    if (next == design_) return;
    history_.push(new TStep(this, design_, next, what, field));
}

void TCoverDocument::Reset(const TCoverDesign& design, const QString& file) {
    // Clearing the history makes it clean, which is told.
    history_.clear();
    design_ = design;
    emit DesignReset(design_);
    if (file != file_) {
        file_ = file;
        emit FileNameChanged(file_);
    }
}

void TCoverDocument::MarkSaved(const QString& file) {
    ++generation_;
    history_.setClean();
    if (file != file_) {
        file_ = file;
        emit FileNameChanged(file_);
    }
}
