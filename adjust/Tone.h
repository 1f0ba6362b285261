#pragma once

class QCheckBox;
class QProgressBar;
class QScrollBar;
class TBitmap;

// Nearest integer in 0..255, halves to even.
int ClampToByte(double x);
// Contrast emphasis with strength = scroll bar position / 100.
void EnhanceContrast(TBitmap& bitmap, const QScrollBar& strength, QProgressBar& progress);
// Brighten, or darken when the box is checked.
void AdjustBrightness(TBitmap& bitmap, const QCheckBox& darken, QProgressBar& progress);
