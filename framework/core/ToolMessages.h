#pragma once
// Qt's own diagnostics in a command-line program: a script that runs the program reads one
// line on failure, the program's own, while Qt may note something for every font it tries
// ("OpenType support missing for ...", once per installed family for some scripts). The
// filter counts those notes and drops them; a fatal one still ends the program with its
// text.

#include <QString>

// Sends Qt's messages to the filter from now on. tool names the program in the fatal line.
void InstallToolMessageFilter(const char* tool);

// How many messages the filter has dropped so far.
int DroppedToolMessages();

// The dropped messages in one line for a --verbose run ("N notes from Qt left out, the
// first: ..."), or nothing when none were dropped.
QString DroppedToolMessagesSummary();
