#include "Rotation.h"

#include "QuarterTurn.h"

#include <QProgressBar>

namespace {

// The bar's range is the source's columns, its position each column turned.
TTurnProgress BarSteps(QProgressBar& bar) {
    return [&bar](int done, int steps) {
        if (done == 0)
            bar.setRange(0, steps);
        bar.setValue(done);
    };
}

} // namespace

void RotateRight(TBitmap& bitmap, QProgressBar& progress) { TurnBitmapRight(bitmap, BarSteps(progress)); }

void RotateLeft(TBitmap& bitmap, QProgressBar& progress) { TurnBitmapLeft(bitmap, BarSteps(progress)); }
