#pragma once
#include "HeifChroma.h"

#include <QByteArray>
#include <QImage>
#include <functional>

struct heif_context;
struct heif_image_handle;

// The primary image of a HEIF/HEIC or AVIF file, read with libheif. Its own
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
    // Bits of each coded sample (8, 10, 12), whether it has a transparency
    // plane.
    int BitsPerChannel() const;
    bool HasAlpha() const;
    // Whether it is coded with AV1 (AVIF), else with HEVC; how its colour
    // planes are sampled.
    bool Av1() const;
    THeifChroma Chroma() const { return HeifChroma(bytes_); }
    // Whether its ICC profile is a grey one. Its pixels are then grey levels
    // however they are coded (encoders code grey as colour too), and are
    // converted as grey.
    bool Grey() const;
    // The colour the pixels are in: the embedded ICC profile, else a profile
    // made from the nclx colour box's code points; empty for sRGB or none.
    QByteArray ColourProfile() const;

    // 24-bit RGB in sRGB: decoded, more than 8 bits reduced to 8, through the
    // colour stage (ColourStage: the profile converted, transparency laid
    // over white as the file's alpha is, straight or premultiplied). Told
    // (0, rows) before decoding, rows as they are converted, and (rows, rows)
    // at the end. EInvalidGraphic when the decoder fails.
    QImage Decode(const std::function<void(int done, int rows)>& progress) const;

private:
    QByteArray IccProfile() const;

    QByteArray bytes_;
    heif_context* context_ = nullptr;
    heif_image_handle* handle_ = nullptr;
};
