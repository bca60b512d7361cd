#include "framework/graphics/FontConfig.h"

#include <fontconfig/fontconfig.h>

#include <mutex>
#include <thread>

namespace {

// A reading still going at the end of the program is waited for, never cut off.
struct TReader {
    std::mutex mutex;
    std::thread thread;
    bool started = false;
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
    reader.thread = std::thread([] { FcInit(); });
}

void AwaitFontConfiguration() {
    reader.Join();
}
