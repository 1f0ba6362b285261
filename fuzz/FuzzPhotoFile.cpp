// libFuzzer entry: any bytes as a photo file, opened the way the program opens
// one (told apart by its bytes; JPEG with its Exif orientation and ICC
// profile, HEIF through libheif, PNG and WebP through Qt's readers; colour
// rows on the second thread), into a bitmap. JPEG files are also opened with
// one of the other coding parameters the JPEG picture has: through the grey
// 236-colour path, 8-bit two-pass, best speed or half scale.

#include "Exceptions.h"
#include "PhotoFormat.h"
#include "TBitmap.h"
#include "TJPEGImage.h"
#include "TPhotoFile.h"

#include <QByteArray>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Far below the fuzzer's memory limit, far above any file in the seeds but the
// decompression bombs, which must be refused by this cap and not by running out.
constexpr std::int64_t FuzzMaxPixels = 4'000'000;

// The coding parameters of the JPEG picture behind one opening.
enum class Variant { Opening, Grey, EightBit, BestSpeed, HalfScale };

void SetUp(TJPEGImage& jpeg, Variant variant) {
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
}

// What an opened photo promises the passes that read it afterwards.
void Check(const TBitmap& bitmap, QSize stored, bool fullSize) {
    const QImage& image = bitmap.Image();
    if (image.isNull() || image.width() < 1 || image.height() < 1)
        std::abort();
    // Never more pixels than the header said: the memory guard and the pixel
    // cap judged that size.
    if (static_cast<std::int64_t>(image.width()) * image.height() >
        static_cast<std::int64_t>(stored.width()) * stored.height())
        std::abort();
    // Upright: the stored size, or turned a quarter by the orientation.
    if (fullSize && image.size() != stored && image.size() != stored.transposed())
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
    } else if (image.format() != QImage::Format_RGB888) {
        std::abort();
    }
    // Reading every corner goes through the bitmap's own pixel access.
    volatile TColor sink = bitmap.GetPixel(0, 0) ^ bitmap.GetPixel(image.width() - 1, image.height() - 1);
    (void)sink;
}

void Open(const QByteArray& bytes, Variant variant) {
    TJPEGImage jpeg;
    SetUp(jpeg, variant);
    TPhotoFile file(jpeg);
    file.MaxPixels = FuzzMaxPixels;
    TBitmap bitmap;
    QSize stored;
    try {
        file.LoadFromBytes(bytes);
        stored = QSize(file.Width(), file.Height());
        // What the memory guard asks before decoding.
        if (file.StoredBytesPerPixel() < 1 || file.DecodeBytesPerPixel() < file.StoredBytesPerPixel())
            std::abort();
        file.AssignTo(bitmap);
    } catch (const Exception&) {
        return; // refused data is an outcome, not a fault
    }
    // HEIF's own transformations may crop the picture its header sizes.
    const bool fullSize = variant != Variant::HalfScale && file.Format() != TPhotoFormat::Heif;
    Check(bitmap, stored, fullSize);
}

void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Qt's readers warn about every damaged chunk; the fuzzer's log is for findings.
    qInstallMessageHandler(Quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Open(bytes, Variant::Opening);
    // The other readers take no coding parameters.
    if (SniffPhotoFormat(bytes) != TPhotoFormat::Jpeg)
        return 0;
    // One more set of parameters, chosen by the input so that a finding
    // replays; one, not all, since a profile's transform alone may take a
    // tenth of a second to build.
    static constexpr Variant extra[] = {Variant::Grey, Variant::EightBit, Variant::BestSpeed, Variant::HalfScale};
    Open(bytes, extra[size % 4]);
    return 0;
}
