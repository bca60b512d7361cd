#include "report/pagestore/RpPrntrCompress.h"

#include <QtEndian>
#include <algorithm>
#include <limits>

namespace {
[[noreturn]] void StreamFailed(const QString& what) {
    throw EStreamError(what);
}
} // namespace

// ---- TRpCompress -----------------------------------------------------------------------

namespace {
constexpr size_t kCoderBuffer = 64 * 1024;
}

TRpCompress::TRpCompress(QIODevice& stream, TMode mode, qint64 inputLimit)
    : stream_(stream), mode_(mode), buffer_(kCoderBuffer),
      inputLeft_(inputLimit < 0 ? std::numeric_limits<qint64>::max() : inputLimit) {
    Reset();
}

TRpCompress::~TRpCompress() {
    if (mode_ != cmEncode || flushed_) return;
    try {
        Flush();
    } catch (const Exception&) {
        // A write that fails while the coder goes has nobody left to tell.
    }
}

// Heap order: node j hangs below (j - 1) / 2, so bytes 0 to 254 start with 8-bit codes
// and byte 255 with a 9-bit one.
void TRpCompress::Reset() {
    // Odd nodes hang on the left (side 0), even ones on the right (side 1).
    for (unsigned j = 1; j < link_.size(); ++j)
        link_[j] = static_cast<uint16_t>((j - 1) / 2 * 2 + (j % 2 == 0 ? 1 : 0));
    for (unsigned i = 0; i < child_.size(); ++i)
        child_[i] = {static_cast<uint16_t>(2 * i + 1), static_cast<uint16_t>(2 * i + 2)};
    bitBuffer_ = 0;
    bitCount_ = 0;
    bitsUsed_ = 0;
    bufferPos_ = bufferEnd_ = 0;
}

// One walk up from the leaf gives the code and splays. Each step looks at a node a, its
// parent p and grandparent g: the two bits say on which side a hangs below p and p below
// g; then a takes the place of p's sibling u below g, and u takes a's place below p. The
// tree above g does not change, so the walk goes on from g. Bits come leaf first: each
// new pair is shifted in at the bottom, which leaves the root's bit at bit 0, the first
// to go out; deep codes come in pieces of at most 32 bits, the deepest first. The bit
// state stays in locals for the whole run; whole 32-bit words go to the buffer, least
// significant byte first.
void TRpCompress::Encode(const uint8_t* data, size_t count) {
    uint64_t bits = bitBuffer_;
    unsigned held = bitCount_;
    qint64 used = 0;
    auto put = [&](uint32_t code, unsigned length) {
        bits |= static_cast<uint64_t>(code) << held;
        held += length;
        used += length;
        if (held < 32) return;
        if (bufferEnd_ + 4 > buffer_.size()) FlushOutput();
        qToLittleEndian(static_cast<uint32_t>(bits), buffer_.data() + bufferEnd_);
        bufferEnd_ += 4;
        bits >>= 32;
        held -= 32;
    };
    struct Piece {
        uint32_t bits;
        unsigned count;
    };
    for (size_t k = 0; k < count; ++k) {
        Piece pieces[10];
        int pieceCount = 0;
        uint32_t code = 0;
        unsigned length = 0;
        unsigned a = 256u + data[k];
        for (;;) {
            const unsigned linkA = link_[a];
            const unsigned p = linkA >> 1, sideA = linkA & 1;
            if (p == 0) {
                code = (code << 1) | sideA;
                ++length;
                break;
            }
            const unsigned linkP = link_[p];
            const unsigned g = linkP >> 1, sideP = linkP & 1;
            code = (code << 2) | (sideA << 1) | sideP;
            length += 2;
            const unsigned u = child_[g][sideP ^ 1];
            child_[g][sideP ^ 1] = static_cast<uint16_t>(a);
            child_[p][sideA] = static_cast<uint16_t>(u);
            link_[a] = static_cast<uint16_t>(g << 1 | (sideP ^ 1));
            link_[u] = static_cast<uint16_t>(p << 1 | sideA);
            if (g == 0) break;
            a = g;
            if (length >= 31) {
                pieces[pieceCount++] = {code, length};
                code = 0;
                length = 0;
            }
        }
        put(code, length);
        while (pieceCount > 0) {
            const Piece& piece = pieces[--pieceCount];
            put(piece.bits, piece.count);
        }
    }
    bitBuffer_ = bits;
    bitCount_ = held;
    bitsUsed_ += used;
}

