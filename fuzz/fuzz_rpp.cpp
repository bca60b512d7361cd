// Report files: loaded with every record checked, or refused; the pages that load are
// fetched and played.

#include "FuzzSupport.h"
#include "report/RpPrntr.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <unistd.h>

namespace {

QString InputPath() {
    static const QString path =
        QDir::tempPath() + QStringLiteral("/fuzz-rpp-%1.rpp").arg(::getpid());
    return path;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    StartFuzzing(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        QFile file(InputPath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    TRpPrinter printer;
    try {
        printer.LoadFromFile(InputPath());
    } catch (const Exception&) {
        return 0;
    }
    // A few pages are enough to reach every kind of record; the rest take only time.
    for (int n = 1; n <= 4; ++n) {
        std::unique_ptr<TMetafile> page;
        try {
            page = printer.FetchPage(n);
        } catch (const Exception&) {
            continue;
        }
        if (!page) break;
        QImage image = SmallPage();
        QPainter painter(&image);
        page->Play(painter, QRectF(0, 0, 64, 48));
    }
    return 0;
}
