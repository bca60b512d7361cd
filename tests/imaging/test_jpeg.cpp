// The JPEG picture against libjpeg's own command-line decoder: every coding variant decodes
// to djpeg's pixels; header values before decoding; damaged and truncated files; copies,
// saving, compression, progress and its silent abort.

#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/Pictures.h"
#include "imaging/jpeg.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <cstdio>
#include <cstdlib>

#include <jerror.h>
#include <jpeglib.h>

namespace {

QByteArray Run(const QString& program, const QStringList& args, const QByteArray& input) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted()) {
        ADD_FAILURE() << program.toStdString() << " did not start";
        return {};
    }
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(120000);
    const QByteArray out = p.readAllStandardOutput();
    EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << " " << args.join(' ').toStdString()
                               << ": " << p.readAllStandardError().toStdString();
    return out;
}

// Smooth gradients crossed by hard edges: both are where decoders differ when they do.
QImage TestImage(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int r = (x * 255) / std::max(1, w - 1);
            const int g = (y * 255) / std::max(1, h - 1);
            const int b = ((x / 5 + y / 3) % 2) ? 220 : 30;
            image.setPixel(x, y, qRgb(r, g, (x * y) % 7 == 0 ? 255 - b : b));
        }
    return image;
}

QByteArray Ppm(const QImage& image) {
    QByteArray out =
        QStringLiteral("P6\n%1 %2\n255\n").arg(image.width()).arg(image.height()).toLatin1();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            out += static_cast<char>(qRed(c));
            out += static_cast<char>(qGreen(c));
            out += static_cast<char>(qBlue(c));
        }
    return out;
}

QByteArray Cjpeg(const QImage& image, const QStringList& args = {}) {
    return Run(QStringLiteral("cjpeg"), args, Ppm(image));
}

QImage Djpeg(const QByteArray& jpeg, const QStringList& args = {}) {
    const QImage image = QImage::fromData(
        Run(QStringLiteral("djpeg"), args + QStringList{QStringLiteral("-bmp")}, jpeg), "BMP");
    EXPECT_FALSE(image.isNull());
    return image.convertToFormat(QImage::Format_RGB32);
}

std::unique_ptr<TJPEGImage> Load(const QByteArray& jpeg) {
    auto j = std::make_unique<TJPEGImage>();
    QBuffer buffer;
    buffer.setData(jpeg);
    buffer.open(QIODevice::ReadOnly);
    j->LoadFromStream(buffer);
    return j;
}

QByteArray Save(TJPEGImage& j) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    j.SaveToStream(buffer);
    return buffer.data();
}

QImage Pixels(TJPEGImage& j) {
    return j.Bitmap()->Image().convertToFormat(QImage::Format_RGB32);
}

QString JpegError(int code) {
    return QStringLiteral("JPEG error #%1").arg(code);
}

// A CMYK or YCCK file written through libjpeg itself: cjpeg cannot make one.
QByteArray WriteCmyk(int w, int h, const std::function<std::array<uint8_t, 4>(int, int)>& stored,
                     bool ycck, bool adobeMarker) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    if (ycck) jpeg_set_colorspace(&c, JCS_YCCK);
    c.write_Adobe_marker = adobeMarker;
    jpeg_set_quality(&c, 98, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(w) * 4);
    while (c.next_scanline < c.image_height) {
        for (int x = 0; x < w; ++x) {
            const auto v = stored(x, static_cast<int>(c.next_scanline));
            std::copy(v.begin(), v.end(), row.begin() + 4 * x);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    QByteArray bytes(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
    std::free(out);
    jpeg_destroy_compress(&c);
    return bytes;
}

class JpegTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterStandardPictureFormats();
        RegisterJPEGFormats();
        saved = JPEGDefaultSettings;
        JPEGDefaultSettings.OutputDepth = od24Bit;
    }
    void TearDown() override {
        JPEGDefaultSettings = saved;
        JPEGProgressInterval = 500;
    }
    TJPEGDefaults saved;
};