void TRpCompress::FlushOutput() {
    if (bufferEnd_ == 0) return;
    const auto n = static_cast<qint64>(bufferEnd_);
    if (stream_.write(reinterpret_cast<const char*>(buffer_.data()), n) != n)
        StreamFailed(stream_.errorString());
    bufferEnd_ = 0;
}

void TRpCompress::Flush() {
    if (mode_ != cmEncode) return;
    while (bitCount_ > 0) {
        if (bufferEnd_ == buffer_.size()) FlushOutput();
        buffer_[bufferEnd_++] = static_cast<uint8_t>(bitBuffer_);
        bitBuffer_ >>= 8;
        bitCount_ = bitCount_ > 8 ? bitCount_ - 8 : 0;
    }
    bitBuffer_ = 0;
    FlushOutput();
    flushed_ = true;
}

qint64 TRpCompress::BytesCoded() const {
    return (bitsUsed_ + 7) / 8;
}

void TRpCompress::InputEnded() const {
    throw ERpError(RpRes::SCodeEndsEarly);
}

// Reads the next input bytes, never past the coded bytes the caller allowed; false at
// their end.
bool TRpCompress::FillBuffer() {
    const qint64 want = std::min<qint64>(static_cast<qint64>(buffer_.size()), inputLeft_);
    const qint64 got = want > 0 ? stream_.read(reinterpret_cast<char*>(buffer_.data()), want) : 0;
    if (got <= 0) return false;
    inputLeft_ -= got;
    bufferPos_ = 0;
    bufferEnd_ = static_cast<size_t>(got);
    return true;
}

// Brings the bit buffer up to at least 57 bits while input lasts. Eight bytes are loaded
// at once where they are there: the bytes that fit only in part are loaded again whole
// next time, and or-ing the same bits twice changes nothing.
void TRpCompress::TopUp() {
    while (bitCount_ <= 56) {
        if (bufferPos_ + 8 <= bufferEnd_) {
            const uint64_t word = qFromLittleEndian<uint64_t>(buffer_.data() + bufferPos_);
            bitBuffer_ |= word << bitCount_;
            const unsigned whole = (63 - bitCount_) >> 3;
            bufferPos_ += whole;
            bitCount_ += whole * 8;
            return;
        }
        if (bufferPos_ == bufferEnd_ && !FillBuffer()) return;
        if (bufferPos_ + 8 > bufferEnd_) {
            bitBuffer_ |= static_cast<uint64_t>(buffer_[bufferPos_++]) << bitCount_;
            bitCount_ += 8;
        }
    }
}

uint8_t TRpCompress::Decode() {
    uint8_t b;
    Decode(&b, 1);
    return b;
}

// Each byte descends from the root, one bit a level, noting the path; the splay then
// works on the noted path from the leaf up, two levels a step, as coding does. The bit
// state stays in locals except while the buffer is topped up.
void TRpCompress::Decode(uint8_t* out, size_t count) {
    uint16_t path[260];
    uint8_t side[260];
    uint64_t bits = bitBuffer_;
    unsigned held = bitCount_;
    qint64 used = 0;
    auto topUp = [&] {
        bitBuffer_ = bits;
        bitCount_ = held;
        TopUp();
        bits = bitBuffer_;
        held = bitCount_;
    };
    for (size_t k = 0; k < count; ++k) {
        if (held < 32) topUp();
        unsigned node = 0;
        unsigned depth = 0;
        path[0] = 0;
        do {
            if (held == 0) {
                topUp();
                if (held == 0) {
                    bitsUsed_ += used;
                    InputEnded();
                }
            }
            const unsigned bit = bits & 1;
            bits >>= 1;
            --held;
            node = child_[node][bit];
            ++depth;
            path[depth] = static_cast<uint16_t>(node);
            side[depth] = static_cast<uint8_t>(bit);
        } while (node < 256);
        used += depth;
        out[k] = static_cast<uint8_t>(node - 256);
        for (unsigned d = depth; d >= 2; d -= 2) {
            const unsigned a = path[d], p = path[d - 1], g = path[d - 2];
            const unsigned sideP = side[d - 1];
            const unsigned u = child_[g][sideP ^ 1];
            child_[g][sideP ^ 1] = static_cast<uint16_t>(a);
            child_[p][side[d]] = static_cast<uint16_t>(u);
        }
    }
    bitBuffer_ = bits;
    bitCount_ = held;
    bitsUsed_ += used;
}

