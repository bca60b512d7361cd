#pragma once
// The string table of the engine and framework texts, compiled into the resources and
// looked up by number.

#include <QString>

// The text with this number; an empty string when the table has none.
QString LoadStr(int id);