TEST_F(JpegTest, RegistersBothExtensionsWithItsDescription) {
    for (const char* ext : {"jpg", "JPEG"}) {
        const TFileFormat* f = FindFileFormat(QString::fromLatin1(ext));
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->description, QStringLiteral("JPEG Image File"));
        EXPECT_NE(qobject_cast<TJPEGImage*>(f->make().get()), nullptr);
    }
    const QString path = QDir(TestTempDir()).filePath(QStringLiteral("COVER.JPG"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Cjpeg(TestImage(8, 8)));
    f.close();
    TPicture p;
    p.LoadFromFile(path);
    EXPECT_NE(qobject_cast<TJPEGImage*>(p.Graphic()), nullptr);
}

TEST_F(JpegTest, LoadingReadsOnlyTheHeader) {
    std::unique_ptr<TJPEGImage> j = Load(Cjpeg(TestImage(64, 48)));
    EXPECT_FALSE(j->Decoded());
    EXPECT_EQ(j->Width(), 64);
    EXPECT_EQ(j->Height(), 48);
    EXPECT_FALSE(j->Progressive());
    EXPECT_FALSE(j->Grayscale());
    EXPECT_FALSE(j->Empty());
    EXPECT_FALSE(j->Decoded());
    TBitmap* b = j->Bitmap();
    EXPECT_TRUE(j->Decoded());
    EXPECT_EQ(b->BitsPerPixel(), 24);
    EXPECT_EQ(QSize(j->Width(), j->Height()), QSize(64, 48));

    std::unique_ptr<TJPEGImage> p =
        Load(Cjpeg(TestImage(64, 48), {QStringLiteral("-progressive")}));
    EXPECT_TRUE(p->Progressive());
    EXPECT_FALSE(p->Decoded());
}

TEST_F(JpegTest, EveryCodingDecodesToTheReferencePixels) {
    struct Case {
        QSize size;
        QStringList args;
    };
    const Case cases[] = {
        {{64, 48}, {}},
        {{64, 48}, {"-sample", "1x1"}},
        {{64, 48}, {"-sample", "2x1"}},
        {{64, 48}, {"-progressive"}},
        {{64, 48}, {"-arithmetic"}},
        {{64, 48}, {"-arithmetic", "-progressive"}},
        {{64, 48}, {"-restart", "1"}},
        {{64, 48}, {"-restart", "2B", "-optimize"}},
        {{64, 48}, {"-rgb"}},
        {{17, 13}, {}},
        {{17, 13}, {"-progressive", "-sample", "2x2"}},
        {{1, 1}, {}},
        {{33, 7}, {"-quality", "30"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1x%2 %3")
                         .arg(c.size.width())
                         .arg(c.size.height())
                         .arg(c.args.join(' '))
                         .toStdString());
        const QByteArray jpeg = Cjpeg(TestImage(c.size.width(), c.size.height()), c.args);
        std::unique_ptr<TJPEGImage> j = Load(jpeg);
        EXPECT_EQ(j->Bitmap()->BitsPerPixel(), 24);
        EXPECT_EQ(ImageDifference(Pixels(*j), Djpeg(jpeg)), 0);
    }
}

TEST_F(JpegTest, GreyFilesBecomeEightBitWithAGreyPalette) {
    const QByteArray jpeg = Cjpeg(TestImage(40, 30), {QStringLiteral("-grayscale")});
    std::unique_ptr<TJPEGImage> j = Load(jpeg);
    EXPECT_TRUE(j->Grayscale());
    TBitmap* b = j->Bitmap();
    EXPECT_EQ(b->BitsPerPixel(), 8);
    const QList<QRgb> palette = b->Palette();
    EXPECT_GT(palette.size(), 2);
    EXPECT_LE(palette.size(), 236);
    for (QRgb c : palette)
        EXPECT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c));
    EXPECT_EQ(ImageDifference(Pixels(*j), Djpeg(jpeg, {"-colors", "236"})), 0);
}

