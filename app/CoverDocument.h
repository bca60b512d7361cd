#pragma once
// The cover being designed: its design value, the file it was opened from or saved to,
// whether it differs from that file, and the history of its changes for undo and redo.
// The main window's handlers change it and its controls show it; every change is told.

#include "app/CoverDesign.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

class TCoverPictures;

// What a change touched. Typing into one field is one step until another is touched.
enum class TCoverField {
    Other,
    FrontLine,
    FrontLines,
    LeftBand,
    RightBand,
    RearLines,
    FrontCrop,
    RearCrop,
};

class TCoverDocument : public QObject {
    Q_OBJECT
public:
    explicit TCoverDocument(QObject* parent = nullptr);
    ~TCoverDocument() override;

    const TCoverDesign& Design() const { return design_; }
    // The design file the cover was last opened from or saved to; empty before.
    const QString& FileName() const { return file_; }
    // The cover differs from the one last opened or saved (from the empty cover before):
    // undoing back to that one clears it.
    bool Modified() const { return !history_.isClean(); }

    // A change made by the user, undoable; one equal to the design is no change.
    void Change(const TCoverDesign& next, const QString& what,
                TCoverField field = TCoverField::Other);
    // A design opened from a file: it replaces the cover, with a history of its own.
    void Reset(const TCoverDesign& design, const QString& file);
    // The cover was written to file: it is the saved state now.
    void MarkSaved(const QString& file);

    void Undo() { history_.undo(); }
    void Redo() { history_.redo(); }
    QUndoStack* History() { return &history_; }

    // The pictures of the cover, read once and shared by the window and the sheets.
    TCoverPictures* Pictures() const { return pictures_; }

signals:
    // The design is now after; before is what it was.
    void DesignChanged(const TCoverDesign& before, const TCoverDesign& after);
    // A design opened: the window shows all of it anew.
    void DesignReset(const TCoverDesign& design);
    void FileNameChanged(const QString& file);
    void ModifiedChanged(bool modified);

private:
    class TStep;
    void Set(const TCoverDesign& design);

    TCoverDesign design_;
    QString file_;
    QUndoStack history_;
    TCoverPictures* pictures_;
    // Raised at every save, so that typing after it starts a step of its own.
    int generation_ = 0;
};
