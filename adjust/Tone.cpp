#include "Tone.h"

#include "Rounding.h"
#include "TApplication.h"
#include "TBitmap.h"

#include <QCheckBox>
#include <QProgressBar>
#include <QScrollBar>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

using ToneTable = std::array<uchar, 256>;

// Every channel value has one result, so the formula is evaluated once per
// value and the pixels only look it up.
template <class Formula> ToneTable MakeTable(Formula formula) {
    ToneTable table{};
    for (int v = 0; v < 256; ++v)
        table[static_cast<size_t>(v)] =
            static_cast<uchar>(ClampToByte(formula(static_cast<long double>(v))));
    return table;
}

// Columns mapped in one go before their progress steps and message servicing
// follow. Row runs this wide bring the walk close to a row-major one, where
// column by column every pixel would miss the cache; a strip of a 4000-row
// photo still takes only a couple of milliseconds.
constexpr int kStripColumns = 256;

// The palette index each index becomes: its colour (black past the end of the
// palette, as a pixel read gives) mapped, then stored as the nearest entry.
std::array<uchar, 256> PaletteRemap(const TBitmap& bitmap, const ToneTable& table) {
    const QList<QRgb> colours = bitmap.Image().colorTable();
    std::array<uchar, 256> remap{};
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < colours.size() ? colours[i] : qRgb(0, 0, 0);
        const TColor mapped =
            RGB(table[static_cast<size_t>(qRed(c))], table[static_cast<size_t>(qGreen(c))],
                table[static_cast<size_t>(qBlue(c))]);
        remap[static_cast<size_t>(i)] = static_cast<uchar>(bitmap.NearestPaletteIndex(mapped));
    }
    return remap;
}

void MapStrip(TBitmap& bitmap, const ToneTable& table, const std::array<uchar, 256>& remap, int x0,
              int x1) {
    const int height = bitmap.Height();
    const auto first = static_cast<size_t>(x0);
    const auto count = static_cast<size_t>(x1 - x0);
    switch (bitmap.PixelFormat()) {
    case TPixelFormat::pf24bit:
        for (int y = 0; y < height; ++y) {
            uchar* p = bitmap.ScanLine(y) + 3 * first;
            for (size_t i = 0; i < 3 * count; ++i)
                p[i] = table[p[i]];
        }
        break;
    case TPixelFormat::pf32bit:
        for (int y = 0; y < height; ++y) {
            uchar* row = bitmap.ScanLine(y) + 4 * first;
            for (size_t i = 0; i < count; ++i) {
                std::uint32_t v;
                std::memcpy(&v, row + 4 * i, 4);
                v = 0xFF000000u | (std::uint32_t{table[(v >> 16) & 0xFFu]} << 16) |
                    (std::uint32_t{table[(v >> 8) & 0xFFu]} << 8) | table[v & 0xFFu];
                std::memcpy(row + 4 * i, &v, 4);
            }
        }
        break;
    case TPixelFormat::pf8bit:
        for (int y = 0; y < height; ++y) {
            uchar* p = bitmap.ScanLine(y) + first;
            for (size_t i = 0; i < count; ++i)
                p[i] = remap[p[i]];
        }
        break;
    }
}

// The frame every pass shares: progress over the columns, left to right, and
// message servicing once after each column, never inside one.
void RunPass(TBitmap& bitmap, const ToneTable& table, QProgressBar& progress) {
    const int width = bitmap.Width();
    const int height = bitmap.Height();
    const TPixelFormat format = bitmap.PixelFormat();
    progress.setRange(0, width);
    progress.setValue(0);
    std::array<uchar, 256> remap{};
    if (format == TPixelFormat::pf8bit && !bitmap.Empty())
        remap = PaletteRemap(bitmap, table);
    for (int x0 = 0; x0 < width; x0 += kStripColumns) {
        const int x1 = std::min(width, x0 + kStripColumns);
        // The commands that could replace the bitmap are held off while a
        // pass runs; should one get through anyway, stop rather than write
        // into pixels of another size.
        if (bitmap.Width() != width || bitmap.Height() != height || bitmap.PixelFormat() != format)
            break;
        if (height > 0)
            MapStrip(bitmap, table, remap, x0, x1);
        for (int x = x0; x < x1; ++x) {
            progress.setValue(x);
            TApplication::ProcessMessages();
        }
    }
    progress.setValue(0);
}

} // namespace

int ClampToByte(double x) {
    if (x >= 255)
        return 255;
    if (!(x > 0)) // also NaN
        return 0;
    return Round(x);
}

void EnhanceContrast(TBitmap& bitmap, const QScrollBar& strength, QProgressBar& progress) {
    const double k = strength.value() / 100.0;
    const ToneTable table =
        MakeTable([k](long double v) { return static_cast<double>(v + (v - 127.5L) * k); });
    RunPass(bitmap, table, progress);
}

void AdjustBrightness(TBitmap& bitmap, const QCheckBox& darken, QProgressBar& progress) {
    const bool darkening = darken.isChecked();
    const ToneTable table = MakeTable([darkening](long double v) {
        const long double l = v / 255;
        const long double root = std::sqrt(l);
        return static_cast<double>(darkening ? (l - (root - l)) * 255 : root * 255);
    });
    RunPass(bitmap, table, progress);
}
