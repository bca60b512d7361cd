#pragma once
// Cover designs kept in files: JSON with a format version, read and written whole. The
// fields and their meanings are documented in docs/design-file.md; what is written there
// is what is read here.

#include "app/CoverDesign.h"
#include "framework/core/SysUtils.h"

// A design file that cannot be read or written: its name and why.
class EDesignFile : public Exception {
public:
    EDesignFile(const QString& file, const QString& cause);
    const QString& File() const { return file_; }
    const QString& Cause() const { return cause_; }

private:
    QString file_;
    QString cause_;
};

// The extension of design files, without its dot.
inline constexpr char kDesignExtension[] = "sleevane";
bool IsDesignFileName(const QString& file);

// Reads a design. Picture names are made absolute against the file's folder. Raises
// EDesignFile for a file that cannot be read, is larger than the cap, is not JSON, is not
// a design of this format version, or holds a field of the wrong type or out of range;
// fields a newer writer added are passed by.
TCoverDesign ReadDesignFile(const QString& file);
// The same over bytes already read; `file` names them in errors and anchors pictures.
TCoverDesign ParseDesign(const QByteArray& bytes, const QString& file);

// Writes a design, whole or not at all: an existing file stays as it was when writing
// fails. Pictures beside or below the file are stored relative to it. Raises EDesignFile.
void WriteDesignFile(const QString& file, const TCoverDesign& design);
QByteArray DesignToJson(const TCoverDesign& design, const QString& file);
