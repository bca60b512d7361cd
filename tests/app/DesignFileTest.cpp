// Design files: every field written and read back, pictures kept relative to the design
// when beside or below it, fields of a later version passed by, and damaged designs each
// refused with its cause while the window keeps the cover it had.
#include "EditorFixture.h"

#include "app/DesignDocument.h"
#include "app/DesignFile.h"
#include "framework/core/Limits.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// Every field away from its default.
TCoverDesign FullDesign(const QString& dir) {
    TCoverDesign d;
    d.frontFormat = TFrontFormat::Double;
    d.rearFormat = TRearFormat::WithoutBands;
    d.frontPicture = QDir(dir).filePath(QStringLiteral("foto/fronte.jpg"));
    d.rearPicture = QStringLiteral("/altrove/retro.bmp");
    d.textMode = TFrontTextMode::Lines;
    d.frontLine = QStringLiteral("Concerto \u00e8 \"bello\"");
    d.frontAngle = 315;
    d.PlaceLine(QPoint(216, 1));
    d.frontLines = {QStringLiteral("uno"), QString(), QStringLiteral("tr\u00e9")};
    d.frontFont = {
        QStringLiteral("Liberation Serif"), 1638, true, false, true, false, RGB(1, 2, 3), 161};
    d.leftBand = QStringLiteral("Lato A");
    d.rightBand = QStringLiteral("Lato B");
    d.bandFont = {QStringLiteral("Arial"), 1, false, true, false, true, clWindowText, 0};
    d.rearLines = {QStringLiteral("1. Preludio"), QStringLiteral("2. Aria")};
    d.rearFont = {QStringLiteral("DejaVu Sans"), 11, true, true, true, true, clRed, 255};
    d.fitRearText = true;
    d.frontFit = TPictureFit::Fill;
    d.frontCrop = QPointF(-1, 0.25);
    d.rearFit = TPictureFit::Fit;
    d.cropMarks = true;
    d.foldMarks = true;
    return d;
}

TEST(DesignFile, EveryFieldComesBackAndPicturesNearTheDesignAreRelative) {
    const QString dir = TestTempDir();
    const QString file = QDir(dir).filePath(QStringLiteral("copertina.sleevane"));
    const TCoverDesign design = FullDesign(dir);
    WriteDesignFile(file, design);
    EXPECT_EQ(ReadDesignFile(file), design);

    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QJsonObject root = QJsonDocument::fromJson(f.readAll()).object();
    f.close();
    EXPECT_EQ(root[QLatin1String("version")].toInt(), 1);
    EXPECT_EQ(root[QLatin1String("front")][QLatin1String("picture")].toString(),
              QStringLiteral("foto/fronte.jpg"));
    EXPECT_EQ(root[QLatin1String("rear")][QLatin1String("picture")].toString(),
              QStringLiteral("/altrove/retro.bmp"));
    EXPECT_EQ(
        root[QLatin1String("front")][QLatin1String("font")][QLatin1String("color")].toString(),
        QStringLiteral("#010203"));

    // A later version's fields are passed by; what is known still loads.
    QJsonObject later = root;
    later[QLatin1String("margins")] = QJsonObject{{QLatin1String("top"), 4}};
    QJsonObject front = later[QLatin1String("front")].toObject();
    front[QLatin1String("shadow")] = true;
    later[QLatin1String("front")] = front;
    EXPECT_EQ(ParseDesign(QJsonDocument(later).toJson(), file), design);

    // A line moved onto the miniature's edge keeps the place it prints at; one placed
    // where it shows writes no second place.
    TCoverDesign edge = design;
    edge.PlaceLine(QPoint(0, 40));
    WriteDesignFile(file, edge);
    EXPECT_EQ(ReadDesignFile(file), edge);
    WriteDesignFile(file, design);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_FALSE(f.readAll().contains("printPlace"));
    f.close();

    // Every field may be left out: the design of a fresh window.
    EXPECT_EQ(ParseDesign(R"({"format": "sleevane-design", "version": 1})", file), TCoverDesign{});

    // A design moved with its pictures finds them in its new folder.
    const QString moved = TestTempDir();
    ASSERT_TRUE(QFile::copy(file, QDir(moved).filePath(QStringLiteral("c.sleevane"))));
    EXPECT_EQ(ReadDesignFile(QDir(moved).filePath(QStringLiteral("c.sleevane"))).frontPicture,
              QDir(moved).filePath(QStringLiteral("foto/fronte.jpg")));
}

TEST(DesignFile, AFailedWriteLeavesTheOldFile) {
    const QString dir = TestTempDir();
    const QString file = QDir(dir).filePath(QStringLiteral("c.sleevane"));
    WriteDesignFile(file, FullDesign(dir));
    const QString missingFolder = QDir(dir).filePath(QStringLiteral("no/such/c.sleevane"));
    EXPECT_THROW(WriteDesignFile(missingFolder, TCoverDesign{}), EDesignFile);
    EXPECT_EQ(ReadDesignFile(file), FullDesign(dir));
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("c.sleevane")});
}

// ---- Damaged designs -------------------------------------------------------------------

struct Damaged {
    const char* name;
    QByteArray bytes;
    const char* cause;
};

QByteArray Design(const char* fields) {
    return QByteArray(R"({"format": "sleevane-design", "version": 1)") +
           (fields[0] ? QByteArray(", ") + fields : QByteArray()) + "}";
}

class DamagedDesignTest : public EditorTest, public ::testing::WithParamInterface<Damaged> {};

