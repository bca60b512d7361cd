#pragma once
// The string table of the engine and framework texts, looked up by number. Each library
// compiles its own part of it into its resources (":/strings/<library>.txt"); the table
// is every part linked into the program.

#include <QString>

// The text with this number, in the program's language (the table holds the texts as
// written; the catalogues their translations); an empty string when the table has none.
QString LoadStr(int id);
