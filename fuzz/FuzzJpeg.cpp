// libFuzzer entry: any bytes as a JPEG file, decoded into a bitmap the way the
// opening road does it and through the grey 236-colour path.

#include "Exceptions.h"
#include "TBitmap.h"
#include "TJPEGImage.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Far below the fuzzer's memory limit, far above any file in the seeds but the
// decompression bombs, which must be refused by this cap and not by running out.
constexpr std::int64_t FuzzMaxPixels = 4'000'000;

// The coding parameters of one decoding of the input.
enum class Variant { Opening, Grey, EightBit, BestSpeed, HalfScale };

void Decode(const QByteArray& bytes, Variant variant) {
    TJPEGImage jpeg;
    jpeg.MaxPixels = FuzzMaxPixels;
    switch (variant) {
    case Variant::Opening:
        break;
    case Variant::Grey:
        jpeg.GrayscaleParam = true;
        break;
    case Variant::EightBit:
        jpeg.PixelFormat = TJPEGPixelFormat::jf8Bit;
        break;
    case Variant::BestSpeed:
        jpeg.Performance = TJPEGPerformance::jpBestSpeed;
        jpeg.PixelFormat = TJPEGPixelFormat::jf8Bit;
        break;
    case Variant::HalfScale:
        jpeg.Scale = 2;
        break;
    }
    TBitmap bitmap;
    try {
        jpeg.LoadFromBytes(bytes);
        jpeg.AssignTo(bitmap);
    } catch (const Exception&) {
        return; // refused data is an outcome, not a fault
    }
    // What a decoded photo promises the passes that read it afterwards.
    const QImage& image = bitmap.Image();
    if (image.isNull() || image.width() < 1 || image.height() < 1)
        std::abort();
    if (image.format() == QImage::Format_Indexed8) {
        const int colours = image.colorCount();
        if (colours < 1 || colours > 256)
            std::abort();
        for (int y = 0; y < image.height(); ++y) {
            const uchar* row = image.constScanLine(y);
            for (int x = 0; x < image.width(); ++x)
                if (row[x] >= colours)
                    std::abort();
        }
    }
    // Reading every corner goes through the bitmap's own pixel access.
    volatile TColor sink = bitmap.GetPixel(0, 0) ^ bitmap.GetPixel(image.width() - 1, image.height() - 1);
    (void)sink;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Decode(bytes, Variant::Opening);
    Decode(bytes, Variant::Grey);
    // One more set of parameters, chosen by the input so that a finding replays.
    static constexpr Variant extra[] = {Variant::EightBit, Variant::BestSpeed, Variant::HalfScale};
    Decode(bytes, extra[size % 3]);
    return 0;
}
