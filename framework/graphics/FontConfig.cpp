#include "framework/graphics/FontConfig.h"

#include "framework/core/Threads.h"

#include <QFont>
#include <QFontDatabase>
#include <QMutex>
#include <QStringList>
#include <fontconfig/fontconfig.h>

#include <mutex>
#include <thread>

namespace {

// A reading still going at the end of the program is waited for, never cut off.
struct TReader {
    std::mutex mutex;
    std::jthread thread;
    bool started = false;
    bool listing = false;
    void Join() {
        const std::lock_guard lock(mutex);
        if (thread.joinable()) thread.join();
    }
    ~TReader() { Join(); }
};

TReader reader;

} // namespace

void ReadFontConfigurationAhead() {
    const std::lock_guard lock(reader.mutex);
    if (reader.started) return;
    reader.started = true;
    // The configuration is made once per process: the toolkit's own call to FcInit later
    // finds it loaded, whichever thread loaded it.
    reader.thread = StartBeside([] { FcInit(); });
}

void AwaitFontConfiguration() {
    reader.Join();
}

void ListFontFacesAhead() {
    const std::lock_guard lock(reader.mutex);
    if (reader.listing) return;
    reader.listing = true;
    if (reader.thread.joinable()) reader.thread.join();
    // The database takes its own lock: a font asked for meanwhile waits for the list.
    reader.thread = StartBeside([] { QFontDatabase::families(); });
}

QStringList ScalableFaces() {
    QStringList faces;
    const QStringList families = QFontDatabase::families();
    for (const QString& family : families) {
        if (!QFontDatabase::isSmoothlyScalable(family)) continue;
        // "Family [Foundry]" where two foundries make one family: the family is what a
        // font names.
        const qsizetype bracket = family.indexOf(QLatin1String(" ["));
        const QString name = bracket > 0 ? family.left(bracket) : family;
        if (!faces.contains(name, Qt::CaseInsensitive)) faces.append(name);
    }
    const QStringList substituted = QFont::substitutions();
    for (const QString& face : substituted) {
        if (faces.contains(face, Qt::CaseInsensitive)) continue;
        const QStringList twins = QFont::substitutes(face);
        for (const QString& twin : twins)
            if (faces.contains(twin, Qt::CaseInsensitive)) {
                faces.append(face);
                break;
            }
    }
    return faces;
}

bool IsScalableFace(const QString& face) {
    // The list changes only when faces are installed or substituted, which a program does
    // at its start; it is made again when the number of families changes.
    static QMutex mutex;
    static QStringList faces;
    static qsizetype families = -1;
    static qsizetype substitutions = -1;
    const QMutexLocker lock(&mutex);
    const qsizetype nowFamilies = QFontDatabase::families().size();
    const qsizetype nowSubstitutions = QFont::substitutions().size();
    if (nowFamilies != families || nowSubstitutions != substitutions) {
        faces = ScalableFaces();
        families = nowFamilies;
        substitutions = nowSubstitutions;
    }
    return faces.contains(face, Qt::CaseInsensitive);
}
