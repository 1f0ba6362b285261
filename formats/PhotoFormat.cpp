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

// "BM", then the sizes of the file, of nothing and of the headers, and the
// size of one of the picture headers Windows and OS/2 have written.
bool IsBmp(const QByteArray& bytes) {
    if (bytes.size() < 18 || !bytes.startsWith("BM"))
        return false;
    constexpr std::array<quint32, 8> HeaderSizes = {12, 16, 40, 52, 56, 64, 108, 124};
    const quint32 header = qFromLittleEndian<quint32>(bytes.constData() + 14);
    return std::find(HeaderSizes.begin(), HeaderSizes.end(), header) != HeaderSizes.end();
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
    if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a"))
        return TPhotoFormat::Gif;
    if (IsBmp(bytes))
        return TPhotoFormat::Bmp;
    if (bytes.startsWith(QByteArrayLiteral("II*\0")) || bytes.startsWith(QByteArrayLiteral("MM\0*")))
        return TPhotoFormat::Tiff;
    return TPhotoFormat::Jpeg;
}

const char* QtReaderFormat(TPhotoFormat format) {
    switch (format) {
    case TPhotoFormat::Png:
        return "png";
    case TPhotoFormat::WebP:
        return "webp";
    case TPhotoFormat::Gif:
        return "gif";
    case TPhotoFormat::Bmp:
        return "bmp";
    case TPhotoFormat::Tiff:
        return "tiff";
    case TPhotoFormat::Jpeg:
    case TPhotoFormat::Heif:
        break;
    }
    return nullptr;
}
