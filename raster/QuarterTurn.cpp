#include "QuarterTurn.h"

#include "Exceptions.h"
#include "ImageAllocation.h"
#include "TBitmap.h"

#include <QImage>
#include <algorithm>
#include <cstring>

namespace {

// Result rows done in one strip: a 64 x 64 tile of source and result stays in
// the first-level cache, so neither side is walked across rows pixel by pixel.
constexpr int kTile = 64;

// Where result pixel (column j, row i) comes from: source byte
// origin + i * rowStep + j * columnStep.
struct Walk {
    qsizetype origin;
    qsizetype rowStep;
    qsizetype columnStep;
    bool swapsSides;
};

Walk WalkFor(TOrientation orientation, int w, int h, qsizetype stride, int bytes) {
    const qsizetype lastRow = (h - 1) * stride;
    const qsizetype lastColumn = static_cast<qsizetype>(w - 1) * bytes;
    switch (orientation) {
    case TOrientation::Upright:
        return {0, stride, bytes, false};
    case TOrientation::Mirrored:
        return {lastColumn, stride, -bytes, false};
    case TOrientation::UpsideDown:
        return {lastRow + lastColumn, -stride, -bytes, false};
    case TOrientation::Flipped:
        return {lastRow, -stride, bytes, false};
    case TOrientation::Transposed:
        return {0, bytes, stride, true};
    case TOrientation::LyingLeft: // result (j, i) = source (i, H - 1 - j)
        return {lastRow, bytes, -stride, true};
    case TOrientation::Transversed:
        return {lastRow + lastColumn, -bytes, -stride, true};
    case TOrientation::LyingRight: // result (j, i) = source (W - 1 - i, j)
        return {lastColumn, -bytes, stride, true};
    }
    return {0, stride, bytes, false};
}

template <int Bytes>
void MovePixels(const QImage& source, QImage& result, const Walk& walk, const TTurnProgress& progress,
                TPagesAhead& pages) {
    const int rows = result.height();
    const int columns = result.width();
    const uchar* bits = source.constBits() + walk.origin;
    for (int i0 = 0; i0 < rows; i0 += kTile) {
        const int i1 = std::min(rows, i0 + kTile);
        for (int j0 = 0; j0 < columns; j0 += kTile) {
            const int j1 = std::min(columns, j0 + kTile);
            for (int i = i0; i < i1; ++i) {
                const uchar* s = bits + i * walk.rowStep + j0 * walk.columnStep;
                uchar* d = result.scanLine(i) + static_cast<qsizetype>(j0) * Bytes;
                for (int j = j0; j < j1; ++j, s += walk.columnStep, d += Bytes)
                    std::memcpy(d, s, Bytes);
            }
        }
        pages.Written(static_cast<std::size_t>(i1) * static_cast<std::size_t>(result.bytesPerLine()));
        if (progress)
            for (int i = std::max(i0, 1); i < i1; ++i)
                progress(i, rows);
    }
}

} // namespace

void OrientBitmap(TBitmap& bitmap, TOrientation orientation, const TTurnProgress& progress) {
    // The source: the bitmap's pixels as they were, shared rather than copied
    // since nothing writes to them; released when the pass ends.
    const QImage source = bitmap.Image();
    const int w = bitmap.Width();
    const int h = bitmap.Height();
    const Walk walk = WalkFor(orientation, w, h, source.bytesPerLine(), std::max(source.depth() / 8, 1));
    const int rows = walk.swapsSides ? w : h;
    if (progress)
        progress(0, rows);
    if (source.isNull()) {
        // No pixels to move, only the size to swap.
        if (walk.swapsSides) {
            bitmap.SetHeight(w);
            bitmap.SetWidth(h);
        }
    } else if (orientation != TOrientation::Upright) {
        // The result is made at its final size in the same format and with the
        // same palette; every pixel of it is written below, so it needs no fill.
        QImage result = AllocateImage(walk.swapsSides ? h : w, rows, source.format());
        if (result.isNull())
            throw EOutOfResources();
        if (source.format() == QImage::Format_Indexed8)
            result.setColorTable(source.colorTable());
        TPagesAhead pages(result);
        switch (source.depth()) {
        case 8:
            MovePixels<1>(source, result, walk, progress, pages);
            break;
        case 24:
            MovePixels<3>(source, result, walk, progress, pages);
            break;
        default:
            MovePixels<4>(source, result, walk, progress, pages);
            break;
        }
        bitmap.SetImage(std::move(result));
    }
    if (progress)
        progress(0, rows);
}
