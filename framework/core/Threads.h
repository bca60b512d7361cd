#pragma once
// Helper threads that work beside the thread that starts them.

#include <functional>
#include <thread>

// A new thread starts on the processor its parent runs on, and the scheduler may leave the
// two sharing it for milliseconds before it moves one, however idle the other processors
// are: a read-ahead meant to overlap its starter's own work would then only take turns
// with it. These keep such a helper off its starter's processor, when the process may use
// another.

// Starts a thread that runs step beside the calling thread; it is joined when it goes.
std::jthread StartBeside(std::function<void()> step);

// For a helper started otherwise (std::async): the starter takes its processor, and the
// helper's first step leaves it.
int ProcessorOfCaller();
void LeaveProcessor(int processor);
