#include "TPhotoFile.h"

#include "DecodePeaks.h"
#include "Exceptions.h"
#include "ExifOrientation.h"
#include "FileBytes.h"
#include "JpegCodec.h"
#include "TBitmap.h"
#include "TColourTransform.h"
#include "THeifPicture.h"
#include "TJPEGImage.h"
#include "TQtPicture.h"
#include "TRowWorker.h"

#include <cstdio>

namespace {

// From this size on, colours are converted on a second thread.
constexpr std::int64_t kParallelPixels = 1 << 20;

// The JPEG picture's decoding hooks, set for one decoding and cleared
// whichever way it ends: they point into this decoding's colour transform.
class HooksOf {
public:
    explicit HooksOf(TJPEGImage& jpeg) : jpeg_(jpeg) {}
    ~HooksOf() {
        jpeg_.OnProgress = nullptr;
        jpeg_.OnRows = nullptr;
        jpeg_.OnCmykRow = nullptr;
    }
    HooksOf(const HooksOf&) = delete;
    HooksOf& operator=(const HooksOf&) = delete;

private:
    TJPEGImage& jpeg_;
};

TColourInput JpegColourInput(int components, bool adobeMarker) {
    if (components == 1)
        return TColourInput::Grey;
    if (components == 4)
        return adobeMarker ? TColourInput::InvertedCmyk : TColourInput::Cmyk;
    return TColourInput::Rgb;
}

// A palette picture converted through its palette: each pixel is its entry.
void ConvertPalette(TBitmap& bitmap, const TColourTransform& colour, TColourInput input) {
    QImage image = bitmap.Image();
    QList<QRgb> table = image.colorTable();
    for (QRgb& entry : table) {
        const std::uint8_t rgb[3] = {static_cast<std::uint8_t>(qRed(entry)),
                                     static_cast<std::uint8_t>(qGreen(entry)),
                                     static_cast<std::uint8_t>(qBlue(entry))};
        std::uint8_t out[3];
        colour.Convert(input == TColourInput::Grey ? rgb + 1 : rgb, out, 1);
        entry = qRgb(out[0], out[1], out[2]);
    }
    image.setColorTable(table);
    bitmap.SetImage(std::move(image));
}

} // namespace

TPhotoFile::TPhotoFile(TJPEGImage& jpeg) : jpeg_(jpeg) {}

TPhotoFile::~TPhotoFile() = default;

void TPhotoFile::LoadFromFile(const QString& fileName) {
    LoadFromBytes(ReadWholeFile(fileName));
}

void TPhotoFile::LoadFromBytes(QByteArray bytes) {
    heif_.reset();
    qt_.reset();
    metadata_ = {};
    format_ = SniffPhotoFormat(bytes);
    switch (format_) {
    case TPhotoFormat::Jpeg:
        jpeg_.LoadFromBytes(std::move(bytes));
        metadata_ = ReadJpegMetadata(jpeg_.Data());
        break;
    case TPhotoFormat::Heif:
        heif_ = std::make_unique<THeifPicture>(std::move(bytes));
        break;
    case TPhotoFormat::Png:
        qt_ = std::make_unique<TQtPicture>(std::move(bytes), "png");
        break;
    case TPhotoFormat::WebP:
        qt_ = std::make_unique<TQtPicture>(std::move(bytes), "webp");
        break;
    }
}

int TPhotoFile::Width() const {
    if (heif_)
        return heif_->CodedWidth();
    return qt_ ? qt_->Size().width() : jpeg_.Width();
}

int TPhotoFile::Height() const {
    if (heif_)
        return heif_->CodedHeight();
    return qt_ ? qt_->Size().height() : jpeg_.Height();
}

int TPhotoFile::StoredBytesPerPixel() const {
    return format_ == TPhotoFormat::Jpeg && jpeg_.Grayscale() ? 1 : 3;
}

