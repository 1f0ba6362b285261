#include "TBitmap.h"

#include "Exceptions.h"
#include "ImageAllocation.h"

#include <algorithm>
#include <limits>

namespace {

constexpr TColor FromQRgb(QRgb rgb) { return RGB(qRed(rgb), qGreen(rgb), qBlue(rgb)); }

} // namespace

void TBitmap::SetDimensions(int width, int height) {
    size_ = static_cast<std::uint32_t>(width) | std::uint64_t{static_cast<std::uint32_t>(height)} << 32;
}

int TBitmap::Width() const { return static_cast<int>(static_cast<std::uint32_t>(size_)); }
int TBitmap::Height() const { return static_cast<int>(size_ >> 32); }
bool TBitmap::Empty() const { return Width() == 0 || Height() == 0; }

TPixelFormat TBitmap::PixelFormat() const {
    switch (kind_) {
    case Kind::Rgb888:
        return TPixelFormat::pf24bit;
    case Kind::Indexed8:
        return TPixelFormat::pf8bit;
    case Kind::Rgb32:
    case Kind::None:
        break;
    }
    return TPixelFormat::pf32bit;
}

const QImage& TBitmap::Image() const {
    // Whoever copies the QImage shares our pixels; the next write must detach.
    writable_ = false;
    writeKind_ = Kind::None;
    return image_;
}

void TBitmap::SetOnChange(std::function<void()> onChange) {
    onChange_ = std::move(onChange);
    notified_ = false;
    writeKind_ = Kind::None;
}

void TBitmap::AcknowledgeChange() {
    notified_ = false;
    writeKind_ = Kind::None;
}

void TBitmap::Changed() {
    if (notified_)
        return;
    notified_ = true;
    if (onChange_)
        onChange_();
}

uchar* TBitmap::ScanLine(int y) {
    if (!writable_)
        MakeWritable();
    if (!notified_)
        Changed();
    return bits_ + y * stride_;
}

void TBitmap::SetPixelSlow(int x, int y, TColor color) {
    if (!Inside(x, y))
        return;
    color = ResolveColor(color);
    if (writeKind_ == Kind::None) {
        // Notified first: a listener that shares the pixels must not see this write.
        Changed();
        if (!Inside(x, y)) // the listener made the bitmap smaller
            return;
        if (!writable_)
            MakeWritable();
    }
    Store(kind_, x, y, color);
    writeKind_ = writable_ && notified_ ? kind_ : Kind::None;
}

void TBitmap::MakeWritable() {
    bits_ = image_.bits(); // detaches pixels shared with another bitmap
    if (!bits_)
        throw EOutOfResources();
    constBits_ = bits_;
    stride_ = image_.bytesPerLine();
    writable_ = true;
}

void TBitmap::CachePointers() {
    writable_ = false;
    writeKind_ = Kind::None;
    bits_ = nullptr;
    if (image_.isNull()) {
        kind_ = Kind::None;
        constBits_ = nullptr;
        stride_ = 0;
        paletteSize_ = 0;
        return;
    }
    SetDimensions(image_.width(), image_.height());
    constBits_ = image_.constBits();
    stride_ = image_.bytesPerLine();
    switch (image_.format()) {
    case QImage::Format_RGB888:
        kind_ = Kind::Rgb888;
        break;
    case QImage::Format_Indexed8:
        kind_ = Kind::Indexed8;
        break;
    default:
        kind_ = Kind::Rgb32;
        break;
    }
    paletteSize_ = 0;
    palette_.fill(clBlack);
    if (kind_ == Kind::Indexed8) {
        const QList<QRgb> table = image_.colorTable();
        paletteSize_ = static_cast<int>(std::min<qsizetype>(table.size(), 256));
        for (int i = 0; i < paletteSize_; ++i)
            palette_[static_cast<size_t>(i)] = FromQRgb(table[i]);
        if (!nearest_)
            nearest_ = std::make_unique<NearestCache>();
        nearest_->keys.fill(0);
    }
}

