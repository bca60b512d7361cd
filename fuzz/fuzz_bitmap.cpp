// Bitmap files, icons, pictures that Qt's readers decode (PNG, GIF) and device-independent
// bitmaps as metafile records hold them: read or refused, and drawn small when read. The
// first byte chooses the reader; for a bare bitmap the second says where its header ends
// and its rows begin.

#include "FuzzSupport.h"
#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/Dib.h"
#include "framework/graphics/Pictures.h"
#include "framework/graphics/QtImage.h"

#include <QBuffer>
#include <QPainter>

namespace {

template <class Kind, class... Made> void LoadAndDraw(const QByteArray& bytes, Made... made) {
    Kind picture(made...);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    try {
        picture.LoadFromStream(buffer);
    } catch (const Exception&) {
        return;
    }
    TBitmap page;
    page.SetPixelFormat(pf24bit);
    page.SetSize(64, 48);
    page.Canvas()->StretchDraw(QRect(0, 0, 64, 48), &picture);
}

void Dib(const QByteArray& bytes) {
    if (bytes.isEmpty()) return;
    const qsizetype split = std::min<qsizetype>(static_cast<uchar>(bytes[0]) * 4, bytes.size() - 1);
    const TDib dib{bytes.mid(1, split), bytes.mid(1 + split)};
    QImage page = SmallPage();
    QPainter painter(&page);
    TPainterDC dc(&painter);
    dc.StretchDIBits(QRect(0, 0, 64, 48), QRect(0, 0, 16, 16), dib, SRCCOPY);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    StartFuzzing(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1,
                           static_cast<qsizetype>(size - 1));
    switch (data[0] % 5) {
    case 0:
        LoadAndDraw<TBitmap>(bytes);
        break;
    case 1:
        LoadAndDraw<TIcon>(bytes);
        break;
    case 3:
        LoadAndDraw<TQtImage>(bytes, QByteArray("png"));
        break;
    case 4:
        LoadAndDraw<TQtImage>(bytes, QByteArray("gif"));
        break;
    default:
        Dib(bytes);
        break;
    }
    return 0;
}
