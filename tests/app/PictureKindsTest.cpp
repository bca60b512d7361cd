// Picture kinds of the editor: a PNG cover prints, a damaged one is refused naming the
// file, and the picture dialogs' first filter offers every kind a cover takes.

#include "framework/graphics/Graphics.h"
#include "framework/widgets/Dialogs.h"
#include "imaging/jpeg.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

namespace {

// The program with --pdf, without a display; its exit code and standard error.
std::pair<int, QString> PrintToPdf(const QString& design, const QString& pdf) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(SLEEVANE_PROGRAM), {QStringLiteral("--pdf"), design, pdf});
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return {-1, QString()};
    }
    return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardError())};
}

QString WriteDesign(const QDir& dir, const QString& picture) {
    const QString design = dir.filePath(QStringLiteral("png.sleevane"));
    QFile f(design);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral(R"({"format": "sleevane-design", "version": 1,
                               "front": {"format": "single", "picture": "%1"}})")
                .arg(picture)
                .toUtf8());
    return design;
}

TEST(PictureKindsTest, APngCoverPrintsAndADamagedOneIsRefusedNamingIt) {
    const QDir dir(TestTempDir());
    QImage picture(200, 200, QImage::Format_RGB32);
    picture.fill(qRgb(40, 160, 90));
    ASSERT_TRUE(picture.save(dir.filePath(QStringLiteral("fronte.png")), "PNG"));
    const QString pdf = dir.filePath(QStringLiteral("png.pdf"));
    const auto [code, err] =
        PrintToPdf(WriteDesign(dir, dir.filePath(QStringLiteral("fronte.png"))), pdf);
    ASSERT_EQ(code, 0) << err.toStdString();
    const QImage page = RenderPdfPage(pdf, 1, 50);
    ASSERT_FALSE(page.isNull());
    // The 120 mm square at 50 dpi is some 236 pixels wide: most of it is the picture.
    EXPECT_GT(CountPixels(page, page.rect(), qRgb(40, 160, 90), 20), 200 * 200);

    const QString damaged = TestData(QStringLiteral("bad/png/pixels-crc-wrong.png"));
    const auto [badCode, badErr] = PrintToPdf(WriteDesign(dir, damaged), pdf);
    EXPECT_EQ(badCode, 1);
    EXPECT_TRUE(badErr.contains(damaged)) << badErr.toStdString();
    EXPECT_TRUE(badErr.contains(QLatin1String("PNG image is not valid"))) << badErr.toStdString();
}

TEST(PictureKindsTest, ThePictureDialogsOfferEveryKindFirst) {
    RegisterJPEGFormats();
    QFile layout(QStringLiteral(":/layouts/Form1.layout"));
    ASSERT_TRUE(layout.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(layout.readAll());
    for (const char* dialog : {"frontDialog", "rearDialog"}) {
        SCOPED_TRACE(dialog);
        const QRegularExpression filterOf(
            QStringLiteral("object %1: TOpenDialog\\s+Filter = '([^']*)'")
                .arg(QLatin1String(dialog)));
        const QString filter = filterOf.match(text).captured(1);
        QStringList kinds;
        for (const QString& pattern : FilterPatterns(filter, 1)) {
            const QString ext = pattern.section(QLatin1Char('.'), 1);
            EXPECT_NE(FindFileFormat(ext), nullptr) << ext.toStdString();
            kinds << ext;
        }
        for (const char* kind : {"jpg", "jpeg", "bmp", "png", "gif"})
            EXPECT_TRUE(kinds.contains(QLatin1String(kind))) << kind;
        // The filters that were there stay, after it.
        EXPECT_EQ(FilterPatterns(filter, 2), QStringList{QStringLiteral("*.jpg")});
        EXPECT_EQ(FilterPatterns(filter, 3), QStringList{QStringLiteral("*.bmp")});
    }
}

} // namespace
