#include "framework/graphics/FontConfig.h"

#include "framework/core/Threads.h"

#include <QFontDatabase>
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
