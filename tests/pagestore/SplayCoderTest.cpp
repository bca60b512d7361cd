// The splay-tree coder of compressed page records: codes worked out by hand from the
// initial tree and the splay step, round trips, and input that ends too early.

#include "report/pagestore/RpPrntrCompress.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <random>

namespace {

QByteArray Encode(const QByteArray& plain) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    TRpCompress coder(buffer, TRpCompress::cmEncode);
    coder.Encode(reinterpret_cast<const uint8_t*>(plain.constData()),
                 static_cast<size_t>(plain.size()));
    coder.Flush();
    return out;
}

QByteArray Decode(QByteArray coded, qsizetype length, qint64* consumed = nullptr) {
    QBuffer buffer(&coded);
    buffer.open(QIODevice::ReadOnly);
    TRpCompress coder(buffer, TRpCompress::cmDecode, coded.size());
    QByteArray out(length, '\0');
    coder.Decode(reinterpret_cast<uint8_t*>(out.data()), static_cast<size_t>(length));
    if (consumed) *consumed = coder.BytesCoded();
    return out;
}

// The initial tree is a heap: node j hangs below (j - 1) / 2, odd nodes on the left (bit
// 0), even ones on the right (bit 1). Leaf 256 + b for b <= 254 is number 2^8 - 1 + (b + 1)
// at depth 8, so its code, root first, is b + 1 written in 8 binary digits; leaf 511 (byte
// 255) is the first node of depth 9, code nine zeros. Bits fill bytes from the least
// significant end.
struct Vector {
    const char* name;
    QByteArray plain;
    QByteArray coded;
};

const Vector kVectors[] = {
    // Byte 0: code 00000001 (b + 1 = 1). Packed from bit 0 up: only bit 7 set -> 80.
    {"single 0", QByteArray(1, '\0'), QByteArray::fromHex("80")},
    // Byte 255: nine 0 bits -> two bytes, both 00 (the second padded).
    {"single 255", QByteArray(1, '\xff'), QByteArray::fromHex("0000")},
    // 'a' (97): code 98 = 01100010 root first; bits 1, 2 and 6 set -> 46.
    //   Splay of leaf 353 (path 353-176-87-43-21-10-4-1-0), pair by pair:
    //   353 takes 175's place under 87 (175 goes under 176); 87 takes 44's place under 21;
    //   21 takes 9's place under 4; 4 takes 2's place under the root. The root now has
    //   1 left, 4 right; 4 has 21 left, 10 right; 21 has 43 left, 87 right; 87 has 353
    //   left, 176 right; 176 has 175 left, 354 right.
    // 'b' (98, leaf 354): root-4 right, 4-21 left, 21-87 right, 87-176 right, 176-354
    //   right: 10111. Splay: 354 takes 353's place under 87 (353 under 176), 87 takes
    //   10's place under 4, then 4 sits below the root and the splay ends. Now 4 has 21
    //   left, 87 right; 21 has 43 left, 10 right; 43 keeps 44 left, 88 right.
    // 'c' (99, leaf 355, still left of 177, left of 88, right of 43): root-4 right, 4-21
    //   left, 21-43 left, 43-88 right, 88-177 left, 177-355 left: 100100.
    // 8 + 5 + 6 = 19 bits: 01100010 | 10111 100 | 100 + padding
    //   -> 46, then bits 1,0,1,1,1,1,0,0 = 3D, then 1 -> 01.
    {"abc", QByteArray("abc"), QByteArray::fromHex("463D01")},
    // 'a' as above: 01100010, same tree after it.
    // 'a' again (353 left of 87, right of 21, left of 4, right of root): 1010. Splay: 353
    //   takes 43's place under 21, 21 takes 1's place under the root: the root has 21
    //   left, 4 right; 21 has 353 left, 87 right.
    // 'a' a third time: 00. Splay: 353 takes 4's place under the root (right).
    // 'a' a fourth time: 1.
    // 8 + 4 + 2 + 1 = 15 bits: 01100010 | 1010 00 1 + padding -> 46, then 1,0,1,0,0,0,1,0
    //   = 45.
    {"aaaa", QByteArray("aaaa"), QByteArray::fromHex("4645")},
};

TEST(SplayCoder, CodesWorkedByHand) {
    for (const Vector& v : kVectors) {
        SCOPED_TRACE(v.name);
        EXPECT_EQ(Encode(v.plain).toHex(), v.coded.toHex());
        qint64 consumed = 0;
        EXPECT_EQ(Decode(v.coded, v.plain.size(), &consumed), v.plain);
        EXPECT_EQ(consumed, v.coded.size());
    }
}

// Empty input, every byte value, noise, skewed bytes, and byte values in falling order,
// which drive codes beyond 32 bits (39 at most for four rounds).
TEST(SplayCoder, RoundTripsOfAnyBytes) {
    std::mt19937 random(1234);
    std::vector<QByteArray> inputs;
    inputs.push_back(QByteArray());
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    inputs.push_back(all + all);
    QByteArray noise(70000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random() & 0xFF);
    inputs.push_back(noise);
    QByteArray skewed(70000, '\0');
    for (char& c : skewed)
        c = static_cast<char>((random() % 16 == 0) ? random() & 0xFF : 0);
    inputs.push_back(skewed);
    QByteArray falling;
    for (int round = 0; round < 4; ++round)
        for (int i = 255; i >= 0; --i)
            falling += static_cast<char>(i);
    inputs.push_back(falling);
    for (const QByteArray& plain : inputs) {
        const QByteArray coded = Encode(plain);
        qint64 consumed = 0;
        EXPECT_EQ(Decode(coded, plain.size(), &consumed), plain) << plain.size();
        EXPECT_EQ(consumed, coded.size());
    }
    // The skewed input must really be compressed.
    EXPECT_LT(Encode(skewed).size(), skewed.size() / 2);
}

TEST(SplayCoder, DecodingStopsAtItsInputLimit) {
    const QByteArray coded = Encode(QByteArray("a page of text"));
    // One byte fewer than the codes need: the coder refuses, it never reads on.
    QByteArray withNext = coded + QByteArray("\x01\x02\x03\x04", 4);
    QBuffer buffer(&withNext);
    buffer.open(QIODevice::ReadOnly);
    TRpCompress coder(buffer, TRpCompress::cmDecode, coded.size() - 1);
    uint8_t out[14];
    EXPECT_THROW(coder.Decode(out, sizeof out), ERpError);
    EXPECT_LE(buffer.pos(), coded.size() - 1);
}

TEST(SplayCoder, FreeingAnEncoderWritesTheLastByte) {
    QByteArray out;
    {
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        TRpCompress coder(buffer, TRpCompress::cmEncode);
        coder.Encode(uint8_t(0xFF));
        EXPECT_EQ(coder.BytesCoded(), 2);
    }
    EXPECT_EQ(out.toHex(), QByteArray("0000"));
}

} // namespace