int TBitmap::NearestSlow(TColor resolved) const {
    const int r = GetRValue(resolved), g = GetGValue(resolved), b = GetBValue(resolved);
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < paletteSize_; ++i) {
        const TColor c = palette_[static_cast<size_t>(i)];
        const int dr = GetRValue(c) - r, dg = GetGValue(c) - g, db = GetBValue(c) - b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
            if (distance == 0)
                break;
        }
    }
    if (nearest_) {
        const auto key = (static_cast<std::uint32_t>(resolved) & 0xFFFFFFu) | (1u << 24);
        const std::uint32_t slot = (key * 2654435761u) >> 20;
        nearest_->keys[slot] = key;
        nearest_->index[slot] = static_cast<std::uint8_t>(best);
    }
    return best;
}

void TBitmap::SetImage(QImage image) {
    switch (image.format()) {
    case QImage::Format_RGB888:
    case QImage::Format_RGB32:
    case QImage::Format_Indexed8:
        break;
    default:
        if (!image.isNull()) {
            image = image.convertToFormat(QImage::Format_RGB32);
            if (image.isNull())
                throw EOutOfResources();
        }
        break;
    }
    image_ = std::move(image);
    if (image_.isNull())
        SetDimensions(0, 0);
    CachePointers();
    Changed();
}

void TBitmap::Assign(const TBitmap& source) {
    if (&source == this)
        return;
    // Both sides drop their write pointers so that whichever writes first detaches.
    source.writable_ = false;
    source.writeKind_ = Kind::None;
    image_ = source.image_;
    SetDimensions(source.Width(), source.Height());
    CachePointers();
    Changed();
}

void TBitmap::SetWidth(int width) { Resize(std::max(width, 0), Height()); }
void TBitmap::SetHeight(int height) { Resize(Width(), std::max(height, 0)); }

void TBitmap::Resize(int width, int height) {
    if (width == Width() && height == Height())
        return;
    if (width == 0 || height == 0) {
        image_ = QImage();
        CachePointers();
        SetDimensions(width, height);
        Changed();
        return;
    }
    // A bitmap with pixels keeps its format and palette; an empty one takes the
    // display format.
    const QImage::Format format = image_.isNull() ? QImage::Format_RGB32 : image_.format();
    QImage resized = AllocateImage(width, height, format);
    if (resized.isNull())
        throw EOutOfResources();
    if (format == QImage::Format_Indexed8)
        resized.setColorTable(image_.colorTable());
    const TColor fill = FillColor();
    const QImage old = image_;
    image_ = std::move(resized);
    CachePointers();
    FillArea(0, 0, width, height, fill);
    if (!old.isNull()) {
        const int rows = std::min(height, old.height());
        const auto shared = static_cast<size_t>(std::min(width, old.width())) * static_cast<size_t>(old.depth() / 8);
        for (int y = 0; y < rows; ++y)
            std::memcpy(bits_ + y * stride_, old.constScanLine(y), shared);
    }
    Changed();
}

void TBitmap::FillArea(int x1, int y1, int x2, int y2, TColor resolved) {
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, Width());
    y2 = std::min(y2, Height());
    if (x1 >= x2 || y1 >= y2 || image_.isNull())
        return;
    if (!writable_)
        MakeWritable();
    const auto c = static_cast<std::uint32_t>(resolved);
    const uchar r = static_cast<uchar>(c), g = static_cast<uchar>(c >> 8), b = static_cast<uchar>(c >> 16);
    const std::uint32_t rgb32 = 0xFF000000u | (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
    const uchar index = kind_ == Kind::Indexed8 ? static_cast<uchar>(NearestPaletteIndex(resolved)) : 0;
    for (int y = y1; y < y2; ++y) {
        uchar* row = bits_ + y * stride_;
        switch (kind_) {
        case Kind::Rgb888:
            for (int x = x1; x < x2; ++x) {
                uchar* p = row + 3 * static_cast<qsizetype>(x);
                p[0] = r;
                p[1] = g;
                p[2] = b;
            }
            break;
        case Kind::Rgb32:
            std::fill(reinterpret_cast<std::uint32_t*>(row) + x1, reinterpret_cast<std::uint32_t*>(row) + x2, rgb32);
            break;
        case Kind::Indexed8:
            std::memset(row + x1, index, static_cast<size_t>(x2 - x1));
            break;
        case Kind::None:
            return;
        }
    }
}
