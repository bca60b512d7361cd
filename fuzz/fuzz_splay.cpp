// The splay-tree decoder of compressed page records: any input decodes or ends with the
// coder's error, never reading past the limit it is given.

#include "FuzzSupport.h"
#include "report/pagestore/RpPrntrCompress.h"

#include <QBuffer>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    StartFuzzing(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte chooses how much of the rest the decoder may read.
    const qint64 limit = static_cast<qint64>((size - 1) * data[0] / 255);
    QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TRpCompress coder(buffer, TRpCompress::cmDecode, limit);
    std::vector<uint8_t> out(4 * size + 64);
    try {
        coder.Decode(out.data(), out.size());
    } catch (const Exception&) {
    }
    if (coder.BytesCoded() > limit) __builtin_trap();
    return 0;
}
