// Lifetimes across the framework: components hear of each other's removal while the one
// that goes is still whole, references to pictures and image lists do not outlive them,
// widgets made again and again leave nothing behind, canvas scopes give back the context
// they found, and the font caches behind text runs hold up past their size and across
// threads.
#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/ImgList.h"
#include "framework/graphics/Metafile.h"
#include "framework/widgets/ComCtrls.h"
#include "framework/widgets/ExtCtrls.h"
#include "framework/widgets/StdCtrls.h"
#include "support/FormTestSupport.h"

#include <QPainter>
#include <QTest>
#include <atomic>
#include <thread>

namespace {

// Remembers the class of every component it is told is going.
class TWatcher : public TComponent {
public:
    using TComponent::TComponent;
    QStringList removed;

    void Notification(TComponent* c, TOperation op) override {
        TComponent::Notification(c, op);
        if (op == opRemove) removed << QString::fromLatin1(c->metaObject()->className());
    }
};

TEST(ComponentLifetimeTest, AFreedComponentIsWholeWhenOthersHearOfIt) {
    // Told through a free notification, freed through its own type.
    TWatcher watcher(nullptr);
    auto* list = new TImageList(nullptr);
    watcher.FreeNotification(list);
    delete list;
    EXPECT_EQ(watcher.removed, QStringList{QStringLiteral("TImageList")});

    // Told as the owner, freed through a pointer to its base.
    watcher.removed.clear();
    TComponent* owned = new TImageList(&watcher);
    delete owned;
    EXPECT_EQ(watcher.removed, QStringList{QStringLiteral("TImageList")});
    EXPECT_EQ(watcher.ComponentCount(), 0);

    // Freed by Qt's deferred deletion, which deletes through QObject.
    watcher.removed.clear();
    auto* later = new TPanel(nullptr);
    watcher.FreeNotification(later);
    later->deleteLater();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(watcher.removed, QStringList{QStringLiteral("TPanel")});
}

TEST(ComponentLifetimeTest, AComponentNotMadeWithNewStillTellsOthers) {
    TWatcher watcher(nullptr);
    {
        TImageList list(&watcher);
        TImageList other(nullptr);
        watcher.FreeNotification(&other);
    }
    // No freeing entry point runs for these: they are told as the base goes, later than
    // for freed ones, but never left with a dangling pointer.
    EXPECT_EQ(watcher.removed.size(), 2);
    EXPECT_EQ(watcher.ComponentCount(), 0);
}

class TGoingForm : public TForm {
    Q_OBJECT
public:
    using TForm::TForm;
    QStringList* log = nullptr;
    QString note = QStringLiteral("still here");

    Q_INVOKABLE void FormDestroy(TObject*) {
        if (log) *log << note;
    }
};

TEST(ComponentLifetimeTest, AWindowsOnDestroyHandlerRunsWhileTheWindowIsWhole) {
    QStringList log;
    auto form = MakeForm<TGoingForm>(R"(
object Form1: TGoingForm
  OnDestroy = FormDestroy
end
)");
    form->log = &log;
    form.reset();
    EXPECT_EQ(log, QStringList{QStringLiteral("still here")});
}

// A page control that remembers what it is told is going.
class TWatchedPages : public TPageControl {
public:
    using TPageControl::TPageControl;
    QList<TComponent*> removed;

