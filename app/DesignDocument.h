#pragma once
// The main window's cover kept in a design file: Ctrl+O opens one, Ctrl+S saves (asking
// for a name the first time), Ctrl+Shift+S saves under a new name; the title names the
// file and marks changes not yet saved, as the cover document tells them; closing with
// such changes asks whether to save; pictures and designs dropped on the window are taken
// in.

#include "app/CoverDesign.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class TForm1;
class TCoverDocument;
class TOpenDialog;
class TSaveDialog;

// Makes design the window's cover, opened from file, with the dialogs starting from its
// pictures and fonts. Its pictures are read meanwhile: one that cannot be read keeps its
// name in the design; the reasons are returned, one per picture.
QStringList ApplyDesign(TForm1& window, const TCoverDesign& design, const QString& file);

class TDesignDocument : public QObject {
    Q_OBJECT
public:
    explicit TDesignDocument(TForm1* window);
    ~TDesignDocument() override;

    // The design file the window's cover was last opened from or saved to; empty before.
    const QString& FileName() const;
    // The cover differs from the one last opened or saved (from the empty cover before).
    bool Modified() const;

    // Opens a design into the window. A design that cannot be read raises EDesignFile and
    // leaves the window as it was; pictures that cannot be read are told in one message.
    void Open(const QString& file);
    // Saves to the design's file, or asks for one; false when the user declined.
    bool Save();
    bool SaveAs();
    // Ctrl+O: asks whether to save changes, then for a design to open.
    void OpenWithDialog();
    // Asks whether to save unsaved changes ("Sì", "No", "Annulla"); true to go on.
    bool ConfirmDiscard();
    // Takes a dropped file: a design opens; a picture dropped on a cover's picture area
    // becomes its picture. The point is in global screen coordinates. False when the file
    // is not taken there.
    bool Drop(const QString& file, const QPoint& globalPoint);
    bool Accepts(const QString& file, const QPoint& globalPoint) const;

    // The window's title for the design's state.
    void UpdateTitle();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SaveTo(const QString& file);
    void InstallShortcuts();
    bool InWindow(QObject* watched) const;
    // The cover (0 front, 1 rear) whose picture area is under the point; -1 for none.
    int CoverAt(const QPoint& globalPoint) const;

    QPointer<TForm1> window_;
    QPointer<TCoverDocument> cover_;
    QString title_;
    TOpenDialog* openDialog_ = nullptr;
    TSaveDialog* saveDialog_ = nullptr;
};
