// No temporary page-store file outlives the program, however it ends: a child process
// (this test program again) keeps a spilled page store and then is ended by a signal,
// exits without freeing it, or dies of an exception nobody catches.

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

// The child's part, run by the program started again by the tests below: keeps a spilled
// page store, says where its file is, then ends as its mode says.
int HoldSpilledStore() {
    const QByteArray mode = qgetenv(kModeVariable);
    static TRpStream* stream = new TRpStream; // still reachable at exit: no leak
    static TRpPageList* pages = new TRpPageList;
    pages->SetPageStream(stream);
    for (int seed = 1; stream->Buffered(); ++seed)
        pages->AppendPage(*RecordPage(seed));
    const QString name = stream->TempFileName();
    if (!QFile::exists(name)) return 3;
    std::printf("READY %s\n", QFile::encodeName(name).constData());
    std::fflush(stdout);
    if (mode == "exit") std::exit(0);
    if (mode == "uncaught") []() noexcept { Unexpected(); }();
    for (;;)
        ::pause();
}

const bool kChildRegistered = RegisterChildBody("PageStoreChild", HoldSpilledStore);

struct Child {
    QProcess process;
    QString tempFile;
};

// Starts the child with its temporary directory in dir and waits until its page store
// has moved into a file.
void StartChild(Child& child, const QString& dir, const char* mode) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kModeVariable), QString::fromLatin1(mode));
    env.insert(QStringLiteral("SLEEVANE_TEST_CHILD"), QStringLiteral("PageStoreChild"));
    env.insert(QStringLiteral("TMPDIR"), dir);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.process.setProcessEnvironment(env);
    ASSERT_TRUE(kChildRegistered);
    child.process.start(QCoreApplication::applicationFilePath(), {});
    ASSERT_TRUE(child.process.waitForStarted(30000));
    QByteArray output;
    while (!output.contains("READY ") || !output.mid(output.indexOf("READY ")).contains('\n')) {
        if (!child.process.waitForReadyRead(30000)) break;
        output += child.process.readAllStandardOutput();
    }
    const qsizetype at = output.indexOf("READY ");
    ASSERT_GE(at, 0) << output.toStdString();
    const qsizetype end = output.indexOf('\n', at);
    child.tempFile = QFile::decodeName(output.mid(at + 6, end - at - 6));
    EXPECT_TRUE(child.tempFile.startsWith(dir)) << child.tempFile.toStdString();
}

TEST(TempFileCleanup, EndingSignals) {
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(sig);
        const QString dir = TestTempDir();
        Child child;
        StartChild(child, dir, "wait");
        EXPECT_TRUE(QFile::exists(child.tempFile));
        ::kill(static_cast<pid_t>(child.process.processId()), sig);
        ASSERT_TRUE(child.process.waitForFinished(30000));
        // The signal still ends the program as it would have.
        EXPECT_EQ(child.process.exitStatus(), QProcess::CrashExit);
        EXPECT_EQ(child.process.exitCode(), sig);
        EXPECT_FALSE(QFile::exists(child.tempFile));
        EXPECT_TRUE(TempFilesIn(dir).isEmpty());
    }
}

TEST(TempFileCleanup, ExitWithoutFreeingTheStore) {
    const QString dir = TestTempDir();
    Child child;
    StartChild(child, dir, "exit");
    ASSERT_TRUE(child.process.waitForFinished(30000));
    EXPECT_EQ(child.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.process.exitCode(), 0);
    EXPECT_TRUE(TempFilesIn(dir).isEmpty());
}

TEST(TempFileCleanup, UncaughtException) {
    const QString dir = TestTempDir();
    Child child;
    StartChild(child, dir, "uncaught");
    ASSERT_TRUE(child.process.waitForFinished(30000));
    EXPECT_EQ(child.process.exitStatus(), QProcess::CrashExit);
    EXPECT_TRUE(TempFilesIn(dir).isEmpty());
}

} // namespace
