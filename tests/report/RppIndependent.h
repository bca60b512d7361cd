#pragma once
// A report-file writer and reader written from the file format alone, sharing nothing
// with the program's page store: what the program writes must read here, and what is
// written here must load in the program.

#include <QByteArray>
#include <QRect>
#include <QString>
#include <QtEndian>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace independent {

// The splay-tree code, kept as plain arrays of parents and children.
class Splay {
public:
    Splay() {
        for (int j = 1; j <= 512; ++j)
            up[j] = (j - 1) / 2;
        for (int i = 0; i < 256; ++i) {
            left[i] = 2 * i + 1;
            right[i] = 2 * i + 2;
        }
    }

    std::vector<int> Code(uint8_t byte) const {
        std::vector<int> reversed;
        for (int a = 256 + byte; a != 0; a = up[a])
            reversed.push_back(right[up[a]] == a ? 1 : 0);
        return {reversed.rbegin(), reversed.rend()};
    }

    void Splay1(uint8_t byte) {
        int a = 256 + byte;
        while (a != 0) {
            const int p = up[a];
            if (p == 0) break;
            const int g = up[p];
            int u;
            if (left[g] == p) {
                u = right[g];
                right[g] = a;
            } else {
                u = left[g];
                left[g] = a;
            }
            (left[p] == a ? left[p] : right[p]) = u;
            up[a] = g;
            up[u] = p;
            a = g;
        }
    }

    std::array<int, 513> up{};
    std::array<int, 256> left{}, right{};
};

inline QByteArray Encode(const QByteArray& data) {
    Splay tree;
    QByteArray out;
    int current = 0, filled = 0;
    for (char c : data) {
        const auto byte = static_cast<uint8_t>(c);
        for (int bit : tree.Code(byte)) {
            current |= bit << filled;
            if (++filled == 8) {
                out.append(static_cast<char>(current));
                current = filled = 0;
            }
        }
        tree.Splay1(byte);
    }
    if (filled) out.append(static_cast<char>(current));
    return out;
}

// n bytes decoded from `coded`; none when the code ends first.
inline std::optional<QByteArray> Decode(const QByteArray& coded, qint64 n, qint64* used) {
    Splay tree;
    QByteArray out;
    qint64 bit = 0;
    for (qint64 k = 0; k < n; ++k) {
        int node = 0;
        while (node < 256) {
            if (bit / 8 >= coded.size()) return std::nullopt;
            const int b = (static_cast<uint8_t>(coded[bit / 8]) >> (bit % 8)) & 1;
            ++bit;
            node = b ? tree.right[node] : tree.left[node];
        }
        out.append(static_cast<char>(node - 256));
        tree.Splay1(static_cast<uint8_t>(node - 256));
    }
    *used = (bit + 7) / 8;
    return out;
}

inline void Put32(QByteArray& b, qint32 v) {
    char raw[4];
    qToLittleEndian(v, raw);
    b.append(raw, 4);
}

inline qint32 Get32(const QByteArray& b, qint64 at) {
    return qFromLittleEndian<qint32>(b.constData() + at);
}

// A report file holding these metafiles, coded or plain.
inline QByteArray Write(const std::vector<QByteArray>& pages, bool compressed) {
    QByteArray file(124, '\0');
    qToLittleEndian<quint16>(3, file.data());
    qToLittleEndian<quint16>(302, file.data() + 2);
    qToLittleEndian<qint32>(static_cast<qint32>(pages.size()), file.data() + 8);
    const double date = 45000.25;
    std::memcpy(file.data() + 12, &date, 8);
    file[21] = compressed ? 1 : 0;
    int number = 0;
    for (const QByteArray& emf : pages) {
        QByteArray payload;
        if (compressed) {
            Put32(payload, static_cast<qint32>(emf.size()));
            payload += Encode(emf);
        } else {
            payload = emf;
        }
        const auto start = static_cast<qint32>(file.size());
        Put32(file, ++number);
        Put32(file, start + 8 + static_cast<qint32>(payload.size()) + 4);
        file += payload;
        Put32(file, start);
    }
    return file;
}

struct Read {
    bool compressed = false;
    std::vector<QByteArray> pages;
    QString fault; // empty when the file is sound
};

// Walks the records by their links and decodes them; names the first fault.
inline Read ReadFile(const QByteArray& file) {
    Read r;
    if (file.size() < 124 || qFromLittleEndian<quint16>(file.constData()) != 3 ||
        qFromLittleEndian<quint16>(file.constData() + 2) != 302) {
        r.fault = QStringLiteral("header");
        return r;
    }
    const qint32 count = Get32(file, 8);
    r.compressed = file[21] != 0;
    qint64 at = 124;
    for (int n = 1; n <= count; ++n) {
        if (at + 12 > file.size() || Get32(file, at) != n) {
            r.fault = QStringLiteral("record %1").arg(n);
            return r;
        }
        const qint64 next = Get32(file, at + 4);
        if (next < at + 12 || next > file.size() || Get32(file, next - 4) != at) {
            r.fault = QStringLiteral("links of %1").arg(n);
            return r;
        }
        QByteArray payload = file.mid(at + 8, next - 4 - (at + 8));
        if (r.compressed) {
            const qint32 length = Get32(payload, 0);
            qint64 used = 0;
            const std::optional<QByteArray> emf = Decode(payload.mid(4), length, &used);
            if (!emf || used != payload.size() - 4) {
                r.fault = QStringLiteral("code of %1").arg(n);
                return r;
            }
            payload = *emf;
        }
        if (payload.size() < 52 || Get32(payload, 48) != payload.size()) {
            r.fault = QStringLiteral("metafile of %1").arg(n);
            return r;
        }
        r.pages.push_back(payload);
        at = next;
    }
    if (at != file.size()) r.fault = QStringLiteral("end");
    return r;
}

// A metafile of width x height 96-dpi pixels with black boxes, built record by record.
inline QByteArray Metafile(int width, int height, const std::vector<QRect>& boxes) {
    QByteArray body;
    auto record = [&body](quint32 type, std::initializer_list<qint32> fields) {
        Put32(body, static_cast<qint32>(type));
        Put32(body, static_cast<qint32>(8 + 4 * fields.size()));
        for (qint32 f : fields)
            Put32(body, f);
    };
    record(37, {static_cast<qint32>(0x80000004)}); // stock black brush
    record(37, {static_cast<qint32>(0x80000007)}); // stock black pen
    for (const QRect& b : boxes)
        record(43, {b.left(), b.top(), b.right() + 1, b.bottom() + 1});
    record(14, {0, 16, 20});
    QByteArray header;
    const qint32 total = 108 + static_cast<qint32>(body.size());
    const auto hundredths = [](int px) { return static_cast<qint32>(px * 2540.0 / 96 + 0.5); };
    for (qint32 v :
         {1, 108, 0, 0, width - 1, height - 1, 0, 0, hundredths(width) - 1, hundredths(height) - 1,
          0x464D4520, 0x10000, total, static_cast<qint32>(4 + boxes.size())})
        Put32(header, v);
    Put32(header, 1); // one handle slot, no reserved bits
    for (qint32 v : {0, 0, 0, width, height, static_cast<qint32>(width * 25.4 / 96 + 0.5),
                     static_cast<qint32>(height * 25.4 / 96 + 0.5), 0, 0, 0,
                     static_cast<qint32>(width * 25400.0 / 96 + 0.5),
                     static_cast<qint32>(height * 25400.0 / 96 + 0.5)})
        Put32(header, v);
    return header + body;
}

} // namespace independent
