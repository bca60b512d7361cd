#include "app/DesignFile.h"

#include "app/CoverFormats.h"
#include "framework/core/Files.h"
#include "framework/core/Limits.h"
#include "framework/core/Translations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <optional>

EDesignFile::EDesignFile(const QString& file, const QString& cause)
    : Exception(
          Translate("DesignFile", "Design file %1: %2").arg(QDir::toNativeSeparators(file), cause)),
      file_(file), cause_(cause) {}

bool IsDesignFileName(const QString& file) {
    return QFileInfo(file).suffix().compare(QLatin1String(kDesignExtension), Qt::CaseInsensitive) ==
           0;
}

namespace {

constexpr char kFormat[] = "sleevane-design";
// Raised only when a field changes its meaning; fields that are only added keep it.
constexpr int kVersion = 1;
// The front line's corner is a point of the front miniature, which is this square.
const int kMiniatureSide = FrontFormat(TFrontFormat::Single).miniature.width();

struct TFormatName {
    int code;
    const char* name;
};
constexpr TFormatName kFrontFormats[] = {{0, "none"}, {1, "single"}, {2, "double"}};
constexpr TFormatName kRearFormats[] = {{0, "none"}, {1, "bands"}, {2, "noBands"}};
constexpr TFormatName kTextModes[] = {{0, "line"}, {1, "lines"}};
constexpr TFormatName kFits[] = {{static_cast<int>(TPictureFit::Stretch), "stretch"},
                                 {static_cast<int>(TPictureFit::Fit), "fit"},
                                 {static_cast<int>(TPictureFit::Fill), "fill"}};

// Any character that ends a line somewhere: a text of one line holds none of them, or it
// would show as one line and print as several.
bool HasLineBreak(const QString& text) {
    for (const QChar c : text)
        switch (c.unicode()) {
        case 0x0A:   // line feed
        case 0x0B:   // line tabulation
        case 0x0C:   // form feed
        case 0x0D:   // carriage return
        case 0x85:   // next line
        case 0x2028: // line separator
        case 0x2029: // paragraph separator
            return true;
        default:
            break;
        }
    return false;
}

template <size_t N> QString NameOf(const TFormatName (&names)[N], int code) {
    for (const TFormatName& n : names)
        if (n.code == code) return QString::fromLatin1(n.name);
    return QString::fromLatin1(names[0].name);
}

// ---- Writing ---------------------------------------------------------------------------

QString ColourText(TColor colour) {
    if (colour & clSystemColor) {
        const QString ident = ColorToIdent(colour);
        if (!ident.startsWith(QLatin1Char('$'))) return ident;
        colour = PaperColorToRGB(colour);
    }
    return QStringLiteral("#%1%2%3")
        .arg(GetRValue(colour), 2, 16, QLatin1Char('0'))
        .arg(GetGValue(colour), 2, 16, QLatin1Char('0'))
        .arg(GetBValue(colour), 2, 16, QLatin1Char('0'));
}

QJsonObject FontObject(const TCoverFont& f) {
    return QJsonObject{
        {QStringLiteral("face"), f.name},           {QStringLiteral("size"), f.size},
        {QStringLiteral("bold"), f.bold},           {QStringLiteral("italic"), f.italic},
        {QStringLiteral("underline"), f.underline}, {QStringLiteral("strikeOut"), f.strikeOut},
        {QStringLiteral("charset"), f.charset},     {QStringLiteral("color"), ColourText(f.color)}};
}

// Beside or below the design: relative, so that a folder of covers can move whole.
QString StoredPicture(const QString& picture, const QString& designFile) {
    if (picture.isEmpty()) return picture;
    const QString absolute = QFileInfo(picture).absoluteFilePath();
    const QDir folder = QFileInfo(designFile).absoluteDir();
    const QString relative = folder.relativeFilePath(absolute);
    if (relative.startsWith(QLatin1String("../")) || relative == QLatin1String("..") ||
        QDir::isAbsolutePath(relative))
        return absolute;
    return relative;
}

// ---- Reading ---------------------------------------------------------------------------

// Reads the fields of one design, naming the field in every refusal.
class TDesignReader {
public:
    explicit TDesignReader(QString file) : file_(std::move(file)) {}

