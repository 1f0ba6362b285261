#pragma once
#include <cstdint>

class QProgressBar;
class TBitmap;

// Quarter turns in place: a W x H bitmap becomes H x W, every pixel copied
// exactly. A turn whose new picture does not fit in the memory free is
// refused (EPhotoMemory) before anything changes.
void RotateRight(TBitmap& bitmap, QProgressBar& progress);
void RotateLeft(TBitmap& bitmap, QProgressBar& progress);

// The memory a turn of the bitmap takes for its new picture.
std::uint64_t TurnBytes(const TBitmap& bitmap);
