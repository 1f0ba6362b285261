#include "Rotation.h"

#include "ImageAllocation.h"
#include "PhotoMemory.h"
#include "QuarterTurn.h"
#include "TBitmap.h"
#include "TProgressBar.h"

namespace {

void CheckTurnMemory(const TBitmap& bitmap) {
    CheckImageMemory(TMemoryUse::Turn, bitmap.Width(), bitmap.Height(), TurnBytes(bitmap));
}

} // namespace

std::uint64_t TurnBytes(const TBitmap& bitmap) {
    const QImage& image = bitmap.Image();
    return image.isNull() ? 0 : ImageBytes(image.height(), image.width(), image.format());
}

// The bar's range is the turned rows, the source's columns.
void RotateRight(TBitmap& bitmap, QProgressBar& progress) {
    CheckTurnMemory(bitmap);
    TurnBitmapRight(bitmap, ProgressSteps(progress));
}

void RotateLeft(TBitmap& bitmap, QProgressBar& progress) {
    CheckTurnMemory(bitmap);
    TurnBitmapLeft(bitmap, ProgressSteps(progress));
}
