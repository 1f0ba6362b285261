#pragma once
#include "TBitmap.h"

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QList>
#include <QObject>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

// Bitmaps made from a colour per pixel, in each of the formats a photo can
// have. An 8-bit bitmap stores each colour as its nearest palette entry.
inline std::unique_ptr<TBitmap> MakeBitmap(TPixelFormat format, int width, int height,
                                           const std::function<TColor(int, int)>& colour,
                                           const QList<QRgb>& palette = {}) {
    QImage image(width, height,
                 format == TPixelFormat::pf24bit   ? QImage::Format_RGB888
                 : format == TPixelFormat::pf32bit ? QImage::Format_RGB32
                                                   : QImage::Format_Indexed8);
    if (format == TPixelFormat::pf8bit)
        image.setColorTable(palette);
    image.fill(0);
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetImage(image);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap->SetPixel(x, y, colour(x, y));
    return bitmap;
}

constexpr TPixelFormat kFormats[] = {TPixelFormat::pf24bit, TPixelFormat::pf32bit,
                                     TPixelFormat::pf8bit};

inline const char* FormatName(TPixelFormat format) {
    switch (format) {
    case TPixelFormat::pf24bit:
        return "24-bit";
    case TPixelFormat::pf32bit:
        return "32-bit";
    case TPixelFormat::pf8bit:
        return "8-bit";
    }
    return "?";
}

// 256 distinct colours, none of them grey, so that a turn that moved a
// pixel to the wrong place or changed its index shows.
inline QList<QRgb> ColourPalette() {
    QList<QRgb> palette;
    for (int i = 0; i < 256; ++i)
        palette.append(qRgb(i, (i * 7 + 3) % 256, 255 - (i * 13) % 256));
    return palette;
}

// The grey palette a grayscale photo decodes with: 236 levels evenly spaced.
inline QList<QRgb> GreyPalette() {
    QList<QRgb> palette;
    for (int i = 0; i < 236; ++i) {
        const int level = (i * 255 + 117) / 235;
        palette.append(qRgb(level, level, level));
    }
    return palette;
}

// Same size, format, palette and pixels (for 8-bit: the same indices).
inline ::testing::AssertionResult SamePixels(const TBitmap& actual, const TBitmap& expected) {
    if (actual.Width() != expected.Width() || actual.Height() != expected.Height())
        return ::testing::AssertionFailure()
               << "size " << actual.Width() << " x " << actual.Height() << ", expected "
               << expected.Width() << " x " << expected.Height();
    if (actual.PixelFormat() != expected.PixelFormat())
        return ::testing::AssertionFailure() << "format " << FormatName(actual.PixelFormat())
                                             << ", expected " << FormatName(expected.PixelFormat());
    const bool paletted = actual.PixelFormat() == TPixelFormat::pf8bit;
    if (paletted && actual.Image().colorTable() != expected.Image().colorTable())
        return ::testing::AssertionFailure() << "palette differs";
    for (int y = 0; y < actual.Height(); ++y)
        for (int x = 0; x < actual.Width(); ++x) {
            const TColor a = actual.GetPixel(x, y), e = expected.GetPixel(x, y);
            const bool sameIndex =
                !paletted || actual.Image().pixelIndex(x, y) == expected.Image().pixelIndex(x, y);
            if (a != e || !sameIndex)
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is 0x"
                                                     << std::hex << a << ", expected 0x" << e;
        }
    return ::testing::AssertionSuccess();
}

// Sees every round of message servicing: it keeps one event of its own
// posted, and each time that event is delivered it calls the probe.
class ServicingProbe : public QObject {
public:
    explicit ServicingProbe(std::function<void()> probe) : probe_(std::move(probe)) { Post(); }
    int Rounds() const { return rounds_; }

protected:
    bool event(QEvent* e) override {
        if (e->type() != kType)
            return QObject::event(e);
        ++rounds_;
        probe_();
        Post();
        return true;
    }

private:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 71);
    void Post() { QCoreApplication::postEvent(this, new QEvent(kType)); }
    std::function<void()> probe_;
    int rounds_ = 0;
};
