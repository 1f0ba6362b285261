#include "TJPEGImage.h"

#include "Exceptions.h"
#include "FileBytes.h"
#include "FileReplace.h"
#include "ImageAllocation.h"
#include "JpegCodec.h"

#include <QSysInfo>
#include <cstdio>
#include <cstdlib>
#include <jerror.h>
#include <jpeglib.h>
#include <vector>

TJPEGDefaults JPEGDefaults;

namespace {

const unsigned char* Bytes(const QByteArray& data) {
    return reinterpret_cast<const unsigned char*>(data.constData());
}

} // namespace

TJPEGImage::TJPEGImage()
    : CompressionQuality(JPEGDefaults.CompressionQuality), GrayscaleParam(JPEGDefaults.Grayscale),
      Performance(JPEGDefaults.Performance), PixelFormat(JPEGDefaults.PixelFormat),
      ProgressiveDisplay(JPEGDefaults.ProgressiveDisplay), ProgressiveEncoding(JPEGDefaults.ProgressiveEncoding),
      Scale(JPEGDefaults.Scale), Smoothing(JPEGDefaults.Smoothing) {}

TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::LoadFromFile(const QString& fileName) { LoadFromBytes(ReadWholeFile(fileName)); }

void TJPEGImage::LoadFromBytes(QByteArray bytes) {
    JpegHeaderInfo header;
    if (!bytes.isEmpty()) {
        const int code = JpegReadHeader(Bytes(bytes), static_cast<size_t>(bytes.size()), {}, &header);
        if (code != 0)
            throw EJPEG(code);
    }
    data_ = std::move(bytes);
    bitmap_.reset();
    width_ = header.width;
    height_ = header.height;
    components_ = header.components;
    headerRead_ = !data_.isEmpty();
    if (headerRead_)
        ProgressiveEncoding = header.multipleScans;
}

void TJPEGImage::Assign(const TBitmap& bitmap) {
    data_.clear();
    headerRead_ = false;
    width_ = height_ = components_ = 0;
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(bitmap);
    bitmap_ = std::move(copy);
}

void TJPEGImage::AssignTo(TBitmap& dest) { AssignTo(dest, TJPEGRowSinkMaker()); }

void TJPEGImage::AssignTo(TBitmap& dest, const TJPEGRowSinkMaker& makeSink) {
    if (!bitmap_)
        Decode(makeSink ? &makeSink : nullptr);
    dest.Assign(*bitmap_);
}

bool TJPEGImage::Empty() const { return data_.isEmpty() && (!bitmap_ || bitmap_->Empty()); }

int TJPEGImage::Width() const { return headerRead_ || !bitmap_ ? width_ : bitmap_->Width(); }
int TJPEGImage::Height() const { return headerRead_ || !bitmap_ ? height_ : bitmap_->Height(); }
bool TJPEGImage::Grayscale() const { return headerRead_ ? components_ == 1 : GrayscaleParam; }
int TJPEGImage::Components() const { return components_; }
const QByteArray& TJPEGImage::Data() const { return data_; }