TEST_F(JpegTest, DecodeSettingsMatchTheDecoderWithTheSameOptions) {
    const QByteArray jpeg = Cjpeg(TestImage(48, 40));
    const QByteArray progressive = Cjpeg(TestImage(48, 40), {QStringLiteral("-progressive")});
    struct Case {
        const char* name;
        std::function<void(TJPEGImage&)> set;
        QStringList djpegArgs;
        int bits;
        const QByteArray* file;
    };
    const Case cases[] = {
        {"8-bit", [](TJPEGImage& j) { j.SetOutputDepth(od8Bit); }, {"-colors", "236"}, 8, &jpeg},
        {"grey output",
         [](TJPEGImage& j) { j.SetGrayOutput(true); },
         {"-grayscale", "-colors", "236"},
         8,
         &jpeg},
        {"fast", [](TJPEGImage& j) { j.SetDecodeSpeed(dsBestSpeed); }, {"-dct", "fast"}, 24, &jpeg},
        {"fast 8-bit",
         [](TJPEGImage& j) {
             j.SetDecodeSpeed(dsBestSpeed);
             j.SetOutputDepth(od8Bit);
         },
         {"-dct", "fast", "-colors", "236", "-onepass", "-dither", "ordered"},
         8,
         &jpeg},
        {"no smoothing", [](TJPEGImage& j) { j.SetBlockSmoothing(false); }, {}, 24, &progressive},
        {"pass by pass", [](TJPEGImage& j) { j.SetShowPasses(true); }, {}, 24, &progressive},
        {"pass by pass 8-bit",
         [](TJPEGImage& j) {
             j.SetShowPasses(true);
             j.SetOutputDepth(od8Bit);
         },
         {"-colors", "236"},
         8,
         &progressive},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<TJPEGImage> j = Load(*c.file);
        c.set(*j);
        EXPECT_EQ(j->Bitmap()->BitsPerPixel(), c.bits);
        if (c.bits == 8) {
            EXPECT_LE(j->Bitmap()->Palette().size(), 236);
        }
        EXPECT_EQ(ImageDifference(Pixels(*j), Djpeg(*c.file, c.djpegArgs)), 0);
    }
}

TEST_F(JpegTest, ReducedScalesKnowTheirSizeBeforeDecoding) {
    const QByteArray jpeg = Cjpeg(TestImage(61, 37));
    const TJPEGScale scales[] = {sdHalf, sdQuarter, sdEighth};
    for (TJPEGScale s : scales) {
        SCOPED_TRACE(static_cast<int>(s));
        std::unique_ptr<TJPEGImage> j = Load(jpeg);
        j->SetScaleDown(s);
        const QImage reference = Djpeg(jpeg, {"-scale", QStringLiteral("1/%1").arg(1 << s)});
        EXPECT_EQ(QSize(j->Width(), j->Height()), reference.size());
        EXPECT_FALSE(j->Decoded());
        EXPECT_EQ(ImageDifference(Pixels(*j), reference), 0);
    }
}

TEST_F(JpegTest, CmykAndYcckFilesShowTheirColours) {
    // Ink per block: cyan, magenta, yellow, black, red (magenta + yellow), none.
    const std::array<uint8_t, 4> inks[6] = {{255, 0, 0, 0}, {0, 255, 0, 0},   {0, 0, 255, 0},
                                            {0, 0, 0, 255}, {0, 255, 255, 0}, {0, 0, 0, 0}};
    const QRgb colours[6] = {qRgb(0, 255, 255), qRgb(255, 0, 255), qRgb(255, 255, 0),
                             qRgb(0, 0, 0),     qRgb(255, 0, 0),   qRgb(255, 255, 255)};
    for (int variant = 0; variant < 3; ++variant) {
        const bool ycck = variant == 1, adobe = variant != 2;
        SCOPED_TRACE(variant);
        // Files with Adobe's marker store ink inverted.
        const QByteArray jpeg = WriteCmyk(
            96, 16,
            [&](int x, int) {
                std::array<uint8_t, 4> v = inks[x / 16];
                if (adobe)
                    for (uint8_t& k : v)
                        k = static_cast<uint8_t>(255 - k);
                return v;
            },
            ycck, adobe);
        std::unique_ptr<TJPEGImage> j = Load(jpeg);
        const QImage image = Pixels(*j);
        ASSERT_EQ(image.size(), QSize(96, 16));
        for (int i = 0; i < 6; ++i) {
            const QRgb got = image.pixel(16 * i + 8, 8);
            EXPECT_NEAR(qRed(got), qRed(colours[i]), 6) << i;
            EXPECT_NEAR(qGreen(got), qGreen(colours[i]), 6) << i;
            EXPECT_NEAR(qBlue(got), qBlue(colours[i]), 6) << i;
        }
    }
}

