// Picture files are looked at before they are read: FIFOs, devices, folders and files past
// the cap are refused at once with their names; every error of a picture file carries it,
// and a picture whose header claims more pixels than the limit is refused as it is read.
#include "framework/core/Files.h"
#include "framework/core/Limits.h"
#include "framework/graphics/Pictures.h"
#include "imaging/jpeg.h"
#include "support/HostileFiles.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>

namespace {

QString ErrorOf(const QString& file, QString* named = nullptr) {
    TPicture picture;
    try {
        picture.LoadFromFile(file);
    } catch (const Exception& e) {
        if (named) *named = e.FileName();
        return e.Message();
    }
    return QStringLiteral("loaded");
}

QString Put(const QString& dir, const char* name, const QByteArray& bytes) {
    const QString path = QDir(dir).filePath(QLatin1String(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    return path;
}

} // namespace

TEST(InputFiles, PicturesThatAreNoRegularFilesAreRefusedWithTheirNames) {
    RegisterStandardPictureFormats();
    RegisterJPEGFormats();
    const QString dir = TestTempDir();
    for (const char* extension : {"jpg", "bmp", "emf", "ico"}) {
        const std::vector<THostileFile> files = MakeHostileFiles(
            QDir(dir).filePath(QLatin1String(extension)), QLatin1String(extension));
        ASSERT_EQ(files.size(), 5u) << extension;
        for (const THostileFile& f : files) {
            SCOPED_TRACE(f.path.toStdString());
            QString named;
            EXPECT_TRUE(
                ErrorOf(f.path, &named)
                    .startsWith(QStringLiteral("Cannot open file %1: %2").arg(f.path, f.cause)));
            EXPECT_EQ(named, f.path);
        }
    }
    // A device without an extension goes to the kind that looks at the content: it is not
    // read either.
    EXPECT_EQ(ErrorOf(QStringLiteral("/dev/zero")),
              QStringLiteral("Cannot open file /dev/zero: a device, not a regular file"));
    // The cap itself, from the file's size alone.
    const QString big = QDir(dir).filePath(QStringLiteral("big.bmp"));
    QFile sparse(big);
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(kMaxPictureFileBytes + 1));
    sparse.close();
    EXPECT_EQ(ErrorOf(big), QStringLiteral("Cannot open file %1: larger than 641 MB").arg(big));
    ASSERT_TRUE(sparse.resize(kMaxPictureFileBytes));
    EXPECT_EQ(ErrorOf(big), QStringLiteral("Bitmap image is not valid"));
}

TEST(InputFiles, EveryPictureErrorCarriesTheFileAndTooManyPixelsSaySo) {
    RegisterStandardPictureFormats();
    RegisterJPEGFormats();
    const QString dir = TestTempDir();
    QFile header(TestData(QStringLiteral("bad/jpeg/header-only-65000x65000.jpg")));
    ASSERT_TRUE(header.open(QIODevice::ReadOnly));
    // A BMP header claiming 65000 x 65000 pixels and nothing after it.
    QByteArray bmp(54, '\0');
    bmp[0] = 'B', bmp[1] = 'M', bmp[10] = 54, bmp[14] = 40, bmp[26] = 1, bmp[28] = 24;
    bmp[18] = bmp[22] = static_cast<char>(65000 & 255);
    bmp[19] = bmp[23] = static_cast<char>(65000 >> 8);
    const struct {
        const char* name;
        QByteArray bytes;
        QString error;
    } cases[] = {
        {"huge.jpg", header.readAll(),
         QStringLiteral("JPEG error #%1: 65000 x 65000 pixels, more than %2")
             .arg(JERR_IMAGE_TOO_BIG)
             .arg(kMaxBitmapPixels)},
        {"huge.bmp", bmp,
         QStringLiteral("Bitmap image is not valid: 65000 x 65000 pixels, more than %1")
             .arg(kMaxBitmapPixels)},
        {"junk.jpg", "not a picture", QStringLiteral("JPEG error #%1").arg(JERR_NO_SOI)},
        {"junk.bmp", "not a picture", QStringLiteral("Bitmap image is not valid")},
        {"junk.xyz", "not a picture", QStringLiteral("Unknown picture file extension (.xyz)")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = Put(dir, c.name, c.bytes);
        QString named;
        EXPECT_EQ(ErrorOf(path, &named), c.error);
        EXPECT_EQ(named, path);
    }
}
