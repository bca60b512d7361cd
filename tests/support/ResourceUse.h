#pragma once
// The memory and time a piece of work takes, measured in a child process: nothing the test
// process already holds is counted, and a crash, a hang or an allocation that the system
// refuses ends only the child.

#include <QStringList>
#include <cstdint>
#include <functional>

struct TResourceUse {
    bool ran = false;      // the work returned (or the program exited) by itself
    bool timedOut = false; // stopped after the time allowed
    int signal = 0;        // what ended the child otherwise
    int result = -1;       // what the work returned, or the program's exit code
    // Peak resident memory: for work, its growth over the child's size at the start; for a
    // program, its own peak.
    int64_t peakBytes = 0;
    double seconds = 0;    // elapsed
    double cpuSeconds = 0; // user and system time: the work done, whatever else runs
    QString errorOutput;   // what a program wrote to standard error
};

// Runs work in a forked copy of this process and reports its peak memory (getrusage's
// ru_maxrss at the end less at the start) and time. work's exceptions count as result -2.
TResourceUse MeasureInChild(const std::function<int()>& work, double secondsAllowed = 120);

// Runs a program with args and reports its exit code, peak memory and time. The program
// runs under GNU time, whose own small process is what the peak is counted from.
TResourceUse MeasureProgram(const QString& program, const QStringList& args, double secondsAllowed);

// True in builds with AddressSanitizer, where memory and time run larger.
bool UnderSanitizer();
