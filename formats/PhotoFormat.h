#pragma once
#include <QByteArray>
#include <QString>

// The photo formats the program opens, and NotAPhoto for a file of any other
// type. A file that starts as JPEG does (or is empty) is read as JPEG, and
// fails there if it is damaged.
enum class TPhotoFormat { Jpeg, Heif, Png, WebP, Gif, Bmp, Tiff, NotAPhoto };

// Told from the file's first bytes, whatever its name. Camera raw files built
// on TIFF are no photo of the program's: Qt's reader would show their preview.
TPhotoFormat SniffPhotoFormat(const QByteArray& bytes);

// The name of Qt's reader of a format Qt reads ("png", "tiff"...); null for
// the others.
const char* QtReaderFormat(TPhotoFormat format);

// What a file of no photo type is, named for the user from its first bytes
// ("PDF 文書", "テキスト", "MP4/QuickTime 動画"...), or "不明な形式".
QString FileKindName(const QByteArray& bytes);
