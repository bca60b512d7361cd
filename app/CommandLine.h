#pragma once
// The program's command line: the editor, optionally with a design to open, or designs
// printed or written as PDF without any window.

#include <QString>
#include <QStringList>

struct TCommandLine {
    enum class TMode { Editor, Help, Print, Pdf, Usage };
    TMode mode = TMode::Editor;
    // The design to open (at most one for the editor), or those to print in order.
    QStringList designs;
    // Empty: the system's default queue.
    QString printer;
    int copies = 1;
    // The PDF file of --pdf.
    QString output;
    // What is wrong with the usage, for TMode::Usage.
    QString error;
};

// The arguments after the program's name.
TCommandLine ParseCommandLine(const QStringList& arguments);
QString UsageText();

// True for the modes that print without a window: they run on the offscreen platform
// and keep Qt's own messages off standard error.
bool PrintsWithoutWindow(const TCommandLine& line);
// Before the application is made: every error reaching the framework is one line on
// standard error from then on.
void PrepareWindowlessRun();
// After the framework's start-up, which installs its error box and file questions: errors
// stay lines on standard error, and nothing asks in a window.
void KeepErrorsOffWindows();

// Prints or writes the designs one after the other (the application must exist); one line
// on standard error for each that fails. The exit code: 0 when all were printed, else 1.
int RunPrintJobs(const TCommandLine& line);
