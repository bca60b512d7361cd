#include "app/CoverDesign.h"
#include "framework/core/Translations.h"

#include <QDir>

TCoverFont TCoverFont::Of(const TFont* font) {
    TCoverFont f;
    f.name = font->Name();
    f.size = font->Size();
    f.bold = font->HasStyle(fsBold);
    f.italic = font->HasStyle(fsItalic);
    f.underline = font->HasStyle(fsUnderline);
    f.strikeOut = font->HasStyle(fsStrikeOut);
    f.color = font->Color();
    f.charset = font->Charset();
    return f;
}

void TCoverFont::GiveTo(TFont* target, int points) const {
    TFont::TFontStyles style;
    style.setFlag(TFont::fsBold, bold);
    style.setFlag(TFont::fsItalic, italic);
    style.setFlag(TFont::fsUnderline, underline);
    style.setFlag(TFont::fsStrikeOut, strikeOut);
    target->SetName(name);
    target->SetCharset(charset);
    target->SetStyle(style);
    target->SetColor(color);
    target->SetSize(points);
}

QString PictureProblem(TCover cover, const QString& file, const QString& cause) {
    const QString which = cover == TCover::Front ? Translate("CoverDesign", "front picture")
                                                 : Translate("CoverDesign", "rear picture");
    const QString name = QDir::toNativeSeparators(file);
    // The framework's own message may name the file already.
    if (cause.contains(name) || cause.contains(file))
        return QStringLiteral("%1: %2").arg(which, cause);
    return QStringLiteral("%1 %2: %3").arg(which, name, cause);
}
