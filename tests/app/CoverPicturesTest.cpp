// The covers' pictures are read and decoded at once, each on a thread of its own, when a
// design is composed; what the layout ends up holding, and the error it fails with, must
// be what reading them one after the other, front first, gives.
#include "app/CoverDesign.h"
#include "app/Unit2.h"
#include "imaging/jpeg.h"
#include "support/FormTestSupport.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <optional>

namespace {

enum class Kind {
    Good,       // decodes
    Missing,    // no such file: fails to load
    NotJpeg,    // its header is not a JPEG's: fails to load
    TooBig,     // loads, and fails only when its pixels are first needed
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
        layout = std::make_unique<Tpreview>(nullptr);
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
                    image.setPixel(x, y, qRgb((x + seed) % 256, (y * 3) % 256,
                                              static_cast<int>(rng.bounded(256u))));
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
            EXPECT_TRUE(QFile::copy(TestData(QStringLiteral("bad/jpeg/header-only-16384x16384.jpg")),
                                    path));
            break;
        }
        return path;
    }

    std::unique_ptr<Tpreview> layout;
    QString dir;
};

TEST_P(CoverPicturesTest, ConcurrentDecodingGivesWhatDecodingInOrderGives) {
    const Row row = GetParam();
    TCoverDesign design;
    design.frontFormat = TFrontFormat::Single;
    design.rearFormat = TRearFormat::WithBands;
    design.frontPicture = File(QStringLiteral("front.jpg"), row.front, 11);
    design.rearPicture = File(QStringLiteral("rear.jpg"), row.rear, 97);

    // In order: the front's load error stops everything after it.
    const Outcome front = InOrder(design.frontPicture);
    const std::optional<Outcome> rear =
        front.loadError ? std::nullopt : std::optional(InOrder(design.rearPicture));
    const std::optional<QString> wantError = front.loadError ? front.loadError
                                             : rear->loadError ? rear->loadError
                                                               : std::nullopt;

    // What a failed composition leaves untouched shows as these.
    TBitmap marker;
    marker.SetImage(QImage(3, 2, QImage::Format_RGB32), pf24bit);
    layout->RpImage1->Picture()->SetGraphic(&marker);
    layout->RpImage2->Picture()->SetGraphic(&marker);
    SizeRearCover(*layout, TRearFormat::WithoutBands);

    std::optional<QString> error;
    try {
        ComposeCovers(design, *layout, TCoverOutput::Preview);
    } catch (const Exception& e) {
        error = e.Message();
    }
    EXPECT_EQ(error, wantError);

    auto expectSame = [](TRpImage* item, const Outcome& want, const char* which) {
        SCOPED_TRACE(which);
        if (want.loadError) {
            EXPECT_TRUE(qobject_cast<TBitmap*>(item->Picture()->Graphic()))
                << "a picture that failed to load replaced the one held";
            return;
        }
        const Outcome got = Decoded(item->Picture()->Graphic());
        EXPECT_EQ(got.decodeError, want.decodeError);
        EXPECT_EQ(got.pixels.size(), want.pixels.size());
        EXPECT_TRUE(got.pixels == want.pixels) << "the pixels differ";
    };
    expectSame(layout->RpImage1, front, "front");
    if (rear) {
        expectSame(layout->RpImage2, *rear, "rear");
    } else {
        EXPECT_TRUE(qobject_cast<TBitmap*>(layout->RpImage2->Picture()->Graphic()))
            << "the rear was composed after the front failed";
    }
    // The sizes are composed after the pictures: only a composition without a load error
    // reaches them.
    EXPECT_EQ(layout->RpImage2->Size()->NativeValue(TRpPrintableSize::iWidth) == 1510.0L,
              !wantError.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CoverPicturesTest,
    ::testing::Values(Row{"BothGood", Kind::Good, Kind::Good},
                      Row{"FrontMissing", Kind::Missing, Kind::Good},
                      Row{"RearNotJpeg", Kind::Good, Kind::NotJpeg},
                      Row{"BothBad", Kind::Missing, Kind::NotJpeg},
                      Row{"BothBadOtherWay", Kind::NotJpeg, Kind::Missing},
                      Row{"FrontFailsToDecode", Kind::TooBig, Kind::Good},
                      Row{"BothFailToDecode", Kind::TooBig, Kind::TooBig}),
    [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

} // namespace
