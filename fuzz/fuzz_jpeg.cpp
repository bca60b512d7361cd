// JPEG files decoded with the settings the first byte chooses, and drawn small.

#include "FuzzSupport.h"
#include "imaging/jpeg.h"

#include <QBuffer>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    StartFuzzing(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t settings = data[0];
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1,
                           static_cast<qsizetype>(size - 1));
    TJPEGImage jpeg;
    jpeg.SetScaleDown(static_cast<TJPEGScale>(settings & 3));
    jpeg.SetOutputDepth(settings & 4 ? od8Bit : od24Bit);
    jpeg.SetGrayOutput(settings & 8);
    jpeg.SetShowPasses(settings & 16);
    jpeg.SetDecodeSpeed(settings & 32 ? dsBestSpeed : dsBestQuality);
    jpeg.SetBlockSmoothing(!(settings & 64));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    try {
        jpeg.LoadFromStream(buffer);
        TBitmap page;
        page.SetPixelFormat(pf24bit);
        page.SetSize(64, 48);
        page.Canvas()->StretchDraw(QRect(0, 0, 64, 48), &jpeg);
    } catch (const Exception&) {
    }
    return 0;
}
