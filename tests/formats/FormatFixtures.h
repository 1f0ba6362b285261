#pragma once
#include "TempDir.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// Photo files as cameras and phones write them, made by the tests: Exif and
// ICC segments written into small JPEGs, profiles made with Little CMS, and
// the reference tools that say what the pixels should be.

// An APP1 Exif payload whose first directory holds one Orientation entry.
// `type` 3 is SHORT (the valid form); others test a damaged tag.
QByteArray ExifOrientationPayload(int value, bool bigEndian = false, int type = 3);
// The payload cut after `keep` bytes.
QByteArray Cut(const QByteArray& bytes, int keep);

// The JPEG with an APPn segment right after its start-of-image marker.
QByteArray WithSegment(const QByteArray& jpeg, int appN, const QByteArray& payload);
QByteArray WithExif(const QByteArray& jpeg, const QByteArray& exifPayload);
// The profile as ICC_PROFILE APP2 chunks of at most chunkBytes each.
QByteArray WithIcc(const QByteArray& jpeg, const QByteArray& icc, int chunkBytes = 60000);

// Profiles, serialised by Little CMS.
QByteArray AdobeRgbProfile();      // matrix-shaper: Adobe RGB (1998) primaries, gamma 2.2
QByteArray LutRgbProfile();        // the same colours as a 17-point Lab table (AToB0)
QByteArray GreyProfile();          // grey, gamma 1.8
QByteArray CmykProfile();          // a 9-point CMYK-to-Lab table
QByteArray SrgbProfile();          // Little CMS's own sRGB

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
