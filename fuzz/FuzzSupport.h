#pragma once
// What every harness shares: a Qt application on the offscreen platform, made once before
// the first input, and a small white page to draw on.

#include <QImage>
#include <cstddef>
#include <cstdint>

// Starts the application (widgets when asked for) and registers the picture kinds.
void StartFuzzing(bool widgets);

// A white 64 x 48 image in the layout screens use.
QImage SmallPage();
