#include "TQtPicture.h"

#include "ColourStage.h"
#include "Exceptions.h"

#include <QColorSpace>
#include <cstdint>

namespace {

// Four 32-bit float channels, the most any of Qt's readers gives a pixel.
constexpr std::int64_t kWidestBytesPerPixel = 16;

} // namespace

TQtPicture::TQtPicture(QByteArray bytes, const char* format) : bytes_(std::move(bytes)), buffer_(&bytes_) {
    buffer_.open(QIODevice::ReadOnly);
    reader_.setDevice(&buffer_);
    reader_.setFormat(format);
    reader_.setAutoTransform(false);
    size_ = reader_.size();
    if (!reader_.canRead() || !size_.isValid() || size_.isEmpty())
        throw EInvalidGraphic();
    metadata_ = ReadEmbeddedMetadata(bytes_);
}

QImage TQtPicture::Decode(const std::function<void(int done, int rows)>& progress) {
    if (progress)
        progress(0, size_.height());
    // The size was checked against the memory free before this, so Qt's own
    // cap (a quarter gigabyte) would refuse large photos the program can hold.
    // A reader may still make a larger picture than the header said (a GIF's
    // screen beyond its frame): the cap becomes what the judged size needs in
    // the widest format a reader gives, and anything larger is refused.
    const int cap = QImageReader::allocationLimit();
    const std::int64_t judged = std::int64_t{size_.width()} * size_.height();
    QImageReader::setAllocationLimit(static_cast<int>((judged * kWidestBytesPerPixel >> 20) + 1));
    QImage image = reader_.read();
    QImageReader::setAllocationLimit(cap);
    if (image.isNull() || std::int64_t{image.width()} * image.height() > judged)
        throw EInvalidGraphic();
    // The file's own profile bytes, which Little CMS reads whatever their
    // kind; PNG gamma and chromaticities as Qt's reader understood them.
    QByteArray profile = metadata_.iccProfile;
    bool grey = metadata_.grey;
    if (profile.isEmpty() && metadata_.gammaTagged) {
        const QColorSpace space = image.colorSpace();
        if (space.isValid() && space != QColorSpace(QColorSpace::SRgb))
            profile = space.iccProfile();
        grey = false;
    }
    QImage result = SrgbOverWhite(std::move(image), profile, grey, progress);
    // The picture carries its own colour space no further: pixels are sRGB now.
    result.setColorSpace(QColorSpace());
    if (progress)
        progress(result.height(), result.height());
    return result;
}
