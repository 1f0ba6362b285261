#pragma once
#include <QByteArray>

// The photo formats the program opens. Anything else is read as JPEG, as it
// always was, and fails there if it is not one.
enum class TPhotoFormat { Jpeg, Heif, Png, WebP, Gif, Bmp, Tiff };

// Told from the file's first bytes, whatever its name.
TPhotoFormat SniffPhotoFormat(const QByteArray& bytes);

// The name of Qt's reader of a format Qt reads ("png", "tiff"...); null for
// JPEG and HEIF.
const char* QtReaderFormat(TPhotoFormat format);
