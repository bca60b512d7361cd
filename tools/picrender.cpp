// picrender FILE OUT.png [WxH] [--verbose]: loads a picture as the editor does (by its
// extension) and draws it stretched onto a white bitmap of the given size (its own size by
// default). Exit codes: 0 done, 1 the picture could not be used (one line on stderr says
// why), 2 wrong usage. --verbose adds a line counting the notes of Qt's that were left out.

#include "framework/core/ToolMessages.h"
#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/Pictures.h"
#include "imaging/jpeg.h"

#if __has_include("framework/graphics/Metafile.h")
#include "framework/graphics/Metafile.h"
#define PICRENDER_METAFILES 1
#endif

#include <QGuiApplication>
#include <QRegularExpression>
#include <cstdio>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: picrender FILE OUT.png [WxH] [--verbose]\n");
    return 2;
}

void RegisterAllKinds() {
    RegisterStandardPictureFormats();
    RegisterJPEGFormats();
#ifdef PICRENDER_METAFILES
    RegisterMetafileFormats();
#endif
}

int Render(const QStringList& args) {
    if (args.size() < 2 || args.size() > 3) return Usage();
    QSize size;
    if (args.size() == 3) {
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("^(\\d+)x(\\d+)$")).match(args[2]);
        if (!m.hasMatch()) return Usage();
        size = QSize(m.captured(1).toInt(), m.captured(2).toInt());
        if (size.isEmpty()) return Usage();
    }
    RegisterAllKinds();
    try {
        TPicture picture;
        picture.LoadFromFile(args[0]);
        if (!size.isValid()) size = QSize(picture.Width(), picture.Height());
        if (size.isEmpty()) throw EInvalidGraphic(QStringLiteral("The picture is empty"));
        TBitmap target;
        target.SetPixelFormat(pf24bit);
        target.SetSize(size.width(), size.height());
        target.Canvas()->StretchDraw(QRect(QPoint(0, 0), size), picture.Graphic());
        if (!target.Image().save(args[1], "PNG"))
            throw EFOpenError(QStringLiteral("Cannot create file %1").arg(args[1]));
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.Message()));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    InstallToolMessageFilter("picrender");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool verbose = args.removeAll(QStringLiteral("--verbose")) > 0;
    const int rc = Render(args);
    if (verbose && DroppedToolMessages() > 0)
        std::fprintf(stderr, "picrender: %s\n", qPrintable(DroppedToolMessagesSummary()));
    return rc;
}