TEST_F(JpegTest, AnEmptyFileLoadsEmptyAndFailsOnceWhenDecoded) {
    const QString path = QDir(TestTempDir()).filePath(QStringLiteral("empty.jpg"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    TPicture p;
    p.LoadFromFile(path);
    auto* j = qobject_cast<TJPEGImage*>(p.Graphic());
    ASSERT_NE(j, nullptr);
    EXPECT_TRUE(j->Empty());
    EXPECT_EQ(j->Width(), 0);
    EXPECT_EQ(j->Height(), 0);
    try {
        j->Bitmap();
        ADD_FAILURE() << "decoded";
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.Message(), JpegError(JERR_INPUT_EMPTY));
    }
    EXPECT_NO_THROW(j->Bitmap());
    EXPECT_TRUE(j->Bitmap()->Empty());
    EXPECT_TRUE(Save(*j).isEmpty());
}

TEST_F(JpegTest, AFileThatIsNoJpegIsRefusedAndThePictureKept) {
    const QString dir = TestTempDir();
    const QString good = QDir(dir).filePath(QStringLiteral("good.jpg"));
    const QString bad = QDir(dir).filePath(QStringLiteral("bad.jpg"));
    QFile g(good), b(bad);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly) && b.open(QIODevice::WriteOnly));
    g.write(Cjpeg(TestImage(8, 8)));
    b.write("BM not a JPEG file at all");
    g.close();
    b.close();
    TPicture p;
    p.LoadFromFile(good);
    TGraphic* kept = p.Graphic();
    try {
        p.LoadFromFile(bad);
        ADD_FAILURE() << "loaded";
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.Message(), JpegError(JERR_NO_SOI));
        // The file goes with it, as with every error of a picture file.
        EXPECT_EQ(e.FileName(), bad);
    }
    EXPECT_EQ(p.Graphic(), kept);
}

TEST_F(JpegTest, ATruncatedFileDecodesAsFarAsItGoes) {
    const QByteArray jpeg = Cjpeg(TestImage(64, 64));
    const QImage full = Djpeg(jpeg);
    std::unique_ptr<TJPEGImage> j = Load(jpeg.left(jpeg.size() * 6 / 10));
    const QImage image = Pixels(*j);
    ASSERT_EQ(image.size(), QSize(64, 64));
    EXPECT_EQ(ImageDifference(image.copy(0, 0, 64, 8), full.copy(0, 0, 64, 8)), 0);
}

TEST_F(JpegTest, DamagedFilesFailWithJpegErrorsOnly) {
    const QByteArray files[] = {Cjpeg(TestImage(48, 32)),
                                Cjpeg(TestImage(48, 32), {QStringLiteral("-progressive")}),
                                Cjpeg(TestImage(48, 32), {QStringLiteral("-arithmetic")})};
    QRandomGenerator rng(20240611);
    int failures = 0, decoded = 0;
    for (const QByteArray& original : files) {
        for (int round = 0; round < 150; ++round) {
            QByteArray damaged = original;
            switch (round % 4) {
            case 0: // a few bytes anywhere after the start marker
                for (int k = 0; k < 1 + round % 5; ++k)
                    damaged[2 + rng.bounded(damaged.size() - 2)] =
                        static_cast<char>(rng.bounded(256));
                break;
            case 1:
                damaged.truncate(2 + rng.bounded(damaged.size() - 2));
                break;
            case 2:
                damaged[2 + rng.bounded(std::min<int>(600, damaged.size() - 2))] = '\xFF';
                break;
            case 3: { // a segment repeated elsewhere
                const int at = 2 + rng.bounded(damaged.size() - 40);
                damaged.insert(2 + rng.bounded(damaged.size() - 2),
                               damaged.mid(at, 1 + rng.bounded(30)));
                break;
            }
            }
            try {
                std::unique_ptr<TJPEGImage> j = Load(damaged);
                j->SetShowPasses(round % 3 == 0);
                j->Bitmap();
                ++decoded;
            } catch (const EJPEG&) {
                ++failures;
            }
        }
    }
    EXPECT_GT(failures, 0);
    EXPECT_GT(decoded, 0);
}

