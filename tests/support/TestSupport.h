#pragma once
// Helpers shared by the test programs.

#include <QImage>
#include <QString>
#include <gtest/gtest.h>

// A file below tests/data.
QString TestData(const QString& relative);
// A fresh directory for one test's files, removed at exit.
QString TestTempDir();

// Counts pixels of image inside rect whose colour is within tolerance of c.
int CountPixels(const QImage& image, const QRect& rect, QRgb c, int tolerance = 60);
// The bounding box of pixels not within tolerance of the background colour.
QRect InkBox(const QImage& image, QRgb background = qRgb(255, 255, 255), int tolerance = 60);
// Largest per-channel difference between two images of the same size, ignoring up to
// `ignored` pixels (anti-aliasing noise); -1 when the sizes differ.
int ImageDifference(const QImage& a, const QImage& b, int* differing = nullptr, int threshold = 0);

void PrintTo(const QString& s, std::ostream* os);
