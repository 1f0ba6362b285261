#include "TCanvas.h"

#include "Exceptions.h"
#include "Rounding.h"
#include "TBitmap.h"
#include "TFont.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cstring>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

QColor ToQColor(TColor resolved) {
    return QColor(GetRValue(resolved), GetGValue(resolved), GetBValue(resolved));
}

} // namespace

TCanvas::TCanvas(TBitmap& bitmap) : bitmap_(bitmap) {}


// The pen is centred on the outline as GDI does it: a pen P pixels wide covers
// the ring P pixels thick whose outer edge runs from X1 - P/2 to X2 - 1 + (P-1)/2
// (inclusive; likewise for Y). So P = 1 is the outermost ring of the box, and
// Rectangle(1, 1, W, H) with P = 2 is the outer two-pixel ring of a W x H surface.
// A solid brush fills the whole box before the outline is drawn over it; a clear
// pen draws no outline, so the brush then covers the whole box.
void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    if (x1 == x2 || y1 == y2 || bitmap_.Empty())
        return;
    bool drawn = false;
    if (Brush.Style == TBrushStyle::bsSolid) {
        bitmap_.FillArea(x1, y1, x2, y2, ResolveColor(Brush.Color));
        drawn = true;
    }
    if (Pen.Style == TPenStyle::psSolid) {
        const int p = std::max(Pen.Width, 1);
        const int left = x1 - p / 2, top = y1 - p / 2;
        const int right = x2 + (p - 1) / 2, bottom = y2 + (p - 1) / 2; // exclusive
        const TColor c = ResolveColor(Pen.Color);
        bitmap_.FillArea(left, top, right, std::min(top + p, bottom), c);
        bitmap_.FillArea(left, std::max(bottom - p, top), right, bottom, c);
        bitmap_.FillArea(left, top, std::min(left + p, right), bottom, c);
        bitmap_.FillArea(std::max(right - p, left), top, right, bottom, c);
        drawn = true;
    }
    if (drawn)
        bitmap_.Changed();
}

int TCanvas::TextWidth(const std::string& text) const {
    return QFontMetrics(ToQFont(Font)).horizontalAdvance(QString::fromStdString(text));
}

int TCanvas::TextHeight(const std::string&) const { return QFontMetrics(ToQFont(Font)).height(); }

