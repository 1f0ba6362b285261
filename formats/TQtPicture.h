#pragma once
#include "EmbeddedMetadata.h"

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
    // The profile, orientation and header facts the file holds beside its
    // pixels (PNG, WebP and TIFF files; nothing for others).
    const TEmbeddedMetadata& Metadata() const { return metadata_; }

    // 24-bit RGB in sRGB, rows as stored (the orientation is the caller's):
    // the reader's pixels, 16-bit channels reduced to 8, through the colour
    // stage (ColourStage: the embedded profile converted, grey as grey, then
    // transparency laid over white). EInvalidGraphic when decoding fails.
    QImage Decode(const std::function<void(int done, int rows)>& progress);

private:
    QByteArray bytes_;
    QBuffer buffer_;
    QImageReader reader_;
    QSize size_;
    TEmbeddedMetadata metadata_;
};
