#pragma once
// The coder of compressed page records.

#include "report/pagestore/RpTypes.h"

#include <QIODevice>
#include <array>
#include <cstdint>
#include <vector>

// The coder of compressed page records: a splay-tree prefix code, one independent code
// per record. Coding takes bytes and writes whole bytes to the stream; the last partly
// filled byte is written by Flush (or when the coder is freed). Decoding reads at most
// `inputLimit` bytes from the stream and returns byte values.
class TRpCompress {
public:
    enum TMode { cmEncode, cmDecode };

    TRpCompress(QIODevice& stream, TMode mode, qint64 inputLimit = -1);
    ~TRpCompress();
    TRpCompress(const TRpCompress&) = delete;
    TRpCompress& operator=(const TRpCompress&) = delete;

    void Encode(uint8_t byte) { Encode(&byte, 1); }
    void Encode(const uint8_t* data, size_t count);
    // Writes the last partly filled byte and anything still buffered.
    void Flush();

    // One decoded byte; raises ERpError when the input ends before its code does.
    uint8_t Decode();
    void Decode(uint8_t* out, size_t count);
    // Bytes the codes so far take, read while decoding or written while coding: every
    // byte begun counts.
    qint64 BytesCoded() const;

private:
    void Reset();
    void FlushOutput();
    void TopUp();
    bool FillBuffer();
    [[noreturn]] void InputEnded() const;

    QIODevice& stream_;
    TMode mode_;
    // Node 0 is the root; nodes 1..255 internal, 256..512 leaves (256 + byte value).
    // child_[n][0] is the left child (bit 0), child_[n][1] the right one (bit 1). Coding
    // walks up from a leaf: link_[n] holds n's parent times 2 plus the side n hangs on,
    // so one read gives both.
    std::array<std::array<uint16_t, 2>, 256> child_{};
    std::array<uint16_t, 513> link_{};
    // Bit I/O: bits go out and come in least significant first.
    uint64_t bitBuffer_ = 0;
    unsigned bitCount_ = 0;
    qint64 bitsUsed_ = 0;
    std::vector<uint8_t> buffer_;
    size_t bufferPos_ = 0, bufferEnd_ = 0;
    qint64 inputLeft_ = 0;
    bool flushed_ = false;
};