void TCanvas::TextOut(int x, int y, const std::string& text) {
    const QString s = QString::fromStdString(text);
    const QFont font = ToQFont(Font);
    const QFontMetrics metrics(font);
    const QRect cell(x, y, metrics.horizontalAdvance(s), metrics.height());
    PenPos = TPoint{x + cell.width(), y};
    const QRect area = cell.intersected(QRect(0, 0, bitmap_.Width(), bitmap_.Height()));
    if (area.isEmpty())
        return;

    // Paint over a true-colour copy of the cells, then store what changed through
    // the ordinary pixel rule (exact on 24/32-bit, nearest palette colour on 8-bit).
    QImage region(area.size(), QImage::Format_RGB32);
    if (region.isNull())
        throw EOutOfResources();
    for (int row = 0; row < area.height(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(region.scanLine(row));
        for (int col = 0; col < area.width(); ++col) {
            const TColor c = bitmap_.GetPixel(area.x() + col, area.y() + row);
            line[col] = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
        }
    }
    {
        QPainter painter(&region);
        painter.translate(-area.x(), -area.y());
        if (Brush.Style == TBrushStyle::bsSolid)
            painter.fillRect(cell, ToQColor(ResolveColor(Brush.Color)));
        painter.setFont(font);
        painter.setPen(ToQColor(ResolveColor(Font.Color)));
        painter.drawText(x, y + metrics.ascent(), s);
    }
    for (int row = 0; row < area.height(); ++row) {
        const auto* line = reinterpret_cast<const QRgb*>(region.constScanLine(row));
        for (int col = 0; col < area.width(); ++col) {
            const TColor c = RGB(qRed(line[col]), qGreen(line[col]), qBlue(line[col]));
            if (bitmap_.GetPixel(area.x() + col, area.y() + row) != c)
                bitmap_.SetPixel(area.x() + col, area.y() + row, c);
        }
    }
    bitmap_.Changed();
}

namespace {

// Per-format pixel access for the stretch loop.
struct ReadRgb888 {
    TColor operator()(const uchar* row, int x) const {
        const uchar* p = row + 3 * static_cast<qsizetype>(x);
        return p[0] | (p[1] << 8) | (p[2] << 16);
    }
};
struct ReadRgb32 {
    TColor operator()(const uchar* row, int x) const {
        std::uint32_t v;
        std::memcpy(&v, row + 4 * static_cast<qsizetype>(x), 4);
        return static_cast<TColor>(((v >> 16) & 0xFFu) | (v & 0xFF00u) | ((v & 0xFFu) << 16));
    }
};
struct ReadIndex {
    TColor operator()(const uchar* row, int x) const { return row[x]; }
};
struct ReadPalette {
    const std::array<TColor, 256>& palette;
    TColor operator()(const uchar* row, int x) const { return palette[row[x]]; }
};
struct WriteRgb888 {
    void operator()(uchar* row, int x, TColor c) const {
        uchar* p = row + 3 * static_cast<qsizetype>(x);
        p[0] = static_cast<uchar>(c);
        p[1] = static_cast<uchar>(c >> 8);
        p[2] = static_cast<uchar>(c >> 16);
    }
};
struct WriteRgb32 {
    void operator()(uchar* row, int x, TColor c) const {
        const auto u = static_cast<std::uint32_t>(c);
        const std::uint32_t v = 0xFF000000u | ((u & 0xFFu) << 16) | (u & 0xFF00u) | ((u >> 16) & 0xFFu);
        std::memcpy(row + 4 * static_cast<qsizetype>(x), &v, 4);
    }
};
struct WriteMappedIndex { // source palette index -> destination palette index
    const std::array<uchar, 256>& map;
    void operator()(uchar* row, int x, TColor index) const { row[x] = map[static_cast<size_t>(index)]; }
};
struct WriteNearest {
    const TBitmap& bitmap;
    void operator()(uchar* row, int x, TColor c) const {
        row[x] = static_cast<uchar>(bitmap.NearestPaletteIndex(c));
    }
};

struct StretchGeometry {
    int x0, x1, y0, y1;            // clipped destination, exclusive ends
    int top, dh, sh;               // for the source row of a destination row
    std::vector<int> sourceColumn; // per destination column x0..x1-1
};

template <class Read, class Write>
void StretchRows(const StretchGeometry& g, const uchar* src, qsizetype srcStride, uchar* dst,
                 qsizetype dstStride, Read read, Write write) {
    const int* columns = g.sourceColumn.data();
    const int count = g.x1 - g.x0;
    for (int y = g.y0; y < g.y1; ++y) {
        // Sample at the centre of the destination pixel.
        const auto sy = static_cast<int>((2 * static_cast<std::int64_t>(y - g.top) + 1) * g.sh / (2 * static_cast<std::int64_t>(g.dh)));
        const uchar* srow = src + sy * srcStride;
        uchar* drow = dst + y * dstStride;
        for (int i = 0; i < count; ++i)
            write(drow, g.x0 + i, read(srow, columns[i]));
    }
}

} // namespace

void TCanvas::StretchDraw(const TRect& r, const TBitmap* source) {
    if (!source || source->Empty() || bitmap_.Empty())
        return;
    const int dw = r.Width(), dh = r.Height();
    if (dw <= 0 || dh <= 0)
        return; // a mirrored or empty rectangle draws nothing
    StretchGeometry g{std::max(r.Left, 0), std::min(r.Right, bitmap_.Width()),
                      std::max(r.Top, 0),  std::min(r.Bottom, bitmap_.Height()),
                      r.Top,               dh,
                      source->Height(),    {}};
    if (g.x0 >= g.x1 || g.y0 >= g.y1)
        return;
    const int sw = source->Width();
    g.sourceColumn.resize(static_cast<size_t>(g.x1 - g.x0));
    for (int x = g.x0; x < g.x1; ++x)
        g.sourceColumn[static_cast<size_t>(x - g.x0)] =
            static_cast<int>((2 * static_cast<std::int64_t>(x - r.Left) + 1) * sw / (2 * static_cast<std::int64_t>(dw)));

    // A shared copy keeps the source's pixels even when the destination is the
    // source itself or shares its pixels: making the destination writable detaches.
    const QImage srcImage = source->image_;
    const TBitmap::Kind srcKind = source->kind_;
    const std::array<TColor, 256> srcPalette = source->palette_;
    bitmap_.MakeWritable();
    const uchar* src = srcImage.constBits();
    const qsizetype ss = srcImage.bytesPerLine();
    uchar* dst = bitmap_.bits_;
    const qsizetype ds = bitmap_.stride_;

    const auto fromSource = [&](auto write) {
        switch (srcKind) {
        case TBitmap::Kind::Rgb888:
            StretchRows(g, src, ss, dst, ds, ReadRgb888{}, write);
            break;
        case TBitmap::Kind::Rgb32:
            StretchRows(g, src, ss, dst, ds, ReadRgb32{}, write);
            break;
        case TBitmap::Kind::Indexed8:
            StretchRows(g, src, ss, dst, ds, ReadPalette{srcPalette}, write);
            break;
        case TBitmap::Kind::None:
            break;
        }
    };
    switch (bitmap_.kind_) {
    case TBitmap::Kind::Rgb888:
        fromSource(WriteRgb888{});
        break;
    case TBitmap::Kind::Rgb32:
        fromSource(WriteRgb32{});
        break;
    case TBitmap::Kind::Indexed8:
        if (srcKind == TBitmap::Kind::Indexed8) {
            std::array<uchar, 256> map{};
            for (size_t i = 0; i < map.size(); ++i)
                map[i] = static_cast<uchar>(bitmap_.NearestPaletteIndex(srcPalette[i]));
            StretchRows(g, src, ss, dst, ds, ReadIndex{}, WriteMappedIndex{map});
        } else {
            fromSource(WriteNearest{bitmap_});
        }
        break;
    case TBitmap::Kind::None:
        return;
    }
    bitmap_.Changed();
}
