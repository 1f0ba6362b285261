#include "PhotoFormat.h"

#include <libheif/heif.h>

TPhotoFormat SniffPhotoFormat(const QByteArray& bytes) {
    if (bytes.startsWith(QByteArrayLiteral("\x89PNG\r\n\x1a\n")))
        return TPhotoFormat::Png;
    if (bytes.size() >= 12 && bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP")
        return TPhotoFormat::WebP;
    // libheif knows the brands of the files it reads (heic, heix, mif1, avif...).
    if (bytes.size() >= 12) {
        const heif_filetype_result heif =
            heif_check_filetype(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<int>(bytes.size()));
        if (heif == heif_filetype_yes_supported || heif == heif_filetype_yes_unsupported)
            return TPhotoFormat::Heif;
    }
    return TPhotoFormat::Jpeg;
}
