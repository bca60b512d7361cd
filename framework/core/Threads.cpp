#include "framework/core/Threads.h"

#include <pthread.h>
#include <sched.h>

int ProcessorOfCaller() {
    return sched_getcpu();
}

void LeaveProcessor(int processor) {
    if (processor < 0) return;
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return;
    if (!CPU_ISSET(processor, &allowed) || CPU_COUNT(&allowed) < 2) return;
    CPU_CLR(processor, &allowed);
    pthread_setaffinity_np(pthread_self(), sizeof allowed, &allowed);
}

std::jthread StartBeside(std::function<void()> step) {
    return std::jthread([processor = ProcessorOfCaller(), step = std::move(step)] {
        LeaveProcessor(processor);
        step();
    });
}
