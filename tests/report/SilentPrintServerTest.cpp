// A print server that takes connections and never answers: a report is made and its
// preview pass runs as without one, while printing and the printer set-up give up within
// the wait the program allows and say why. Run in a child process (this test program
// again), because the print server's library reads where the server is only once.

#include "ReportSupport.h"
#include "support/TestSupport.h"

#include "framework/core/Limits.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <cstdio>

namespace {

// What the child did, one line each: "<step> <milliseconds> <pages or message>".
int UseReportWithSilentServer() {
    SetUsesInchDefaults(false);
    RegisterReportClasses();
    TForm form(nullptr);
    QElapsedTimer clock;
    auto say = [&](const char* step, const QString& what) {
        std::printf("%s %lld %s\n", step, static_cast<long long>(clock.elapsed()),
                    qPrintable(what));
        std::fflush(stdout);
    };
    clock.start();
    auto* report = new TReport(&form);
    report->SetShowProgress(false);
    auto* band = new TRpBand(&form);
    band->SetBandType(rbDetail);
    band->SetParent(report);
    say("MADE", QString());

    clock.restart();
    report->OnPreview = [](TObject*) {};
    report->PreviewReport();
    say("PREVIEW", QString::number(report->RpPrinter() ? report->RpPrinter()->PagesBegun() : -1));

    for (const char* step : {"PRINT", "SETUP"}) {
        clock.restart();
        QString message = QStringLiteral("(no error)");
        try {
            if (step[0] == 'P')
                report->PrintReport();
            else
                report->PrinterSetup(nullptr);
        } catch (const Exception& e) {
            message = e.Message();
        }
        say(step, message);
    }
    return 0;
}

const bool kChildRegistered = RegisterChildBody("SilentPrintServer", UseReportWithSilentServer);

TEST(SilentPrintServer, PreviewAsEverPrintingGivesUpInTime) {
    const SilentPrintServer server;
    ASSERT_FALSE(server.Address().isEmpty());
    ASSERT_TRUE(kChildRegistered);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SLEEVANE_TEST_CHILD"), QStringLiteral("SilentPrintServer"));
    env.insert(QStringLiteral("CUPS_SERVER"), server.Address());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitCode(), 0);
    std::map<QString, std::pair<int, QString>> steps;
    for (const QString& line :
         QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts.size() >= 2)
            steps[parts[0]] = {parts[1].toInt(), parts.mid(2).join(QLatin1Char(' '))};
    }
    ASSERT_EQ(steps.size(), 4u) << child.readAllStandardError().toStdString();
    // Making the report and its preview never wait on the server: any question to it
    // would take the whole wait.
    EXPECT_LT(steps["MADE"].first, kMaxPrintServerWaitMs);
    EXPECT_LT(steps["PREVIEW"].first, kMaxPrintServerWaitMs);
    EXPECT_EQ(steps["PREVIEW"].second, QStringLiteral("1"));
    // Printing and the set-up give up (after the program's wait, far below this bound)
    // and say why they stopped.
    for (const char* step : {"PRINT", "SETUP"}) {
        SCOPED_TRACE(step);
        EXPECT_LT(steps[step].first, 6 * kMaxPrintServerWaitMs);
        EXPECT_EQ(steps[step].second,
                  QStringLiteral("The print server %1 does not answer").arg(server.Address()));
    }
}

} // namespace