double TPhotoFile::DecodeBytesPerPixel() const {
    if (heif_)
        return HeifDecodeBytesPerPixel(heif_->BitsPerChannel(), heif_->HasAlpha(), heif_->Av1(), heif_->Chroma());
    if (qt_)
        return QtDecodeBytesPerPixel(qt_->Metadata());
    return JpegDecodeBytesPerPixel(jpeg_.Grayscale(), jpeg_.ProgressiveEncoding);
}

void TPhotoFile::AssignTo(TBitmap& dest) {
    TBitmap decoded;
    if (format_ == TPhotoFormat::Jpeg)
        DecodeJpeg(decoded);
    else
        DecodeOther(decoded);
    dest.Assign(decoded);
}

void TPhotoFile::RefuseAbove(std::int64_t pixels) const {
    if (MaxPixels > 0 && pixels > MaxPixels)
        throw EJPEG(JpegImageTooBigCode());
}

void TPhotoFile::DecodeJpeg(TBitmap& decoded) {
    const HooksOf hooks(jpeg_);
    jpeg_.MaxPixels = MaxPixels;
    jpeg_.OnProgress = OnProgress;
    const int components = jpeg_.Components();
    const TColourInput input = JpegColourInput(components, metadata_.adobeMarker);
    const std::unique_ptr<TColourTransform> colour =
        components == 1 || components == 3 || components == 4
            ? TColourTransform::ToSrgb(metadata_.iccProfile, input)
            : nullptr;
    const TColourTransform* c = colour.get();
    bool rowsConverted = false;
    if (c && components == 4) {
        jpeg_.OnCmykRow = [c](const unsigned char* cmyk, unsigned char* rgb, int width) {
            c->Convert(cmyk, rgb, width);
        };
        rowsConverted = true;
    }
    // Colour rows are converted batch by batch as the decoder delivers them,
    // on the other core for a photo-sized picture, so that converting costs
    // little more time than decoding.
    struct Rows {
        uchar* bits = nullptr;
        qsizetype stride = 0;
        int width = 0;
    } rows;
    const auto convert = [c, &rows](int first, int count) {
        for (int y = first; y < first + count; ++y) {
            uchar* row = rows.bits + y * rows.stride;
            c->Convert(row, row, rows.width);
        }
    };
    std::unique_ptr<TRowWorker> worker;
    if (c && components == 3 && jpeg_.PixelFormat == TJPEGPixelFormat::jf24Bit &&
        !jpeg_.GrayscaleParam) {
        if (static_cast<std::int64_t>(jpeg_.Width()) * jpeg_.Height() >= kParallelPixels)
            worker = std::make_unique<TRowWorker>(convert);
        jpeg_.OnRows = [&rows, &worker, &convert](QImage& image, int first, int count) {
            if (!rows.bits) {
                rows.bits = image.bits();
                rows.stride = image.bytesPerLine();
                rows.width = image.width();
            }
            if (count == 0) {
                if (worker)
                    worker->Finish();
            } else if (worker) {
                worker->Hand(first, count);
            } else {
                convert(first, count);
            }
        };
        rowsConverted = true;
    }
    jpeg_.AssignTo(decoded);
    if (c && !rowsConverted && decoded.PixelFormat() == TPixelFormat::pf8bit)
        ConvertPalette(decoded, *c, input);
    const TOrientation orientation = ExifOrientation(metadata_.exif);
    if (orientation != TOrientation::Upright)
        OrientBitmap(decoded, orientation, OnProgress);
}

void TPhotoFile::DecodeOther(TBitmap& decoded) {
    QImage image;
    TOrientation orientation = TOrientation::Upright;
    if (heif_) {
        RefuseAbove(static_cast<std::int64_t>(heif_->CodedWidth()) * heif_->CodedHeight());
        image = heif_->Decode(OnProgress);
    } else {
        RefuseAbove(static_cast<std::int64_t>(Width()) * Height());
        image = qt_->Decode(OnProgress);
        orientation = qt_->Metadata().orientation;
    }
    decoded.SetImage(std::move(image));
    if (orientation != TOrientation::Upright)
        OrientBitmap(decoded, orientation, OnProgress);
}
