// Text records whose font is far larger than the picture they are played into: every one
// plays to its end in bounded memory, measured in a child process of its own so that
// nothing else the test program did counts, and still draws.
#include "framework/graphics/EmfPlayer.h"
#include "framework/graphics/EmfRecorder.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QPainter>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr long kMemoryBoundKb = 1024 * 1024; // 1 GB

struct ChildReport {
    bool exited = false; // ended normally with status 0
    long peakKb = 0;
    std::vector<int> inked; // pixels drawn by each picture
};

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int InkedPixels(const QByteArray& emf, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        PlayEnhMetaFile(painter, emf, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    return size.width() * size.height() - CountPixels(image, image.rect(), qRgb(255, 255, 255), 0);
}

bool WriteAll(int fd, const void* data, size_t n) {
    const auto* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t k = write(fd, p, n);
        if (k <= 0) return false;
        p += k, n -= static_cast<size_t>(k);
    }
    return true;
}

bool ReadAll(int fd, void* data, size_t n) {
    auto* p = static_cast<char*>(data);
    while (n > 0) {
        const ssize_t k = read(fd, p, n);
        if (k <= 0) return false;
        p += k, n -= static_cast<size_t>(k);
    }
    return true;
}

// Plays each picture into an image of the given size in a child process; the child
// reports its peak resident memory and the pixels each picture drew.
ChildReport PlayInChild(const std::vector<QByteArray>& pictures, QSize size) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        std::vector<int> inked;
        for (const QByteArray& emf : pictures)
            inked.push_back(InkedPixels(emf, size));
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const long peak = usage.ru_maxrss;
        const bool sent = WriteAll(fds[1], &peak, sizeof peak) &&
                          WriteAll(fds[1], inked.data(), inked.size() * sizeof(int));
        _exit(sent ? 0 : 1);
    }
    close(fds[1]);
    ChildReport report;
    report.inked.resize(pictures.size());
    const bool read = pid > 0 && ReadAll(fds[0], &report.peakKb, sizeof report.peakKb) &&
                      ReadAll(fds[0], report.inked.data(), report.inked.size() * sizeof(int));
    close(fds[0]);
    int status = 0;
    if (pid > 0) waitpid(pid, &status, 0);
    report.exited = read && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return report;
}

// One text record in a 100 x 60 picture: the font, its escapement and the text, drawn
// from the picture's middle, centred on its baseline, with the advances the font gives.
QByteArray TextPicture(int height, int escapement, const QString& text) {
    TEmfRecorderDC recorder(QSize(100, 60), 96, 96);
    LOGFONT lf;
    lf.lfHeight = height;
    lf.lfEscapement = lf.lfOrientation = escapement;
    lf.SetFaceName(QStringLiteral("Arial"));
    recorder.SelectFont(CreateFontIndirect(lf));
    recorder.SetBkMode(TRANSPARENT);
    recorder.SetTextColor(clBlack);
    recorder.SetTextAlign(TA_CENTER | TA_BASELINE);
    recorder.TextOut(50, 30, text);
    return recorder.Finish();
}

TEST(HostileText, HugeComplexScriptFontPlaysInBoundedMemory) {
    const QByteArray emf =
        ReadFile(TestData(QStringLiteral("hostile/emf-huge-complex-script-font.emf")));
    ASSERT_EQ(emf.size(), 780);
    const ChildReport report = PlayInChild({emf}, QSize(64, 48));
    ASSERT_TRUE(report.exited);
    RecordProperty("peak_kb", static_cast<int>(report.peakKb));
    EXPECT_LT(report.peakKb, kMemoryBoundKb);
    EXPECT_GT(report.inked[0], 0);
}

// Scripts that the installed faces have and have not, at sizes up to the largest a font
// record may ask for, straight and turned. An "I" centred on the picture's middle covers
// it with its stem (a tenth of the em wide, thousands of pixels here) on the side its
// glyphs stand, whatever the angle: half the little picture, give or take the edge.
TEST(HostileText, EveryScriptSizeAndEscapementPlaysInBoundedMemory) {
    const QString texts[] = {
        QStringLiteral("I"),
        QString::fromUtf8("\u0645\u0631\u062D\u0628\u0627"),       // Arabic
        QString::fromUtf8("\u0928\u092E\u0938\u094D\u0924\u0947"), // Devanagari
        QString::fromUtf8("\u6F22\u5B57"),                         // CJK
        QString(4, QChar(0x0D0C)),                                 // Malayalam
    };
    std::vector<QByteArray> pictures;
    std::vector<QString> names;
    for (const QString& text : texts)
        for (int height : {-55051, -100000, 30000})
            for (int escapement : {0, 450, 900, 2700}) {
                pictures.push_back(TextPicture(height, escapement, text));
                names.push_back(
                    QStringLiteral("%1 at %2, %3").arg(text).arg(height).arg(escapement));
            }
    const QSize size(64, 48);
    const ChildReport report = PlayInChild(pictures, size);
    ASSERT_TRUE(report.exited);
    RecordProperty("peak_kb", static_cast<int>(report.peakKb));
    EXPECT_LT(report.peakKb, kMemoryBoundKb);
    for (size_t i = 0; i < 12; ++i) // the "I"s
        EXPECT_NEAR(report.inked[i], size.width() * size.height() / 2, size.width() * 4)
            << names[i].toStdString();
}

} // namespace
