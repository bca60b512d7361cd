// picrender FILE OUT.png [WxH]: loads a picture as the editor does (by its extension) and
// draws it stretched onto a white bitmap of the given size (its own size by default).

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
    std::fprintf(stderr, "usage: picrender FILE OUT.png [WxH]\n");
    return 2;
}

void RegisterAllKinds() {
    RegisterStandardPictureFormats();
    RegisterJPEGFormats();
#ifdef PICRENDER_METAFILES
    RegisterMetafileFormats();
#endif
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3 || args.size() > 4) return Usage();
    QSize size;
    if (args.size() == 4) {
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("^(\\d+)x(\\d+)$")).match(args[3]);
        if (!m.hasMatch()) return Usage();
        size = QSize(m.captured(1).toInt(), m.captured(2).toInt());
        if (size.isEmpty()) return Usage();
    }
    RegisterAllKinds();
    try {
        TPicture picture;
        picture.LoadFromFile(args[1]);
        if (!size.isValid()) size = QSize(picture.Width(), picture.Height());
        if (size.isEmpty()) throw EInvalidGraphic(QStringLiteral("The picture is empty"));
        TBitmap target;
        target.SetPixelFormat(pf24bit);
        target.SetSize(size.width(), size.height());
        target.Canvas()->StretchDraw(QRect(QPoint(0, 0), size), picture.Graphic());
        if (!target.Image().save(args[2], "PNG"))
            throw EFOpenError(QStringLiteral("Cannot create file %1").arg(args[2]));
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.Message()));
        return 1;
    }
    return 0;
}
