// The covers' pictures are read and decoded on threads of their own, once per change of
// their file; what a sheet ends up holding must be what reading them one after the other
// gives, and every picture that cannot be read is named with its cover.
#include "app/CoverPictures.h"
#include "app/SheetComposer.h"
#include "app/Unit2.h"
#include "imaging/jpeg.h"
#include "support/FormTestSupport.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTimer>
#include <optional>
#include <tuple>

namespace {

enum class Kind {
    Good,    // decodes
    Missing, // no such file: fails to load
    NotJpeg, // its header is not a JPEG's: fails to load
    TooBig,  // loads, and fails when its pixels are decoded
};

struct Row {
    const char* name;
    Kind front, rear;
};
void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

// What a picture read on its own gives: the load's error, else the decoded pixels and the
// decode's error.
struct Outcome {
    std::optional<QString> loadError;
    QImage pixels;
    std::optional<QString> decodeError;
};

Outcome Decoded(TGraphic* graphic) {
    Outcome o;
    auto* jpeg = qobject_cast<TJPEGImage*>(graphic);
    if (!jpeg) {
        ADD_FAILURE() << "not a JPEG picture";
        return o;
    }
    try {
        jpeg->Bitmap();
    } catch (const Exception& e) {
        o.decodeError = e.Message();
    }
    o.pixels = jpeg->Bitmap()->Image();
    return o;
}

Outcome InOrder(const QString& file) {
    TPicture picture;
    try {
        picture.LoadFromFile(file);
    } catch (const Exception& e) {
        Outcome o;
        o.loadError = e.Message();
        return o;
    }
    return Decoded(picture.Graphic());
}

class CoverPicturesTest : public ::testing::TestWithParam<Row> {
protected:
    void SetUp() override {
        SetUsesInchDefaults(false);
        RegisterJPEGFormats();
        dir = TestTempDir();
    }

    // Noisy enough that a picture's rows differ from the other's and from a neighbour's.
    QString File(const QString& name, Kind kind, unsigned seed) {
        const QString path = QDir(dir).filePath(name);
        switch (kind) {
        case Kind::Good: {
            QImage image(700, 500, QImage::Format_RGB32);
            QRandomGenerator rng(seed);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    image.setPixel(
                        x, y,
                        qRgb((x + seed) % 256, (y * 3) % 256, static_cast<int>(rng.bounded(256u))));
            TBitmap bitmap;
            bitmap.SetImage(image, pf24bit);
            TJPEGImage jpeg;
            jpeg.Assign(&bitmap);
            jpeg.SaveToFile(path);
            break;
        }
        case Kind::Missing:
            break;
        case Kind::NotJpeg: {
            QFile f(path);
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("This is no picture at all, only words.");
            break;
        }
        case Kind::TooBig:
            EXPECT_TRUE(QFile::copy(
                TestData(QStringLiteral("bad/jpeg/header-only-16384x16384.jpg")), path));
            break;
        }
        return path;
    }

