#include "Rotation.h"

#include "QuarterTurn.h"
#include "TProgressBar.h"

// The bar's range is the turned rows, the source's columns.
void RotateRight(TBitmap& bitmap, QProgressBar& progress) {
    TurnBitmapRight(bitmap, ProgressSteps(progress));
}

void RotateLeft(TBitmap& bitmap, QProgressBar& progress) {
    TurnBitmapLeft(bitmap, ProgressSteps(progress));
}
