#pragma once
#include "TBitmap.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

enum class TJPEGPerformance { jpBestQuality, jpBestSpeed };
enum class TJPEGPixelFormat { jf24Bit, jf8Bit };

// The coding parameters every JPEG picture copies at creation.
struct TJPEGDefaults {
    int CompressionQuality = 90;
    bool Grayscale = false;
    TJPEGPerformance Performance = TJPEGPerformance::jpBestQuality;
    TJPEGPixelFormat PixelFormat = TJPEGPixelFormat::jf24Bit;
    bool ProgressiveDisplay = false;
    bool ProgressiveEncoding = false;
    int Scale = 1;
    bool Smoothing = true;
};
extern TJPEGDefaults JPEGDefaults;

// The complete bytes of one JPEG file, its header values and a decoded bitmap
// made on first demand. Errors raise EJPEG with the library's message code.
class TJPEGImage {
public:
    TJPEGImage();
    ~TJPEGImage();
    TJPEGImage(const TJPEGImage&) = delete;
    TJPEGImage& operator=(const TJPEGImage&) = delete;

    // Whole file into memory and the header parsed; nothing decoded. An empty
    // file loads without error.
    void LoadFromFile(const QString& fileName);
    void LoadFromBytes(QByteArray bytes);

    // Encodes if no coded data is held (a loaded picture writes its own bytes).
    // The file is replaced only once the whole picture is written; a failure
    // leaves any earlier file as it was.
    void SaveToFile(const QString& fileName);

    // Bitmap-to-JPEG: drops held data and takes a (shared) copy of the bitmap.
    void Assign(const TBitmap& bitmap);
    // JPEG-to-bitmap: decodes once, then dest takes the decoded pixels (shared).
    void AssignTo(TBitmap& dest);

    bool Empty() const;
    int Width() const;
    int Height() const;
    bool Grayscale() const;
    int Components() const;
    const QByteArray& Data() const;

    // Decoding refuses (EJPEG with JERR_IMAGE_TOO_BIG) a picture of more pixels
    // than this; 0 means no limit.
    std::int64_t MaxPixels = 0;

    // Told while decoding: (0, rows) first, then the rows done after each
    // batch, last (rows, rows). Must not throw.
    std::function<void(int done, int rows)> OnProgress;
    // Told after each batch of decoded rows [first, first + count) is in the
    // bitmap's rows, before the next batch; must not throw. For converting
    // rows while they are still in the cache. Decoding ends, whether it
    // succeeded or not, with a call for no rows (first = rows, count = 0)
    // while the pixels still exist: work handed elsewhere settles there.
    std::function<void(QImage& image, int first, int count)> OnRows;
    // When set, turns each four-component row (4 bytes a pixel, as the file
    // holds them) into `width` RGB pixels instead of the plain conversion;
    // must not throw. For files that carry a CMYK colour profile.
    std::function<void(const unsigned char* cmyk, unsigned char* rgb, int width)> OnCmykRow;

    int CompressionQuality;
    bool GrayscaleParam;
    TJPEGPerformance Performance;
    TJPEGPixelFormat PixelFormat;
    bool ProgressiveDisplay;
    bool ProgressiveEncoding;
    int Scale;
    bool Smoothing;

private:
    void Decode();
    QByteArray Encode() const;

    QByteArray data_;
    std::unique_ptr<TBitmap> bitmap_; // decoded or assigned
    int width_ = 0;
    int height_ = 0;
    int components_ = 0;
    bool headerRead_ = false;
};
