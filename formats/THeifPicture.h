#pragma once
#include <QByteArray>
#include <QImage>
#include <functional>

struct heif_context;
struct heif_image_handle;

// The primary image of a HEIF/HEIC file, read with libheif. Its own
// transformations (rotation, mirroring, cropping) are applied by libheif when
// it decodes; an Exif orientation beside them is not applied again.
class THeifPicture {
public:
    // Reads the file's structure (no pixels); EInvalidGraphic when libheif
    // cannot read it or it has no primary image. The bytes are kept.
    explicit THeifPicture(QByteArray bytes);
    ~THeifPicture();
    THeifPicture(const THeifPicture&) = delete;
    THeifPicture& operator=(const THeifPicture&) = delete;

    // As coded, before the transformations: the pixels the decoder makes.
    int CodedWidth() const;
    int CodedHeight() const;
    // The embedded ICC profile, empty when there is none.
    QByteArray IccProfile() const;

    // 24-bit RGB, transparency over white, more than 8 bits reduced to 8.
    // Told (0, rows) before decoding and (rows, rows) once the pixels are in
    // place. EInvalidGraphic when the decoder fails.
    QImage Decode(const std::function<void(int done, int rows)>& progress) const;

private:
    QByteArray bytes_;
    heif_context* context_ = nullptr;
    heif_image_handle* handle_ = nullptr;
};
