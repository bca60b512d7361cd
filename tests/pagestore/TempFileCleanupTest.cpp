// No temporary page-store file outlives the program, however it ends: a child process
// (this test program again) keeps a spilled page store and then is killed, ended by a
// signal, exits without freeing it, or dies of an exception nobody catches. The file has
// no name in the temporary directory even while the child lives.

#include "PageSupport.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr const char* kModeVariable = "SLEEVANE_PAGESTORE_CHILD";

[[noreturn]] void Unexpected() {
    throw ERpError(QStringLiteral("unexpected"));
}

// The child's part: keeps a spilled page store, says so, then ends as its mode says.
int HoldSpilledStore() {
    const QByteArray mode = qgetenv(kModeVariable);
    static TRpStream* stream = new TRpStream; // still reachable at exit: no leak
    static TRpPageList* pages = new TRpPageList;
    pages->SetPageStream(stream);
    for (int seed = 1; stream->Buffered(); ++seed)
        pages->AppendPage(*RecordPage(seed));
    std::printf("READY\n");
    std::fflush(stdout);
    if (mode == "exit") std::exit(0);
    if (mode == "uncaught") []() noexcept { Unexpected(); }();
    for (;;)
        ::pause();
}

const bool kChildRegistered = RegisterChildBody("PageStoreChild", HoldSpilledStore);

// Starts the child with its temporary directory in dir and waits until its page store
// has moved into a file there.
void StartChild(QProcess& child, const QString& dir, const char* mode) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kModeVariable), QString::fromLatin1(mode));
    env.insert(QStringLiteral("SLEEVANE_TEST_CHILD"), QStringLiteral("PageStoreChild"));
    env.insert(QStringLiteral("TMPDIR"), dir);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    ASSERT_TRUE(kChildRegistered);
    child.start(QCoreApplication::applicationFilePath(), {});
    ASSERT_TRUE(child.waitForStarted(30000));
    QByteArray output;
    while (!output.contains("READY\n") && child.waitForReadyRead(30000))
        output += child.readAllStandardOutput();
    ASSERT_TRUE(output.contains("READY\n")) << output.toStdString();
}

TEST(TempFileCleanup, NothingLeftHoweverTheProgramEnds) {
    struct Ending {
        const char* mode;
        int signal; // sent by the test; 0: the child ends by itself
        QProcess::ExitStatus status;
    };
    const Ending endings[] = {
        {"wait", SIGKILL, QProcess::CrashExit}, {"wait", SIGTERM, QProcess::CrashExit},
        {"wait", SIGINT, QProcess::CrashExit},  {"exit", 0, QProcess::NormalExit},
        {"uncaught", 0, QProcess::CrashExit},
    };
    for (const Ending& ending : endings) {
        SCOPED_TRACE(std::string(ending.mode) + " " + std::to_string(ending.signal));
        const QString dir = TestTempDir();
        QProcess child;
        StartChild(child, dir, ending.mode);
        if (ending.signal) {
            // The store is in a file of dir that has no name there.
            EXPECT_EQ(OpenFilesIn(dir, child.processId()), 1);
            EXPECT_TRUE(TempFilesIn(dir).isEmpty());
            ::kill(static_cast<pid_t>(child.processId()), ending.signal);
        }
        ASSERT_TRUE(child.waitForFinished(30000));
        EXPECT_EQ(child.exitStatus(), ending.status);
        if (ending.signal) {
            EXPECT_EQ(child.exitCode(), ending.signal);
        }
        EXPECT_TRUE(TempFilesIn(dir).isEmpty());
    }
}

} // namespace
