#pragma once
// The system's font configuration, read ahead of the first text.

// Starts reading the font configuration and the list of installed faces on a thread of
// its own, so that it goes on while the application object connects to the display; the
// first font the program asks for then finds it read. Call before the application object
// exists; once is enough, more calls do nothing.
void ReadFontConfigurationAhead();

// Waits until the reading started above is over (at once when none was started). The
// application's set-up calls it, so that the reading never outlives the program.
void AwaitFontConfiguration();