TEST_P(DamagedDesignTest, IsRefusedWithItsCauseAndTheWindowKeepsItsCover) {
    const Damaged& row = GetParam();
    const QString file = QDir(TestTempDir()).filePath(QStringLiteral("rotto.sleevane"));
    WriteBytes(file, row.bytes);
    Form1->Fronteriga->SetText(QStringLiteral("prima"));
    Form1->Memo2->SetText(QStringLiteral("tracce"));
    const TCoverDesign before = Form1->Design();
    const QString title = Form1->Caption();
    try {
        editor->Document->Open(file);
        FAIL() << "opened";
    } catch (const EDesignFile& e) {
        EXPECT_EQ(e.File(), file);
        EXPECT_TRUE(e.Cause().contains(QLatin1String(row.cause)))
            << e.Cause().toStdString() << " | wanted: " << row.cause;
        EXPECT_TRUE(e.Message().contains(file));
    }
    EXPECT_EQ(Form1->Design(), before);
    EXPECT_EQ(Form1->Caption(), title);
    EXPECT_TRUE(editor->Document->FileName().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedDesignTest,
    ::testing::Values(
        Damaged{"Empty", "", "not JSON"}, Damaged{"NotJson", "front: single\n", "not JSON"},
        Damaged{"CutShort", Design(R"("front": {"line": "Conc)"), "not JSON"},
        Damaged{"AList", "[1, 2]", "not a JSON object"},
        Damaged{"NoFormat", R"({"version": 1})", "not a cover design"},
        Damaged{"OtherFormat", R"({"format": "report", "version": 1})", "not a cover design"},
        Damaged{"NoVersion", R"({"format": "sleevane-design"})",
                "version: expected a whole number"},
        Damaged{"VersionAsText", R"({"format": "sleevane-design", "version": "1"})",
                "version: expected a whole number, found a string"},
        Damaged{"LaterVersion", R"({"format": "sleevane-design", "version": 2})",
                "version 2 is not supported"},
        Damaged{"FrontNotObject", Design(R"("front": "single")"), "front: expected an object"},
        Damaged{"UnknownFormat", Design(R"("rear": {"format": "large"})"),
                R"(rear.format: "large" is none of "none", "bands", "noBands")"},
        Damaged{"AngleAsText", Design(R"("front": {"angle": "90"})"),
                "front.angle: expected a whole number, found a string"},
        Damaged{"AngleOffTheSteps", Design(R"("front": {"angle": 30})"),
                "front.angle: 30 is not a multiple of 45"},
        Damaged{"AngleTooLarge", Design(R"("front": {"angle": 360})"),
                "front.angle: 360 is out of range (0 to 315)"},
        Damaged{"AngleFraction", Design(R"("front": {"angle": 45.5})"),
                "front.angle: 45.5 is not a whole number"},
        Damaged{"PlaceOffTheMiniature", Design(R"("front": {"place": {"x": 217, "y": 3}})"),
                "front.place.x: 217 is out of range (0 to 216)"},
        Damaged{"PlaceNegative", Design(R"("front": {"place": {"x": 3, "y": -1}})"),
                "front.place.y: -1 is out of range"},
        Damaged{"UnknownFit", Design(R"("rear": {"fit": "tile"})"),
                R"(rear.fit: "tile" is none of "stretch", "fit", "fill")"},
        Damaged{"CropOutOfRange", Design(R"("front": {"crop": {"x": 1.5}})"),
                "front.crop.x: 1.5 is out of range (-1 to 1)"},
        Damaged{"MarksNotFlags", Design(R"("marks": {"fold": 1})"),
                "marks.fold: expected true or false, found a number"},
        Damaged{"LinesNotAList", Design(R"("front": {"lines": "uno"})"),
                "front.lines: expected a list of strings, found a string"},
        Damaged{"LineOfNumber", Design(R"("rear": {"lines": ["uno", 2]})"),
                "rear.lines[1]: expected a string, found a number"},
        Damaged{"LineBreakInBand", Design(R"("rear": {"leftBand": "a\nb"})"),
                "rear.leftBand: a one-line text holds a line break"},
        // A carriage return alone, and the breaks of other systems, break a line as well.
        Damaged{"CarriageReturnInLine", Design(R"("front": {"line": "a\rb"})"),
                "front.line: a one-line text holds a line break"},
        Damaged{"LineSeparatorInBand", Design(R"("rear": {"rightBand": "a\u2028b"})"),
                "rear.rightBand: a one-line text holds a line break"},
        Damaged{"NextLineInALine", Design(R"("rear": {"lines": ["uno", "a\u0085b"]})"),
                "rear.lines[1]: a line holds a line break"},
        Damaged{"SizeZero", Design(R"("rear": {"font": {"size": 0}})"),
                "rear.font.size: 0 is out of range (1 to 1638)"},
        Damaged{"SizeHuge", Design(R"("rear": {"bandFont": {"size": 1e9}})"),
                "rear.bandFont.size: 1e+09 is out of range"},
        Damaged{"BoldAsNumber", Design(R"("front": {"font": {"bold": 1}})"),
                "front.font.bold: expected true or false, found a number"},
        Damaged{"CharsetTooLarge", Design(R"("front": {"font": {"charset": 256}})"),
                "front.font.charset: 256 is out of range (0 to 255)"},
        Damaged{"EmptyFace", Design(R"("front": {"font": {"face": " "}})"),
                "front.font.face: empty"},
        Damaged{"NoColour", Design(R"("front": {"font": {"color": "#12345"}})"),
                R"(front.font.color: "#12345" is no colour)"},
        Damaged{"PictureAsNumber", Design(R"("rear": {"picture": 7})"),
                "rear.picture: expected a string, found a number"},
        // Ten megabytes of blanks around a sound design: refused before it is parsed.
        Damaged{"TooLarge", Design("") + QByteArray(kMaxDesignFileBytes, ' '),
                "larger than 10 MB"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
