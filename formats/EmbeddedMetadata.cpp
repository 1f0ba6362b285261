#include "EmbeddedMetadata.h"

#include "ExifOrientation.h"

TEmbeddedMetadata ReadEmbeddedMetadata(const QByteArray& bytes) {
    if (bytes.startsWith(QByteArrayLiteral("\x89PNG\r\n\x1a\n")))
        return ReadPngMetadata(bytes);
    if (bytes.size() >= 12 && bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP")
        return ReadWebpMetadata(bytes);
    if (bytes.startsWith(QByteArrayLiteral("II*\0")) || bytes.startsWith(QByteArrayLiteral("MM\0*")) ||
        bytes.startsWith(QByteArrayLiteral("II+\0")) || bytes.startsWith(QByteArrayLiteral("MM\0+")))
        return ReadTiffMetadata(bytes);
    return {};
}

TOrientation OrientationOfExifChunk(const QByteArray& chunk) {
    if (chunk.isEmpty())
        return TOrientation::Upright;
    static const QByteArray header("Exif\0\0", 6);
    // libexif reads a payload from its Exif header on.
    return ExifOrientation(chunk.startsWith(header) ? chunk : header + chunk);
}
