#include "support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

QString TestData(const QString& relative) {
    const char* root = std::getenv("SLEEVANE_TEST_DATA");
    return QDir(QString::fromLocal8Bit(root ? root : SLEEVANE_SOURCE_TEST_DATA)).filePath(relative);
}

QString TestTempDir() {
    static std::vector<std::unique_ptr<QTemporaryDir>> dirs;
    dirs.push_back(std::make_unique<QTemporaryDir>());
    return dirs.back()->path();
}

static bool Near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

int CountPixels(const QImage& image, const QRect& rect, QRgb c, int tolerance) {
    int n = 0;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (Near(image.pixel(x, y), c, tolerance)) ++n;
    return n;
}

QRect InkBox(const QImage& image, QRgb background, int tolerance) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!Near(image.pixel(x, y), background, tolerance)) box |= QRect(x, y, 1, 1);
    return box;
}

int ImageDifference(const QImage& a, const QImage& b, int* differing, int threshold) {
    if (a.size() != b.size()) return -1;
    const QImage x = a.convertToFormat(QImage::Format_RGB32),
                 y = b.convertToFormat(QImage::Format_RGB32);
    int worst = 0, count = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            const int d = std::max({std::abs(qRed(p[col]) - qRed(q[col])),
                                    std::abs(qGreen(p[col]) - qGreen(q[col])),
                                    std::abs(qBlue(p[col]) - qBlue(q[col]))});
            worst = std::max(worst, d);
            if (d > threshold) ++count;
        }
    }
    if (differing) *differing = count;
    return worst;
}

void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
