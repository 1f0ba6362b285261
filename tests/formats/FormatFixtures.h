#pragma once
// The fixtures every photo-file test makes its files with.
#include "IccProfiles.h"
#include "JpegFixtures.h"
#include "JpegSegments.h"
#include "TempDir.h"
#include "TestFileBytes.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// What the tests of photo files compare against: the pixels the photo
// service opens, and the reference tools that say what they should be. The
// files themselves are made with the fixtures (JpegSegments.h, IccProfiles.h).

// The picture decoded by the photo service as 24-bit RGB (a palette picture
// through its palette); `format` gets the bitmap's pixel format when given.
QImage OpenedPixels(const QByteArray& bytes, QImage::Format* format = nullptr);

// djpeg's pixels of a JPEG: colour as RGB, grey through its 236-colour
// quantiser with Floyd-Steinberg dithering, as the program decodes them.
QImage DjpegPixels(const TempDir& dir, const QByteArray& jpeg, bool grey = false);

// An independent Little CMS run (python3-pil's ImageCms: perceptual, black
// point compensation) converting `source` (a file Pillow reads: PPM, PGM, a
// JPEG) from `icc` to sRGB. Null when python3-pil is not there.
QImage PillowToSrgb(const TempDir& dir, const QString& source, const QByteArray& icc);
QString PillowPython(); // the interpreter that has Pillow, or empty

// Largest difference of any channel of any pixel; INT_MAX for another size.
int MaxDifference(const QImage& a, const QImage& b);

// `image` turned and mirrored as Exif orientation `value` asks, pixel by
// pixel from the tag's definition (where stored row 0 and column 0 show).
QImage Upright(const QImage& image, int value);

// ---- PNG, WebP and TIFF files with metadata beside their pixels

// Encoded by Qt's writer for `format` ("png", "webp"; quality 100 is
// lossless WebP).
QByteArray QtEncoded(const QImage& image, const char* format, int quality = -1);
// The Exif payload as PNG's eXIf and WebP's EXIF chunks hold it: from its
// TIFF header on, without "Exif\0\0".
QByteArray TiffHeaded(const QByteArray& exifPayload);
// The PNG with an iCCP chunk (the profile deflated) and an eXIf chunk right
// after its header, each only when given; `exifAfterData` puts the eXIf chunk
// after the image data instead, as some tools do.
QByteArray PngWithChunks(const QByteArray& png, const QByteArray& icc, const QByteArray& exif,
                         bool exifAfterData = false);
// A simple WebP (VP8 or VP8L) made extended, with an ICCP chunk before the
// image and an EXIF chunk after it, each only when given.
QByteArray WebpWithChunks(const QByteArray& webp, const QByteArray& icc, const QByteArray& exif);
// An uncompressed single-strip TIFF of an RGB888, Grayscale8 or RGBA8888
// (unassociated alpha) picture, with an ICC profile tag and an Orientation
// tag when given (0: none).
QByteArray TiffOf(const QImage& image, const QByteArray& icc = {}, int orientation = 0,
                  bool bigEndian = false);

// `rgb` laid over white with the alpha of `alphaOf` (same size; straight,
// 8 bits), rounded as c * a / 255 + 255 * (255 - a) / 255.
QImage OverWhiteWith(const QImage& rgb, const QImage& alphaOf);
// The picture's own pixels laid over white at their full precision, rounded
// to 8 bits a channel.
QImage OverWhite(const QImage& image);
// The test pattern with transparency growing across and down (straight).
QImage TranslucentPattern(int width, int height);

// ---- HEIF and AVIF files made with libheif's own tools (libheif-examples)

// `png` (a PNG file's bytes, its iCCP profile carried over) coded by heif-enc
// with `options` into `name` (.heic or .avif); empty, with the reason in
// *why, when heif-enc is missing or cannot encode.
QByteArray HeifEncoded(const TempDir& dir, const QByteArray& png, const QStringList& options,
                       const QString& name, QString* why);
// Lossless RGB coding, so the decoder gives back the pixels it was given.
QStringList LosslessRgb();
// The file with the code points of its nclx colour box (which heif-enc 1.15
// writes as unspecified whatever it is asked) set to these; the bytes
// unchanged when it has no such box.
QByteArray WithCodePoints(const QByteArray& heif, int primaries, int transfer);
// heif-convert's decoding of the file as stored, colour as coded and alpha as
// stored (RGBA8888, or RGB888 when opaque); null when it is missing.
QImage HeifConverted(const TempDir& dir, const QByteArray& heif);

// `coded` (RGB) converted to sRGB as H.273 defines the code points
// `primaries` and `transfer`, PQ and HLG shown as NclxProfile.h documents,
// computed from the published formulas in Python. Null when python3 is not
// there.
QImage NclxReference(const TempDir& dir, const QImage& coded, int primaries, int transfer);