TEST_F(JpegTest, AHugeHeaderIsRefusedBeforeAnythingIsAllocated) {
    QByteArray jpeg = Cjpeg(TestImage(16, 16));
    const qsizetype sof = jpeg.indexOf("\xFF\xC0");
    ASSERT_GT(sof, 0);
    jpeg[sof + 5] = '\xEA'; // height 60000
    jpeg[sof + 6] = '\x60';
    jpeg[sof + 7] = '\xEA'; // width 60000
    jpeg[sof + 8] = '\x60';
    // Refused as it is read, with what is wrong: not left to fail where it is drawn.
    try {
        Load(jpeg);
        ADD_FAILURE() << "loaded";
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.Code(), JERR_IMAGE_TOO_BIG);
        EXPECT_TRUE(e.Message().contains(QStringLiteral("60000 x 60000 pixels")))
            << qPrintable(e.Message());
    }
}

TEST_F(JpegTest, SavingWritesBackTheBytesReadAndCopiesShareThem) {
    const QByteArray jpeg = Cjpeg(TestImage(32, 24), {QStringLiteral("-progressive")});
    std::unique_ptr<TJPEGImage> a = Load(jpeg);
    EXPECT_EQ(Save(*a), jpeg);
    TJPEGImage b;
    b.Assign(a.get());
    EXPECT_TRUE(b.Equals(a.get()));
    EXPECT_EQ(b.Data(), a->Data());
    EXPECT_FALSE(b.Decoded());
    EXPECT_EQ(Save(b), jpeg);
    // A picture loaded from the same bytes is equal in pixels, not in data.
    std::unique_ptr<TJPEGImage> c = Load(jpeg);
    EXPECT_FALSE(c->Equals(a.get()));

    a->Bitmap();
    TJPEGImage d;
    d.Assign(a.get());
    ASSERT_TRUE(d.Decoded());
    EXPECT_NE(d.Bitmap(), a->Bitmap());
    EXPECT_EQ(ImageDifference(Pixels(d), Pixels(*a)), 0);

    // Reloading drops the decoded bitmap; a copy from undecoded data drops it too.
    d.Assign(c.get());
    EXPECT_FALSE(d.Decoded());

    EXPECT_THROW(d.SetWidth(5), EInvalidGraphicOperation);
    try {
        d.SetHeight(5);
        ADD_FAILURE() << "the height changed";
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot change the size of a JPEG image"));
    }

    // Layout streams carry a byte count and the bytes.
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    a->WriteData(stream);
    stream.seek(0);
    TJPEGImage e;
    e.ReadData(stream);
    EXPECT_EQ(Save(e), jpeg);
    EXPECT_EQ(stream.size(), jpeg.size() + 4);
}

TEST_F(JpegTest, APictureMadeFromABitmapIsCompressedWhenSaved) {
    TBitmap source;
    source.SetImage(TestImage(40, 24), pf24bit);
    TJPEGImage j;
    j.Assign(&source);
    EXPECT_FALSE(j.Empty());
    EXPECT_FALSE(j.Data()->HasBytes());
    EXPECT_EQ(j.Width(), 40);
    const QByteArray saved = Save(j);
    ASSERT_TRUE(saved.startsWith("\xFF\xD8"));
    EXPECT_EQ(j.Data()->width, 40);
    // The same compression as the reference encoder at the default quality.
    EXPECT_EQ(saved, Cjpeg(TestImage(40, 24), {"-quality", "90", "-baseline"}));
    EXPECT_EQ(Save(j), saved);

    TJPEGImage grey;
    grey.SetGrayOutput(true);
    grey.SetProgressive(true);
    grey.Assign(&source);
    const QByteArray greyBytes = Save(grey);
    EXPECT_TRUE(grey.Grayscale());
    std::unique_ptr<TJPEGImage> back = Load(greyBytes);
    EXPECT_TRUE(back->Grayscale());
    EXPECT_TRUE(back->Progressive());

    TBitmap out;
    out.Assign(back.get());
    EXPECT_EQ(out.BitsPerPixel(), 8);
    EXPECT_EQ(QSize(out.Width(), out.Height()), QSize(40, 24));
}