    [[noreturn]] void Fail(const QString& cause) const { throw EDesignFile(file_, cause); }
    [[noreturn]] void Fail(const QString& field, const QString& cause) const {
        Fail(QStringLiteral("%1: %2").arg(field, cause));
    }

    static QString Kind(const QJsonValue& v) {
        switch (v.type()) {
        case QJsonValue::Null:
            return QStringLiteral("null");
        case QJsonValue::Bool:
            return Translate("DesignFile", "true or false");
        case QJsonValue::Double:
            return Translate("DesignFile", "a number");
        case QJsonValue::String:
            return Translate("DesignFile", "a string");
        case QJsonValue::Array:
            return Translate("DesignFile", "a list");
        case QJsonValue::Object:
            return Translate("DesignFile", "an object");
        default:
            return Translate("DesignFile", "nothing");
        }
    }
    [[noreturn]] void WrongType(const QString& field, const char* expected,
                                const QJsonValue& v) const {
        Fail(
            field,
            Translate("DesignFile", "expected %1, found %2").arg(QLatin1String(expected), Kind(v)));
    }

    // Each reader leaves `out` as it is when the field is absent.
    void Text(const QJsonObject& o, const QString& path, const char* key, QString& out) const {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined()) return;
        const QString field = path + QLatin1String(key);
        if (!v.isString()) WrongType(field, "a string", v);
        out = v.toString();
        if (HasLineBreak(out))
            Fail(field, Translate("DesignFile", "a one-line text holds a line break"));
    }
    void Lines(const QJsonObject& o, const QString& path, const char* key, QStringList& out) const {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined()) return;
        const QString field = path + QLatin1String(key);
        if (!v.isArray()) WrongType(field, "a list of strings", v);
        QStringList lines;
        const QJsonArray array = v.toArray();
        for (qsizetype i = 0; i < array.size(); ++i) {
            const QString item = QStringLiteral("%1[%2]").arg(field).arg(i);
            if (!array[i].isString()) WrongType(item, "a string", array[i]);
            const QString line = array[i].toString();
            if (HasLineBreak(line))
                Fail(item, Translate("DesignFile", "a line holds a line break"));
            lines << line;
        }
        out = lines;
    }
    void Flag(const QJsonObject& o, const QString& path, const char* key, bool& out) const {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined()) return;
        if (!v.isBool()) WrongType(path + QLatin1String(key), "true or false", v);
        out = v.toBool();
    }
    void Integer(const QJsonObject& o, const QString& path, const char* key, int min, int max,
                 int& out) const {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined()) return;
        const QString field = path + QLatin1String(key);
        if (!v.isDouble()) WrongType(field, "a whole number", v);
        const double d = v.toDouble();
        if (d != std::floor(d))
            Fail(field, Translate("DesignFile", "%1 is not a whole number").arg(d));
        if (d < min || d > max)
            Fail(field,
                 Translate("DesignFile", "%1 is out of range (%2 to %3)").arg(d).arg(min).arg(max));
        out = static_cast<int>(d);
    }
    template <size_t N>
    void Choice(const QJsonObject& o, const QString& path, const char* key,
                const TFormatName (&names)[N], int& out) const {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined()) return;
        const QString field = path + QLatin1String(key);
        if (!v.isString()) WrongType(field, "a string", v);
        QStringList known;
        for (const TFormatName& n : names) {
            if (v.toString() == QLatin1String(n.name)) {
                out = n.code;
                return;
            }
            known << QStringLiteral("\"%1\"").arg(QLatin1String(n.name));
        }
        Fail(field,
             Translate("DesignFile", "\"%1\" is none of %2").arg(v.toString(), known.join(u", ")));
    }
    void Number(const QJsonObject& o, const QString& path, const char* key, double min, double max,
                double& out) const {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined()) return;
        const QString field = path + QLatin1String(key);
        if (!v.isDouble()) WrongType(field, "a number", v);
        const double d = v.toDouble();
        if (!(d >= min && d <= max))
            Fail(field,
                 Translate("DesignFile", "%1 is out of range (%2 to %3)").arg(d).arg(min).arg(max));
        out = d;
    }
    void Fit(const QJsonObject& o, const QString& path, TPictureFit& fit, QPointF& crop) const {
        code_ = static_cast<int>(fit);
        Choice(o, path, "fit", kFits, code_);
        fit = static_cast<TPictureFit>(code_);
        const QJsonObject c = Object(o, path, "crop");
        double x = crop.x(), y = crop.y();
        Number(c, path + QLatin1String("crop."), "x", -1, 1, x);
        Number(c, path + QLatin1String("crop."), "y", -1, 1, y);
        crop = QPointF(x, y);
    }
    QJsonObject Object(const QJsonObject& o, const QString& path, const char* key) const {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined()) return {};
        if (!v.isObject()) WrongType(path + QLatin1String(key), "an object", v);
        return v.toObject();
    }
    void Picture(const QJsonObject& o, const QString& path, QString& out) const {
        QString stored;
        Text(o, path, "picture", stored);
        if (stored.isEmpty()) {
            out.clear();
            return;
        }
        const QDir folder = QFileInfo(file_).absoluteDir();
        out = QDir::cleanPath(folder.absoluteFilePath(QDir::fromNativeSeparators(stored)));
    }
    void Colour(const QJsonObject& o, const QString& path, TColor& out) const {
        const QJsonValue v = o.value(QLatin1String("color"));
        if (v.isUndefined()) return;
        const QString field = path + QLatin1String("color");
        if (!v.isString()) WrongType(field, "a string", v);
        const QString text = v.toString();
        if (text.size() == 7 && text.startsWith(QLatin1Char('#'))) {
            bool ok = false;
            const uint rgb = text.mid(1).toUInt(&ok, 16);
            if (ok) {
                out = RGB(static_cast<int>(rgb >> 16), static_cast<int>(rgb >> 8),
                          static_cast<int>(rgb));
                return;
            }
        }
        TColor named = 0;
        if (!text.startsWith(QLatin1Char('#')) && IdentToColor(text, named) &&
            (named & ~clSystemColor) <= 0xFFFFFF) {
            out = named;
            return;
        }
        Fail(field, Translate("DesignFile", "\"%1\" is no colour (\"#rrggbb\" or a colour name)")
                        .arg(text));
    }
    void Font(const QJsonObject& parent, const QString& path, const char* key,
              TCoverFont& out) const {
        const QString prefix = path + QLatin1String(key) + QLatin1Char('.');
        const QJsonObject o = Object(parent, path, key);
        TCoverFont f = out;
        Text(o, prefix, "face", f.name);
        if (f.name.trimmed().isEmpty())
            Fail(prefix + QLatin1String("face"), Translate("DesignFile", "empty"));
        Integer(o, prefix, "size", 1, kMaxFontPoints, f.size);
        Flag(o, prefix, "bold", f.bold);
        Flag(o, prefix, "italic", f.italic);
        Flag(o, prefix, "underline", f.underline);
        Flag(o, prefix, "strikeOut", f.strikeOut);
        Integer(o, prefix, "charset", 0, 255, f.charset);
        Colour(o, prefix, f.color);
        out = f;
    }

    TCoverDesign Read(const QByteArray& bytes) const {
        if (bytes.size() > kMaxDesignFileBytes)
            Fail(Translate("DesignFile", "larger than %1 MB").arg(kMaxDesignFileBytes >> 20));
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
        if (error.error != QJsonParseError::NoError)
            Fail(Translate("DesignFile", "not JSON (%1 at byte %2)")
                     .arg(error.errorString())
                     .arg(error.offset));
        if (!doc.isObject()) Fail(Translate("DesignFile", "not a JSON object"));
        const QJsonObject root = doc.object();
        if (root.value(QLatin1String("format")) != QLatin1String(kFormat))
            Fail(Translate("DesignFile", "not a cover design (\"format\" is not \"%1\")")
                     .arg(QLatin1String(kFormat)));
        const QJsonValue version = root.value(QLatin1String("version"));
        if (!version.isDouble())
            Fail(Translate("DesignFile", "version: expected a whole number, found %1")
                     .arg(Kind(version)));
        if (version.toDouble() != kVersion)
            Fail(Translate("DesignFile",
                           "version %1 is not supported (this program reads version %2)")
                     .arg(version.toDouble())
                     .arg(kVersion));

        TCoverDesign d;
        const QString f = QStringLiteral("front.");
        const QJsonObject front = Object(root, QString(), "front");
        int code = static_cast<int>(d.frontFormat);
        Choice(front, f, "format", kFrontFormats, code);
        d.frontFormat = static_cast<TFrontFormat>(code);
        Picture(front, f, d.frontPicture);
        code = static_cast<int>(d.textMode);
        Choice(front, f, "textMode", kTextModes, code);
        d.textMode = static_cast<TFrontTextMode>(code);
        Text(front, f, "line", d.frontLine);
        Integer(front, f, "angle", 0, 315, d.frontAngle);
        if (d.frontAngle % 45 != 0)
            Fail(f + QLatin1String("angle"),
                 Translate("DesignFile", "%1 is not a multiple of 45").arg(d.frontAngle));
        const QJsonObject place = Object(front, f, "place");
        int x = d.frontPlace.x(), y = d.frontPlace.y();
        Integer(place, f + QLatin1String("place."), "x", 0, kMiniatureSide - 1, x);
        Integer(place, f + QLatin1String("place."), "y", 0, kMiniatureSide - 1, y);
        d.frontPlace = QPoint(x, y);
        // A line shown on the miniature's edge prints where it was last placed.
        d.printPlace = TCoverDesign::IsPlacement(d.frontPlace) ? d.frontPlace : QPoint();
        const QJsonObject printed = Object(front, f, "printPlace");
        if (!printed.isEmpty() && !TCoverDesign::IsPlacement(d.frontPlace)) {
            int px = 0, py = 0;
            Integer(printed, f + QLatin1String("printPlace."), "x", 1, kMiniatureSide - 1, px);
            Integer(printed, f + QLatin1String("printPlace."), "y", 1, kMiniatureSide - 1, py);
            d.printPlace = QPoint(px, py);
        }
        Lines(front, f, "lines", d.frontLines);
        Font(front, f, "font", d.frontFont);
        Fit(front, f, d.frontFit, d.frontCrop);

        const QString r = QStringLiteral("rear.");
        const QJsonObject rear = Object(root, QString(), "rear");
        code = static_cast<int>(d.rearFormat);
        Choice(rear, r, "format", kRearFormats, code);
        d.rearFormat = static_cast<TRearFormat>(code);
        Picture(rear, r, d.rearPicture);
        Text(rear, r, "leftBand", d.leftBand);
        Text(rear, r, "rightBand", d.rightBand);
        Font(rear, r, "bandFont", d.bandFont);
        Lines(rear, r, "lines", d.rearLines);
        Font(rear, r, "font", d.rearFont);
        Flag(rear, r, "fitText", d.fitRearText);
        Fit(rear, r, d.rearFit, d.rearCrop);

        const QString m = QStringLiteral("marks.");
        const QJsonObject marks = Object(root, QString(), "marks");
        Flag(marks, m, "crop", d.cropMarks);
        Flag(marks, m, "fold", d.foldMarks);
        return d;
    }

