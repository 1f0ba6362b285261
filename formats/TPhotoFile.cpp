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
#include <optional>

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
        jpeg_.OnCmykRow = nullptr;
    }
    HooksOf(const HooksOf&) = delete;
    HooksOf& operator=(const HooksOf&) = delete;

private:
    TJPEGImage& jpeg_;
};

// Converts a decoding's colour rows batch by batch as the decoder delivers
// them, on the other core for a photo-sized picture, so that converting costs
// little more time than decoding.
class ColourRows final : public TJPEGRowSink {
public:
    ColourRows(QImage& image, const TColourTransform& colour)
        : bits_(image.bits()), stride_(image.bytesPerLine()), width_(image.width()), colour_(colour) {
        if (static_cast<std::int64_t>(image.width()) * image.height() >= kParallelPixels)
            worker_.emplace([this](int first, int count) { Convert(first, count); });
    }

    void Rows(int first, int count) noexcept override {
        if (worker_)
            worker_->Hand(first, count);
        else
            Convert(first, count);
    }

    void Finish() override {
        if (worker_)
            worker_->Finish();
    }

private:
    void Convert(int first, int count) const noexcept {
        for (int y = first; y < first + count; ++y) {
            uchar* row = bits_ + y * stride_;
            colour_.Convert(row, row, width_);
        }
    }

    uchar* const bits_;
    const qsizetype stride_;
    const int width_;
    const TColourTransform& colour_;
    std::optional<TRowWorker> worker_; // last: joined before the rest goes
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
    case TPhotoFormat::Gif:
    case TPhotoFormat::Bmp:
    case TPhotoFormat::Tiff:
        qt_ = std::make_unique<TQtPicture>(std::move(bytes), QtReaderFormat(format_));
        break;
    case TPhotoFormat::NotAPhoto:
        throw ENotAPhoto(FileKindName(bytes).toStdString());
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
    TJPEGRowSinkMaker colourRows;
    if (c && components == 3 && jpeg_.PixelFormat == TJPEGPixelFormat::jf24Bit &&
        !jpeg_.GrayscaleParam) {
        colourRows = [c](QImage& image) { return std::make_unique<ColourRows>(image, *c); };
        rowsConverted = true;
    }
    jpeg_.AssignTo(decoded, colourRows);
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
