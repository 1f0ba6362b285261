#pragma once
#include "TempDir.h"

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
