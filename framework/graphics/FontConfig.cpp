#include "framework/graphics/FontConfig.h"

#include <fontconfig/fontconfig.h>

#include <mutex>
#include <thread>

namespace {

std::mutex mutex;
std::thread reader;
bool started = false;

} // namespace

void ReadFontConfigurationAhead() {
    const std::lock_guard lock(mutex);
    if (started) return;
    started = true;
    // The configuration is made once per process: the toolkit's own call to FcInit later
    // finds it loaded, whichever thread loaded it.
    reader = std::thread([] { FcInit(); });
}

void AwaitFontConfiguration() {
    const std::lock_guard lock(mutex);
    if (reader.joinable()) reader.join();
}
