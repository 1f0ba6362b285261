#include "TQtPicture.h"

#include "AlphaOverWhite.h"
#include "Exceptions.h"
#include "ImageAllocation.h"

#include <QColorSpace>

TQtPicture::TQtPicture(QByteArray bytes, const char* format) : bytes_(std::move(bytes)), buffer_(&bytes_) {
    buffer_.open(QIODevice::ReadOnly);
    reader_.setDevice(&buffer_);
    reader_.setFormat(format);
    reader_.setAutoTransform(false);
    size_ = reader_.size();
    if (!reader_.canRead() || !size_.isValid() || size_.isEmpty())
        throw EInvalidGraphic();
}

QImage TQtPicture::Decode(const std::function<void(int done, int rows)>& progress, QByteArray* iccProfile) {
    if (progress)
        progress(0, size_.height());
    // The size was checked against the memory free before this; Qt's own cap
    // (a quarter gigabyte) would refuse large photos the program can hold.
    const int cap = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(0);
    QImage image = reader_.read();
    QImageReader::setAllocationLimit(cap);
    if (image.isNull())
        throw EInvalidGraphic();
    if (iccProfile) {
        const QColorSpace space = image.colorSpace();
        *iccProfile = space.isValid() && space != QColorSpace(QColorSpace::SRgb) ? space.iccProfile() : QByteArray();
    }
    QImage result;
    if (!image.hasAlphaChannel()) {
        result = image.convertToFormat(QImage::Format_RGB888);
    } else {
        const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
        image = QImage();
        if (!rgba.isNull())
            result = AllocateImage(rgba.width(), rgba.height(), QImage::Format_RGB888);
        if (!result.isNull())
            for (int y = 0; y < rgba.height(); ++y)
                RgbaOverWhite(rgba.constScanLine(y), result.scanLine(y), rgba.width());
    }
    if (result.isNull())
        throw EOutOfResources();
    // The picture carries its own colour space no further: pixels are sRGB now.
    result.setColorSpace(QColorSpace());
    if (progress)
        progress(result.height(), result.height());
    return result;
}
