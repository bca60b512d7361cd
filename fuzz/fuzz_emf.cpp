// Enhanced metafiles: loaded with every check and played, and played as raw bytes too,
// where each record is checked only as it is met.

#include "FuzzSupport.h"
#include "framework/graphics/EmfPlayer.h"
#include "framework/graphics/Metafile.h"

#include <QPainter>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    StartFuzzing(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QImage page = SmallPage();
    {
        QPainter painter(&page);
        PlayEnhMetaFile(painter, bytes, QRectF(0, 0, 64, 48));
    }
    TMetafile mf;
    try {
        mf.SetData(bytes);
    } catch (const Exception&) {
        return 0;
    }
    QPainter painter(&page);
    mf.Play(painter, QRectF(4, 4, 40, 30));
    return 0;
}
