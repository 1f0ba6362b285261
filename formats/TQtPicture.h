#pragma once
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QSize>
#include <functional>

// A PNG, WebP, GIF, BMP or TIFF file read with Qt's image readers (WebP, GIF
// and TIFF through Qt's image format plugins); of an animation, the first
// frame.
class TQtPicture {
public:
    // Reads the header; EInvalidGraphic when the reader for `format` ("png",
    // "tiff"...) does not take the bytes. The bytes are kept.
    TQtPicture(QByteArray bytes, const char* format);

    QSize Size() const { return size_; }

    // 24-bit RGB: transparency over white, 16-bit channels reduced to 8, grey
    // as grey RGB. The embedded ICC profile, if any, goes to *iccProfile.
    // EInvalidGraphic when decoding fails.
    QImage Decode(const std::function<void(int done, int rows)>& progress, QByteArray* iccProfile);

private:
    QByteArray bytes_;
    QBuffer buffer_;
    QImageReader reader_;
    QSize size_;
};
