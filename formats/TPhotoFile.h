#pragma once
#include "JpegMetadata.h"
#include "PhotoFormat.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class TBitmap;
class TJPEGImage;
class THeifPicture;
class TQtPicture;

// A photo file as its owner sees it: JPEG, HEIF/HEIC/AVIF, PNG, WebP, GIF, BMP
// or TIFF, told apart by its bytes, decoded upright (Exif orientation of JPEG,
// PNG, WebP and TIFF files, HEIF's own transformations) and in sRGB (embedded
// ICC profiles and HEIF's nclx code points converted with Little CMS). Files
// without orientation and profile, or with an sRGB profile, give exactly the
// pixels their decoder gives (for JPEG, the JPEG picture).
class TPhotoFile {
public:
    // JPEG files are loaded into and decoded by `jpeg`, which stays the
    // caller's.
    explicit TPhotoFile(TJPEGImage& jpeg);
    ~TPhotoFile();
    TPhotoFile(const TPhotoFile&) = delete;
    TPhotoFile& operator=(const TPhotoFile&) = delete;

    // The whole file read and its header read; nothing decoded. Fails as JPEG
    // loading does (a file that cannot be read, a header that is not JPEG);
    // EInvalidGraphic for a file of another format whose reader refuses it;
    // ENotAPhoto, naming what it is, for a file of no photo type at all. An
    // empty file loads (as JPEG) without error.
    void LoadFromFile(const QString& fileName);
    void LoadFromBytes(QByteArray bytes);

    TPhotoFormat Format() const { return format_; }
    // The picture's size as stored (before any turn), from its header.
    int Width() const;
    int Height() const;
    // Bytes a pixel of the decoded photo takes (1 for a grey JPEG's palette
    // picture, else 3), and at the peak of decoding it: the decoder's own
    // buffers beside the result, as measured for this kind of file
    // (DecodePeaks).
    int StoredBytesPerPixel() const;
    double DecodeBytesPerPixel() const;

    // Decodes at full size, stands the photo upright and converts it to sRGB,
    // then dest takes size, format, palette and pixels. Any failure happens
    // before dest is touched. JPEG files decode as the JPEG picture does
    // (grey ones into 8 bits with a palette); the others into 24-bit RGB.
    void AssignTo(TBitmap& dest);

    // Decoding refuses a picture of more pixels than this, whatever its
    // format, as the JPEG picture does (EJPEG with JERR_IMAGE_TOO_BIG); 0
    // means no limit.
    std::int64_t MaxPixels = 0;

    // Told while decoding and converting: (0, rows) first, then rows done.
    // Must not throw.
    std::function<void(int done, int rows)> OnProgress;

private:
    void DecodeJpeg(TBitmap& decoded);
    void DecodeOther(TBitmap& decoded);
    void RefuseAbove(std::int64_t pixels) const;

    TJPEGImage& jpeg_;
    TPhotoFormat format_ = TPhotoFormat::Jpeg;
    JpegMetadata metadata_;
    std::unique_ptr<THeifPicture> heif_;
    std::unique_ptr<TQtPicture> qt_;
};