private:
    QString file_;
    mutable int code_ = 0;
};

} // namespace

QByteArray DesignToJson(const TCoverDesign& d, const QString& file) {
    QJsonObject front{
        {QStringLiteral("format"), NameOf(kFrontFormats, static_cast<int>(d.frontFormat))},
        {QStringLiteral("picture"), StoredPicture(d.frontPicture, file)},
        {QStringLiteral("textMode"), NameOf(kTextModes, static_cast<int>(d.textMode))},
        {QStringLiteral("line"), d.frontLine},
        {QStringLiteral("angle"), d.frontAngle},
        {QStringLiteral("place"), QJsonObject{{QStringLiteral("x"), d.frontPlace.x()},
                                              {QStringLiteral("y"), d.frontPlace.y()}}},
        {QStringLiteral("lines"), QJsonArray::fromStringList(d.frontLines)},
        {QStringLiteral("font"), FontObject(d.frontFont)},
    };
    // Written only where it is not the shown place: a line moved onto the miniature's edge.
    if (d.printPlace != d.frontPlace && TCoverDesign::IsPlacement(d.printPlace))
        front.insert(QStringLiteral("printPlace"),
                     QJsonObject{{QStringLiteral("x"), d.printPlace.x()},
                                 {QStringLiteral("y"), d.printPlace.y()}});
    QJsonObject rear{
        {QStringLiteral("format"), NameOf(kRearFormats, static_cast<int>(d.rearFormat))},
        {QStringLiteral("picture"), StoredPicture(d.rearPicture, file)},
        {QStringLiteral("leftBand"), d.leftBand},
        {QStringLiteral("rightBand"), d.rightBand},
        {QStringLiteral("bandFont"), FontObject(d.bandFont)},
        {QStringLiteral("lines"), QJsonArray::fromStringList(d.rearLines)},
        {QStringLiteral("font"), FontObject(d.rearFont)},
    };
    rear.insert(QStringLiteral("fitText"), d.fitRearText);
    const auto fit = [](QJsonObject& cover, TPictureFit mode, QPointF crop) {
        cover.insert(QStringLiteral("fit"), NameOf(kFits, static_cast<int>(mode)));
        cover.insert(QStringLiteral("crop"),
                     QJsonObject{{QStringLiteral("x"), crop.x()}, {QStringLiteral("y"), crop.y()}});
    };
    fit(front, d.frontFit, d.frontCrop);
    fit(rear, d.rearFit, d.rearCrop);
    const QJsonObject root{
        {QStringLiteral("format"), QLatin1String(kFormat)},
        {QStringLiteral("version"), kVersion},
        {QStringLiteral("front"), front},
        {QStringLiteral("rear"), rear},
        {QStringLiteral("marks"), QJsonObject{{QStringLiteral("crop"), d.cropMarks},
                                              {QStringLiteral("fold"), d.foldMarks}}}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

TCoverDesign ParseDesign(const QByteArray& bytes, const QString& file) {
    return TDesignReader(file).Read(bytes);
}

TCoverDesign ReadDesignFile(const QString& file) {
    // A pipe, a device or a huge file is refused before anything of it is read.
    QFile in;
    try {
        OpenInputFile(in, file, kMaxDesignFileBytes);
    } catch (const EFInputError& e) {
        throw EDesignFile(file, e.Cause());
    }
    // One byte past the cap is enough to know it is passed.
    const QByteArray bytes = in.read(kMaxDesignFileBytes + 1);
    if (in.error() != QFileDevice::NoError) throw EDesignFile(file, in.errorString());
    return ParseDesign(bytes, file);
}

void WriteDesignFile(const QString& file, const TCoverDesign& design) {
    const QByteArray bytes = DesignToJson(design, file);
    try {
        WriteFileWhole(file, bytes);
    } catch (const EFWriteError& e) {
        throw EDesignFile(file, e.Cause());
    }
}