    QString dir;
};

TEST_P(CoverPicturesTest, ThreadsGiveWhatReadingInOrderGivesAndEveryFailureIsNamed) {
    const Row row = GetParam();
    TCoverDesign design;
    design.frontFormat = TFrontFormat::Single;
    design.rearFormat = TRearFormat::WithBands;
    design.frontPicture = File(QStringLiteral("front.jpg"), row.front, 11);
    design.rearPicture = File(QStringLiteral("rear.jpg"), row.rear, 97);

    const Outcome front = InOrder(design.frontPicture);
    const Outcome rear = InOrder(design.rearPicture);
    QStringList want;
    for (const auto& [cover, file, outcome] :
         {std::tuple{TCover::Front, design.frontPicture, front},
          std::tuple{TCover::Rear, design.rearPicture, rear}}) {
        const std::optional<QString> error =
            outcome.loadError ? outcome.loadError : outcome.decodeError;
        if (error) want << PictureProblem(cover, file, *error);
    }

    std::unique_ptr<Tpreview> sheet;
    QStringList problems;
    try {
        sheet = ComposeSheet(design, TCoverOutput::Preview);
    } catch (const ECoverPictures& e) {
        problems = e.Problems();
    }
    EXPECT_EQ(problems, want);
    for (const QString& p : problems)
        EXPECT_TRUE(p.contains(QStringLiteral("picture")) && p.contains(dir)) << p.toStdString();
    if (!want.isEmpty()) return;
    ASSERT_TRUE(sheet);
    for (const auto& [item, outcome] :
         {std::pair{sheet->RpImage1, front}, std::pair{sheet->RpImage2, rear}}) {
        const Outcome got = Decoded(item->Picture()->Graphic());
        EXPECT_FALSE(got.decodeError);
        EXPECT_TRUE(got.pixels == outcome.pixels) << "the pixels differ";
    }
}

// A picture is read once however often it is asked for, and again once its file changes.
TEST(CoverPictures, ReadOnceUntilTheFileChanges) {
    RegisterJPEGFormats();
    const QString file = QDir(TestTempDir()).filePath(QStringLiteral("p.bmp"));
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(file));
    TCoverPictures pictures;
    for (int i = 0; i < 3; ++i) {
        pictures.Request(file);
        ASSERT_TRUE(pictures.Wait({file}));
    }
    EXPECT_EQ(pictures.Reads(), 1);
    ASSERT_TRUE(pictures.Graphic(file));
    EXPECT_EQ(pictures.Graphic(file)->Width(), 20);
    image = QImage(30, 10, QImage::Format_RGB32);
    image.fill(Qt::blue);
    ASSERT_TRUE(image.save(file));
    pictures.Request(file);
    ASSERT_TRUE(pictures.Wait({file}));
    EXPECT_EQ(pictures.Reads(), 2);
    EXPECT_EQ(pictures.Graphic(file)->Width(), 30);
}

INSTANTIATE_TEST_SUITE_P(Rows, CoverPicturesTest,
                         ::testing::Values(Row{"BothGood", Kind::Good, Kind::Good},
                                           Row{"FrontMissing", Kind::Missing, Kind::Good},
                                           Row{"RearNotJpeg", Kind::Good, Kind::NotJpeg},
                                           Row{"BothBad", Kind::Missing, Kind::NotJpeg},
                                           Row{"BothBadOtherWay", Kind::NotJpeg, Kind::Missing},
                                           Row{"FrontFailsToDecode", Kind::TooBig, Kind::Good},
                                           Row{"BothFailToDecode", Kind::TooBig, Kind::TooBig}),
                         [](const ::testing::TestParamInfo<Row>& info) {
                             return std::string(info.param.name);
                         });

} // namespace

namespace {

// A read given up ends at once for those who wait, says so, and is not started again by
// merely asking for the picture; asked again, the picture is read.
TEST(CoverPictures, AReadGivenUpEndsAtOnceAndIsReadOnlyWhenAskedAgain) {
    RegisterJPEGFormats();
    const QString file = QDir(TestTempDir()).filePath(QStringLiteral("large.jpg"));
    QImage image(1600, 1200, QImage::Format_RGB32);
    image.fill(QColor(10, 200, 30));
    ASSERT_TRUE(image.save(file, "JPG"));
    TCoverPictures pictures;
    pictures.Request(file);
    ASSERT_TRUE(pictures.Reading(file));
    bool waited = true;
    QTimer::singleShot(0, &pictures, [&] { pictures.GiveUp(); });
    waited = pictures.Wait({file});
    EXPECT_FALSE(waited);
    EXPECT_FALSE(pictures.Reading(file));
    EXPECT_TRUE(pictures.GivenUp(file));
    EXPECT_EQ(pictures.Graphic(file), nullptr);
    EXPECT_TRUE(pictures.Problem(file).contains(file));
    pictures.Request(file);
    EXPECT_FALSE(pictures.Reading(file));
    pictures.Request(file, true);
    ASSERT_TRUE(pictures.Wait({file}));
    ASSERT_TRUE(pictures.Graphic(file));
    EXPECT_EQ(pictures.Graphic(file)->Width(), 1600);
    EXPECT_EQ(pictures.Reads(), 2);
}

} // namespace
