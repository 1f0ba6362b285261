#pragma once

class QProgressBar;
class TBitmap;

// Quarter turns in place: a W x H bitmap becomes H x W, every pixel copied exactly.
void RotateRight(TBitmap& bitmap, QProgressBar& progress);
void RotateLeft(TBitmap& bitmap, QProgressBar& progress);
