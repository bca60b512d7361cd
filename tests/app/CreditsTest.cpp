// The splash and credits windows as the user meets them.
#include "EditorFixture.h"

#include <QDir>
#include <QTest>

namespace {

using CreditsTest = EditorTest;

TEST_F(CreditsTest, TheSplashIsShownAboveTheMainWindowUntilItsPictureIsClicked) {
    ASSERT_TRUE(Intro->Visible());
    QWidget* w = Intro->Widget();
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(w->size(), QSize(349, 249));
    EXPECT_EQ(Intro->Image1->Picture()->Width(), 349);
    EXPECT_EQ(Intro->Label1->Caption(), QStringLiteral("Versione : 0.2 beta"));

    // Its labels take the clicks that land on them.
    QTest::mouseClick(Intro->Label1->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(Intro->Label2->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    Settle();
    EXPECT_TRUE(Intro->Visible());
    // A click on the picture hides it for good; the main window stays.
    QTest::mouseClick(Intro->Image1->Widget(), Qt::LeftButton, {}, QPoint(20, 20));
    Settle();
    EXPECT_FALSE(Intro->Visible());
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(Form1->Visible());
}

TEST_F(CreditsTest, InfoOpensTheCreditsAgainAndAgain) {
    for (int round = 0; round < 3; ++round) {
        QTest::mouseClick(Form1->BitBtn4->Widget(), Qt::LeftButton);
        Settle();
        ASSERT_TRUE(Info->Visible()) << round;
        EXPECT_EQ(Info->Widget()->size(), QSize(341, 222));
        EXPECT_TRUE(Info->Widget()->windowFlags() & Qt::Tool);
        // Pressing Info again while it is open only brings it forward.
        QTest::mouseClick(Form1->BitBtn4->Widget(), Qt::LeftButton);
        EXPECT_TRUE(Info->Visible());
        EXPECT_EQ(Info->BitBtn1->Caption(), QStringLiteral("&Close"));
        QTest::mouseClick(Info->BitBtn1->Widget(), Qt::LeftButton);
        Settle();
        EXPECT_FALSE(Info->Visible()) << round;
    }
    EXPECT_TRUE(Form1->Visible());
}

TEST_F(CreditsTest, EachLinkClickOpensOneMailMessage) {
    QStringList opened;
    TInfo::OpenLink = [&](const QString& link) { opened << link; };
    Info->Show();
    Settle();
    QTest::mouseClick(Info->antLabel1->Widget(), Qt::LeftButton, {}, QPoint(10, 8));
    QTest::mouseClick(Info->antLabel2->Widget(), Qt::LeftButton, {}, QPoint(10, 8));
    QTest::mouseClick(Info->antLabel1->Widget(), Qt::LeftButton, {}, QPoint(10, 8));
    ASSERT_EQ(opened.size(), 3);
    EXPECT_EQ(opened[0], Info->ProducerMail + QStringLiteral("?subject=Da SLEEVANE"));
    EXPECT_EQ(opened[1], Info->DesignerMail + QStringLiteral("?subject=Da SLEEVANE"));
    EXPECT_TRUE(opened[0].startsWith(QStringLiteral("mailto:")));
    EXPECT_NE(opened[0], opened[1]);
    // A link longer than the system's buffer is cut where the buffer ended.
    EXPECT_EQ(TInfo::MailLink(QString(300, QLatin1Char('a'))).size(), 255);
}

TEST_F(CreditsTest, WindowsLookAsLaidOut) {
    Info->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Info->Widget()));
    QCoreApplication::sendPostedEvents(); // its layout, before the picture
    const QString dir =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("screenshots"));
    QDir().mkpath(dir);
    const QImage credits = Info->Widget()->grab().toImage();
    const QImage splash = Intro->Widget()->grab().toImage();
    credits.save(QDir(dir).filePath(QStringLiteral("credits.png")));
    splash.save(QDir(dir).filePath(QStringLiteral("splash.png")));
    // The credits picture fills the window; the white title stands on it.
    EXPECT_GT(CountPixels(credits, QRect(78, 120, 185, 42), qRgb(255, 255, 255), 10), 50);
    // The splash's opaque version label stands on the window colour.
    EXPECT_EQ(splash.pixelColor(Intro->Label1->Left() + Intro->Label1->Width() - 1,
                                Intro->Label1->Top() + 1),
              ToQColor(clBtnFace));
}

} // namespace
