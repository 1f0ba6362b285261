#include "Rotation.h"

#include "Exceptions.h"
#include "ImageAllocation.h"
#include "TBitmap.h"

#include <QImage>
#include <QProgressBar>
#include <algorithm>
#include <cstring>

namespace {

enum class Turn { Right, Left };

// Source columns turned in one strip: a 64 x 64 tile of source and result
// stays in the first-level cache, so neither side is walked across rows
// pixel by pixel.
constexpr int kTile = 64;

// Result row i, column j takes source pixel (i, H - 1 - j) on a right turn
// and (W - 1 - i, j) on a left turn.
template <int Bytes>
void TurnPixels(const QImage& source, QImage& result, Turn turn, QProgressBar& progress) {
    const int w = source.width();
    const int h = source.height();
    const uchar* bits = source.constBits();
    const qsizetype stride = source.bytesPerLine();
    const qsizetype step = turn == Turn::Right ? -stride : stride;
    for (int i0 = 0; i0 < w; i0 += kTile) {
        const int i1 = std::min(w, i0 + kTile);
        for (int j0 = 0; j0 < h; j0 += kTile) {
            const int j1 = std::min(h, j0 + kTile);
            const qsizetype firstRow = turn == Turn::Right ? h - 1 - j0 : j0;
            for (int i = i0; i < i1; ++i) {
                const qsizetype column = turn == Turn::Right ? i : w - 1 - i;
                const uchar* s = bits + firstRow * stride + column * Bytes;
                uchar* d = result.scanLine(i) + static_cast<qsizetype>(j0) * Bytes;
                for (int j = j0; j < j1; ++j, s += step, d += Bytes)
                    std::memcpy(d, s, Bytes);
            }
        }
        for (int i = i0; i < i1; ++i)
            progress.setValue(i);
    }
}

void TurnBitmap(TBitmap& bitmap, QProgressBar& progress, Turn turn) {
    // The source: the bitmap's pixels as they were, shared rather than copied
    // since nothing writes to them; released when the turn ends.
    const QImage source = bitmap.Image();
    const int h = bitmap.Height();
    const int w = bitmap.Width();
    progress.setRange(0, w);
    progress.setValue(0);
    if (source.isNull()) {
        // No pixels to move, only the size to swap.
        bitmap.SetHeight(w);
        bitmap.SetWidth(h);
    } else {
        // The result is made at its final size H x W in the same format and
        // with the same palette; every pixel of it is written below, so it
        // needs no fill and no intermediate size, and the turn holds just two
        // photos.
        QImage result = AllocateImage(h, w, source.format());
        if (result.isNull())
            throw EOutOfResources();
        if (source.format() == QImage::Format_Indexed8)
            result.setColorTable(source.colorTable());
        const TPagesAhead pages(result);
        switch (source.depth()) {
        case 8:
            TurnPixels<1>(source, result, turn, progress);
            break;
        case 24:
            TurnPixels<3>(source, result, turn, progress);
            break;
        default:
            TurnPixels<4>(source, result, turn, progress);
            break;
        }
        bitmap.SetImage(std::move(result));
    }
    progress.setValue(0);
}

} // namespace

void RotateRight(TBitmap& bitmap, QProgressBar& progress) {
    TurnBitmap(bitmap, progress, Turn::Right);
}

void RotateLeft(TBitmap& bitmap, QProgressBar& progress) {
    TurnBitmap(bitmap, progress, Turn::Left);
}