TEST_F(JpegTest, ProgressIsReportedAndAnAbortKeepsTheRowsSoFar) {
    JPEGProgressInterval = 0;
    const QByteArray jpeg =
        Cjpeg(TestImage(256, 256), {QStringLiteral("-sample"), QStringLiteral("1x1")});
    struct Report {
        int stage, percent;
        QRect rect;
    };
    std::vector<Report> reports;
    std::unique_ptr<TJPEGImage> j = Load(jpeg);
    j->OnProgress = [&](TObject* sender, int stage, int percent, bool, const QRect& r,
                        const QString&) {
        EXPECT_EQ(sender, j.get());
        reports.push_back({stage, percent, r});
    };
    j->Bitmap();
    ASSERT_GE(reports.size(), 4u);
    EXPECT_EQ(reports.front().stage, psStarting);
    EXPECT_EQ(reports.back().stage, psEnding);
    EXPECT_EQ(reports.back().percent, 100);
    int lastPercent = -1, nextRow = 0;
    for (size_t i = 1; i + 1 < reports.size(); ++i) {
        EXPECT_EQ(reports[i].stage, psRunning);
        EXPECT_GT(reports[i].percent, lastPercent);
        EXPECT_EQ(reports[i].rect.top(), nextRow);
        lastPercent = reports[i].percent;
        nextRow = reports[i].rect.bottom() + 1;
    }

    // A silent abort from the handler stops the decode; what was decoded stays.
    std::unique_ptr<TJPEGImage> k = Load(jpeg);
    int ending = -1;
    k->OnProgress = [&](TObject*, int stage, int percent, bool, const QRect&, const QString&) {
        if (stage == psRunning && percent >= 40) Abort();
        if (stage == psEnding) ending = percent;
    };
    EXPECT_THROW(k->Bitmap(), EAbort);
    EXPECT_EQ(ending, 0);
    ASSERT_TRUE(k->Decoded());
    k->OnProgress = nullptr;
    const QImage partial = Pixels(*k);
    ASSERT_EQ(partial.size(), QSize(256, 256));
    const QImage full = Djpeg(jpeg);
    EXPECT_EQ(ImageDifference(partial.copy(0, 0, 256, 64), full.copy(0, 0, 256, 64)), 0);
    EXPECT_EQ(CountPixels(partial, QRect(0, 240, 256, 16), qRgb(0, 0, 0), 0), 256 * 16);
}

TEST_F(JpegTest, AnOutsidePaletteIsDecodedOnto) {
    const QByteArray jpeg = Cjpeg(TestImage(48, 32));
    QList<QRgb> palette;
    QImage map(16, 1, QImage::Format_RGB32);
    for (int i = 0; i < 16; ++i) {
        // The corners of the colour cube, and of a smaller cube inside it.
        const int low = i < 8 ? 0 : 64, high = i < 8 ? 255 : 192;
        palette << qRgb(i & 1 ? high : low, i & 2 ? high : low, i & 4 ? high : low);
        map.setPixel(i, 0, palette[i]);
    }
    const QString mapFile = QDir(TestTempDir()).filePath(QStringLiteral("map.ppm"));
    QFile f(mapFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Ppm(map));
    f.close();
    std::unique_ptr<TJPEGImage> j = Load(jpeg);
    j->SetOutputDepth(od8Bit);
    j->SetPalette(palette);
    EXPECT_EQ(j->Bitmap()->Palette(), palette);
    EXPECT_EQ(ImageDifference(Pixels(*j), Djpeg(jpeg, {"-map", mapFile})), 0);
}

TEST_F(JpegTest, DrawingStretchesTheDecodedBitmap) {
    const QByteArray jpeg = Cjpeg(TestImage(30, 20));
    std::unique_ptr<TJPEGImage> j = Load(jpeg);
    TBitmap page;
    page.SetPixelFormat(pf24bit);
    page.SetSize(60, 40);
    page.Canvas()->StretchDraw(QRect(0, 0, 60, 40), j.get());
    const QImage reference = Djpeg(jpeg).scaled(60, 40);
    EXPECT_EQ(ImageDifference(page.Image(), reference), 0);
}

} // namespace
