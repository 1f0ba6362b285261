#pragma once
#include <functional>

class TBitmap;

// Told (0, steps) first, then the result rows done (1 .. steps - 1) as they
// are finished, and (0, steps) once the turn is over. Steps are the rows of
// the result, which are the columns of the source for a quarter turn.
using TTurnProgress = std::function<void(int done, int steps)>;

// How the stored rows lie, numbered as the EXIF Orientation tag numbers them:
// what the picture needs to stand upright is in each name's comment.
enum class TOrientation {
    Upright = 1,     // nothing
    Mirrored = 2,    // mirroring left to right
    UpsideDown = 3,  // a half turn
    Flipped = 4,     // mirroring top to bottom
    Transposed = 5,  // mirroring over the main diagonal
    LyingLeft = 6,   // a quarter turn right
    Transversed = 7, // mirroring over the other diagonal
    LyingRight = 8,  // a quarter turn left
};

// Turns and mirrors in place in one pass over the pixels, keeping format and
// palette: afterwards the bitmap stands upright. Every pixel is copied exactly;
// the pass holds the source and the result.
void OrientBitmap(TBitmap& bitmap, TOrientation orientation, const TTurnProgress& progress = {});

// The quarter turns: a W x H bitmap becomes H x W.
inline void TurnBitmapRight(TBitmap& bitmap, const TTurnProgress& progress = {}) {
    OrientBitmap(bitmap, TOrientation::LyingLeft, progress);
}
inline void TurnBitmapLeft(TBitmap& bitmap, const TTurnProgress& progress = {}) {
    OrientBitmap(bitmap, TOrientation::LyingRight, progress);
}
