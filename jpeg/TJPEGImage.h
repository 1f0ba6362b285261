#pragma once
#include "TBitmap.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

enum class TJPEGPerformance { jpBestQuality, jpBestSpeed };
enum class TJPEGPixelFormat { jf24Bit, jf8Bit };

// Takes the rows of one decoding as they come, to convert them while they are
// still in the cache, perhaps on another thread. The decoding makes it once
// its picture exists and destroys it before the picture can be let go,
// however decoding ends: Finish settles the work on success, the destructor
// on every other way out (an error, an exception), so no thread it started
// can write into freed pixels.
class TJPEGRowSink {
public:
    virtual ~TJPEGRowSink() = default;
    // Rows [first, first + count) are in the picture, top to bottom without
    // gaps, before the next batch is decoded. Runs inside the decoder's error
    // frame: must not throw.
    virtual void Rows(int first, int count) noexcept = 0;
    // Every row is decoded: returns once all of them are worked.
    virtual void Finish() = 0;
};
// Makes the sink of a decoding into `image`, whose size and format are final
// and whose rows are not yet written. The sink may work on the rows through
// image.bits(); a copy of the picture kept would not share them.
using TJPEGRowSinkMaker = std::function<std::unique_ptr<TJPEGRowSink>(QImage& image)>;

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
    // As above, the rows handed to a sink made by `makeSink` (when empty,
    // none) as they are decoded. A picture decoded before is handed as it is,
    // with no sink made.
    void AssignTo(TBitmap& dest, const TJPEGRowSinkMaker& makeSink);

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
    void Decode(const TJPEGRowSinkMaker* makeSink);
    QByteArray Encode() const;

    QByteArray data_;
    std::unique_ptr<TBitmap> bitmap_; // decoded or assigned
    int width_ = 0;
    int height_ = 0;
    int components_ = 0;
    bool headerRead_ = false;
};
