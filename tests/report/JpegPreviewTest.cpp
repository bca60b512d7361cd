// The preview decodes a page's JPEG pictures at the size it shows them, larger when it is
// zoomed in, and lets them go when it closes.

#include "PreviewSupport.h"
#include "framework/graphics/JpegBytes.h"
#include "imaging/jpeg.h"
#include "report/RpPrev.h"

#include <QBuffer>
#include <QImageWriter>
#include <QTest>

namespace {

TEST(JpegPreview, DecodesAtTheShownSizeAndFreesOnClose) {
    QImage photo(2400, 1800, QImage::Format_RGB32);
    photo.fill(qRgb(30, 120, 200));
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(QImageWriter(&buffer, "jpeg").write(photo));
    }
    TJPEGImage jpeg;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        jpeg.LoadFromStream(buffer);
    }
    TRpPrinter printer;
    printer.StartJob();
    printer.StartNewPage();
    printer.PageCanvas()->StretchDraw(QRect(40, 40, 454, 340), &jpeg);
    printer.FinishJob();
    ASSERT_FALSE(jpeg.Decoded());
    ReleaseDecodedJpegs();

    const qint64 whole = QImage(2400, 1800, QImage::Format_RGB32).sizeInBytes();
    QPointer<TRpStandardPreview> window = new TRpStandardPreview(Application, &printer);
    window->Present();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window->Widget()));
    Settle();
    ASSERT_TRUE(QTest::qWaitFor([] { return DecodedJpegBytes() > 0; }, 10000));
    // The least of 1/1, 1/2, 1/4, 1/8 whose picture is as wide as the place it fills on
    // the page shown.
    const qint64 shown = DecodedJpegBytes();
    const double place = 454.0 * window->RpPreview->Image()->Width() / 794;
    int divisor = 1;
    while (divisor < 8 && whole / (divisor * 2) / (divisor * 2) >= shown)
        divisor *= 2;
    EXPECT_EQ(shown, whole / divisor / divisor);
    EXPECT_GE(2400 / divisor, place - 2);
    if (divisor < 8) EXPECT_LT(2400 / (2 * divisor), place + 2);
    window->RpPreview->SetZoom(400);
    window->RpPreview->Image()->Widget()->repaint();
    Settle();
    EXPECT_GT(DecodedJpegBytes(), shown);
    EXPECT_LE(DecodedJpegBytes(), whole);
    delete window.data();
    Settle();
    EXPECT_EQ(DecodedJpegBytes(), 0);
}

} // namespace
