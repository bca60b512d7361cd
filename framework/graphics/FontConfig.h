#pragma once
// The system's font configuration, read ahead of the first text, and the faces it offers.

#include <QStringList>

// Starts reading the font configuration and the list of installed faces on a thread of
// its own, so that it goes on while the application object connects to the display; the
// first font the program asks for then finds it read. Call before the application object
// exists; once is enough, more calls do nothing.
void ReadFontConfigurationAhead();

// Waits until the reading started above, and the listing below, are over (at once when
// none was started). The application's set-up and its end call it, so that neither
// outlives the program.
void AwaitFontConfiguration();

// Lists the installed faces into the toolkit's font database on a thread of its own, so
// that it goes on while the first window reads its layout (the first font asked for
// otherwise waits for the whole list). Call once the application's set-up is done, and
// only in a program that does not fork: a child forked while the list is made would find
// the database locked for good. Once is enough, more calls do nothing.
void ListFontFacesAhead();

// The installed faces that can be drawn at any size and turned (TrueType, OpenType, Type 1
// outlines), by family name alone ("URW Gothic", not "URW Gothic [urw]"), with the faces the
// framework draws with such a face in their stead ("Arial" where its metric twin stands in).
QStringList ScalableFaces();
// Whether face is one of them (without regard to case). A face that is not installed, or
// has only bitmaps, cannot be turned and is drawn in another face.
bool IsScalableFace(const QString& face);
