#include "PhotoFormat.h"

#include <QList>
#include <QtEndian>
#include <libheif/heif.h>
#include <algorithm>
#include <array>

namespace {

// Brands of the ISO media files whose pictures libheif reads: HEIF with
// HEVC, AVIF, and the common structure of both. Writers put any of them
// first: phones and HEIF's conformance files name mif1 and list heic.
constexpr std::array<const char*, 11> HeifBrands = {"heic", "heix", "heim", "heis", "hevc", "hevx",
                                                   "avif", "avis", "mif1", "msf1", "miaf"};

// The major and compatible brands of the ftyp box a file starts with.
QList<QByteArray> FtypBrands(const QByteArray& bytes) {
    if (bytes.size() < 16 || bytes.mid(4, 4) != "ftyp")
        return {};
    const auto declared = static_cast<qsizetype>(qFromBigEndian<quint32>(bytes.constData()));
    const qsizetype end = declared == 0 ? bytes.size() : std::min(declared, bytes.size());
    QList<QByteArray> brands{bytes.mid(8, 4)};
    for (qsizetype at = 16; at + 4 <= end; at += 4)
        brands.append(bytes.mid(at, 4));
    return brands;
}

bool IsHeif(const QByteArray& bytes) {
    for (const QByteArray& brand : FtypBrands(bytes))
        if (std::find(HeifBrands.begin(), HeifBrands.end(), brand) != HeifBrands.end())
            return true;
    // Any other brand libheif knows.
    const heif_filetype_result heif =
        heif_check_filetype(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<int>(bytes.size()));
    return heif == heif_filetype_yes_supported || heif == heif_filetype_yes_unsupported;
}

} // namespace

TPhotoFormat SniffPhotoFormat(const QByteArray& bytes) {
    if (bytes.startsWith(QByteArrayLiteral("\x89PNG\r\n\x1a\n")))
        return TPhotoFormat::Png;
    if (bytes.size() >= 12 && bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP")
        return TPhotoFormat::WebP;
    // Whether libheif reads the file is its own to decide.
    if (bytes.size() >= 12 && IsHeif(bytes))
        return TPhotoFormat::Heif;
    return TPhotoFormat::Jpeg;
}
