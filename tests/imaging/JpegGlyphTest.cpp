// A glyph button whose JPEG glyph fails to decode when it is first painted: the error
// stays inside the framework's paint step and is told once, from the loop.
#include "framework/widgets/Buttons.h"
#include "framework/widgets/Forms.h"
#include "imaging/jpeg.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <cstdlib>

#include <jerror.h>
#include <jpeglib.h>

namespace {

// A 16 x 16 baseline JPEG written through libjpeg.
QByteArray WriteJpeg() {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = 16;
    c.image_height = 16;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(16 * 3, 200);
    while (c.next_scanline < c.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    QByteArray bytes(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
    std::free(out);
    jpeg_destroy_compress(&c);
    return bytes;
}

TEST(JpegGlyphTest, AGlyphThatFailsToDecodeWhilePaintingIsToldOnceFromTheLoop) {
    RegisterJPEGFormats();
    // Luminance sampled 4 x 4 makes 18 blocks a unit: the header reads, decoding refuses.
    QByteArray jpeg = WriteJpeg();
    const qsizetype sof = jpeg.indexOf("\xFF\xC0");
    ASSERT_GT(sof, 0);
    jpeg[sof + 11] = '\x44';
    const QString path = QDir(TestTempDir()).filePath(QStringLiteral("glyph.jpg"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(jpeg);
    file.close();

    TForm form(nullptr);
    form.SetClientWidth(120);
    form.SetClientHeight(60);
    auto* button = new TBitBtn(&form);
    button->SetBounds(10, 10, 90, 30);
    button->SetCaption(QStringLiteral("Stampa"));
    button->SetParent(&form);
    ASSERT_NO_THROW(button->Glyph()->LoadFromFile(path));
    QStringList told;
    Application->OnException = [&](TObject*, const Exception& e) { told << e.Message(); };
    form.Show();
    QImage face;
    EXPECT_NO_THROW(face = button->Widget()->grab().toImage());
    EXPECT_TRUE(told.isEmpty());
    // The face is drawn without the glyph: the caption is there.
    EXPECT_GT(CountPixels(face, face.rect(), qRgb(0, 0, 0), 100), 0);
    for (int i = 0; i < 3; ++i)
        Application->ProcessMessages();
    Application->OnException = nullptr;
    EXPECT_EQ(told, QStringList{QStringLiteral("JPEG error #%1").arg(JERR_BAD_MCU_SIZE)});
}

} // namespace