void TJPEGImage::Decode(const TJPEGRowSinkMaker* makeSink) {
    JpegDecodeSettings settings;
    settings.smoothing = Smoothing;
    settings.scaleDenom = Scale == 2 || Scale == 4 || Scale == 8 ? Scale : 1;
    if (Performance == TJPEGPerformance::jpBestSpeed) {
        settings.fastDct = true;
        settings.orderedDither = true;
    }
    // The output follows the file's components; the header read again here is
    // cheap and sizes the bitmap before any row is decoded.
    JpegHeaderInfo header;
    int code = JpegReadHeader(Bytes(data_), static_cast<size_t>(data_.size()), settings, &header);
    if (code != 0)
        throw EJPEG(code);
    if (header.components == 4) {
        settings.output = JpegOutput::Cmyk;
    } else if (header.components == 1 || GrayscaleParam) {
        settings.output = JpegOutput::Gray;
        settings.quantize = true;
    } else if (PixelFormat == TJPEGPixelFormat::jf8Bit) {
        settings.quantize = true;
        settings.twoPass = Performance != TJPEGPerformance::jpBestSpeed;
    }
    code = JpegReadHeader(Bytes(data_), static_cast<size_t>(data_.size()), settings, &header);
    if (code != 0)
        throw EJPEG(code);
    if (MaxPixels > 0 && static_cast<std::int64_t>(header.width) * header.height > MaxPixels)
        throw EJPEG(JERR_IMAGE_TOO_BIG);

    QImage image = AllocateImage(header.outputWidth, header.outputHeight,
                                 settings.quantize ? QImage::Format_Indexed8 : QImage::Format_RGB888);
    if (image.isNull())
        throw EOutOfResources();
    std::vector<unsigned char> cmykRow;
    if (settings.output == JpegOutput::Cmyk)
        cmykRow.resize(static_cast<size_t>(header.outputWidth) * 4);
    auto target = std::make_unique<JpegDecodeTarget>();
    target->width = header.outputWidth;
    target->height = header.outputHeight;
    target->bits = image.bits();
    target->stride = image.bytesPerLine();
    target->cmykRow = cmykRow.empty() ? nullptr : cmykRow.data();
    TPagesAhead pages(image);
    // Made after the picture, so destroyed before it on every way out of here:
    // a thread the sink runs is joined before the pixels can be freed.
    const std::unique_ptr<TJPEGRowSink> sink = makeSink ? (*makeSink)(image) : nullptr;
    struct RowsContext {
        TJPEGImage* self;
        QImage* image;
        TPagesAhead* pages;
        TJPEGRowSink* sink;
    } context{this, &image, &pages, sink.get()};
    if (OnCmykRow)
        target->cmykToRgb = [](void* p, const unsigned char* cmyk, unsigned char* rgb, int width) noexcept {
            static_cast<RowsContext*>(p)->self->OnCmykRow(cmyk, rgb, width);
        };
    target->context = &context;
    target->rowsDecoded = [](void* p, int first, int count) noexcept {
        auto* c = static_cast<RowsContext*>(p);
        c->pages->Written(static_cast<std::size_t>(first + count) *
                          static_cast<std::size_t>(c->image->bytesPerLine()));
        if (c->sink)
            c->sink->Rows(first, count);
        if (c->self->OnProgress)
            c->self->OnProgress(first + count, c->image->height());
    };
    if (OnProgress)
        OnProgress(0, header.outputHeight);
    code = JpegDecode(Bytes(data_), static_cast<size_t>(data_.size()), settings, target.get());
    if (code != 0)
        throw EJPEG(code);
    if (sink)
        sink->Finish();
    if (settings.quantize) {
        QList<QRgb> table;
        for (int i = 0; i < target->colorCount; ++i)
            table.append(qRgb(target->colorMap[i][0], target->colorMap[i][1], target->colorMap[i][2]));
        image.setColorTable(table);
    }
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetImage(std::move(image));
    bitmap_ = std::move(bitmap);
}

QByteArray TJPEGImage::Encode() const {
    if (!bitmap_ || bitmap_->Empty())
        return {};
    // The encoder takes 24-bit RGB; display-format rows it reads as they are,
    // which gives the same bytes as a converted copy.
    const QImage& pixels = bitmap_->Image();
    const bool direct = pixels.format() == QImage::Format_RGB32;
    const QImage rgb = direct ? pixels : pixels.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull())
        throw EOutOfResources();
    JpegEncodeSource source;
    if (direct)
        source.layout = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? JpegInput::Bgrx : JpegInput::Xrgb;
    source.rgb = rgb.constBits();
    source.stride = rgb.bytesPerLine();
    source.width = rgb.width();
    source.height = rgb.height();
    source.quality = CompressionQuality;
    source.grayscale = GrayscaleParam;
    source.progressive = ProgressiveEncoding;
    unsigned char* out = nullptr;
    size_t size = 0;
    const int code = JpegEncode(source, &out, &size);
    if (code != 0)
        throw EJPEG(code);
    QByteArray bytes(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
    std::free(out);
    if (static_cast<size_t>(bytes.size()) != size)
        throw EOutOfResources();
    return bytes;
}

void TJPEGImage::SaveToFile(const QString& fileName) {
    ReplaceFileContent(fileName, [this] { return data_.isEmpty() ? Encode() : data_; });
}
