// Placeable Windows metafiles: turned into enhanced records and played, or refused.

#include "FuzzSupport.h"
#include "framework/graphics/Metafile.h"
#include "framework/graphics/Wmf.h"

#include <QBuffer>
#include <QPainter>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    StartFuzzing(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TMetafile mf;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    try {
        mf.LoadFromStream(buffer);
    } catch (const Exception&) {
        return 0;
    }
    QImage page = SmallPage();
    QPainter painter(&page);
    mf.Play(painter, QRectF(0, 0, 64, 48));
    return 0;
}