    void Notification(TComponent* c, TOperation op) override {
        TPageControl::Notification(c, op);
        if (op == opRemove) removed << c;
    }
};

TEST(ComponentLifetimeTest, ReplacedImageListsAreNoLongerWatched) {
    TWatchedPages pages(nullptr);
    auto* first = new TImageList(nullptr);
    auto* second = new TImageList(nullptr);
    pages.SetImages(first);
    pages.SetImages(second);
    delete first;
    EXPECT_TRUE(pages.removed.isEmpty());
    EXPECT_EQ(pages.Images(), second);
    delete second;
    EXPECT_EQ(pages.removed, QList<TComponent*>{second});
    EXPECT_EQ(pages.Images(), nullptr);
}

TEST(ComponentLifetimeTest, AMetafileFreedBeforeItsCanvasIsLeftAlone) {
    auto* metafile = new TMetafile();
    metafile->SetMMWidth(2540);
    metafile->SetMMHeight(2540);
    auto canvas = std::make_unique<TMetafileCanvas>(metafile);
    canvas->TextOut(10, 10, QStringLiteral("page"));
    delete metafile;
    EXPECT_NO_THROW(canvas.reset()); // ends the recording with nowhere to put it

    // With the metafile still there, it receives the recording.
    TMetafile kept;
    {
        TMetafileCanvas c(&kept);
        c.TextOut(10, 10, QStringLiteral("page"));
    }
    EXPECT_FALSE(kept.Empty());
}

// ---- Widgets made again ---------------------------------------------------------------

TEST(HandleLifetimeTest, AWidgetMadeAThousandTimesLeavesNothingBehind) {
    TForm form(nullptr);
    form.SetClientWidth(200);
    form.SetClientHeight(100);
    form.Show();
    TPanel other(nullptr);
    other.SetParent(&form);
    auto* panel = new TPanel(&form);
    panel->SetBounds(10, 10, 80, 40);
    panel->SetParent(&form);
    int downs = 0;
    panel->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
    const auto children = panel->children().size();
    for (int i = 0; i < 1000; ++i) {
        panel->SetParent(i % 2 ? static_cast<TWinControl*>(&form) : &other);
        ASSERT_TRUE(panel->HandleAllocated());
    }
    EXPECT_EQ(panel->children().size(), children);
    // The widget made last still reports its input, once.
    QTest::mousePress(panel->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(panel->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(downs, 1);
}

// ---- Canvas scopes ----------------------------------------------------------------------

TEST(CanvasScopeTest, AMeasuringScopeInsideAPaintingOneGivesThePainterBack) {
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TPainterDC dc(&painter);
    TCanvas canvas;
    {
        const TCanvasHandleScope paint(canvas, &dc);
        canvas.Font()->SetHeight(-40);
        {
            const TCanvasHandleScope measure(canvas, ScreenMeasuringDC());
            EXPECT_GT(canvas.TextHeight(QStringLiteral("Wg")), 30);
        }
        EXPECT_EQ(canvas.Handle(), &dc);
        canvas.Brush()->SetColor(clRed);
        EXPECT_NO_THROW(canvas.FillRect(QRect(0, 0, 10, 10)));
    }
    EXPECT_EQ(canvas.Handle(), nullptr);
    painter.end();
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(15, 5), qRgb(255, 255, 255));
}

// ---- Font caches ------------------------------------------------------------------------

TEST(FontCacheTest, TextRunsPaintPastTheCacheSizeOnSeveralThreads) {
    // Two painters on two threads, each through 80 faces (sizes), both more than the
    // cache keeps, each run checked for a cap height of about 0.7 of its size.
    std::atomic<int> wrong{0};
    const auto paint = [&wrong](int first) {
        for (int round = 0; round < 2; ++round)
            for (int i = 0; i < 80; ++i) {
                const int px = 10 + (first + i) % 80;
                QImage image(4 * px, 2 * px, QImage::Format_RGB32);
                image.fill(Qt::white);
                QPainter p(&image);
                QFont font(QStringLiteral("Liberation Sans"));
                font.setPixelSize(px);
                const QString text = QStringLiteral("HH");
                PaintTextRun(p, font, QPointF(2, 2), TA_LEFT | TA_TOP, 0, text,
                             MeasureTextRun(font, text), Qt::black, std::nullopt);
                p.end();
                const QRect ink = InkBox(image);
                if (ink.height() < px / 2 || ink.height() > px) ++wrong;
            }
    };
    std::thread a(paint, 0), b(paint, 40);
    a.join();
    b.join();
    EXPECT_EQ(wrong.load(), 0);
}

} // namespace

#include "LifetimeTest.moc"
