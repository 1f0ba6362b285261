#pragma once
#include <QByteArray>

// The photo formats the program opens. Anything else is read as JPEG, as it
// always was, and fails there if it is not one.
enum class TPhotoFormat { Jpeg, Heif, Png, WebP };

// Told from the file's first bytes, whatever its name.
TPhotoFormat SniffPhotoFormat(const QByteArray& bytes);
