#include "PhotoFormat.h"

#include <QList>
#include <QtEndian>
#include <libheif/heif.h>
#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

using namespace std::string_view_literals;

namespace {

bool Has(const QByteArray& bytes, qsizetype at, std::string_view part) {
    return bytes.size() >= at + static_cast<qsizetype>(part.size()) &&
           std::memcmp(bytes.constData() + at, part.data(), part.size()) == 0;
}

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

bool IsTiff(const QByteArray& bytes) { return Has(bytes, 0, "II*\0"sv) || Has(bytes, 0, "MM\0*"sv); }

// A camera's raw file laid out as TIFF (CR2, NEF, ARW, DNG...): its first
// picture is a small preview, or the sensor's data that no TIFF reader
// shows; the photo lies in pictures Qt's reader never reaches.
bool IsTiffCameraRaw(const QByteArray& bytes) {
    if (Has(bytes, 8, "CR\x02"sv))
        return true;
    const bool big = bytes.startsWith("MM");
    const auto u16 = [&](qsizetype at) {
        return big ? qFromBigEndian<quint16>(bytes.constData() + at) : qFromLittleEndian<quint16>(bytes.constData() + at);
    };
    const auto u32 = [&](qsizetype at) {
        return big ? qFromBigEndian<quint32>(bytes.constData() + at) : qFromLittleEndian<quint32>(bytes.constData() + at);
    };
    constexpr int NewSubfileType = 0x00FE, DngVersion = 0xC612, Short = 3;
    if (bytes.size() < 8)
        return false;
    const qsizetype ifd = u32(4);
    if (ifd < 8 || ifd + 2 > bytes.size())
        return false;
    const int entries = u16(ifd);
    for (qsizetype entry = ifd + 2; entry + 12 <= bytes.size() && entry < ifd + 2 + 12 * entries; entry += 12) {
        const int tag = u16(entry);
        if (tag == DngVersion)
            return true;
        // Bit 0: a reduced-resolution picture.
        if (tag == NewSubfileType && ((u16(entry + 2) == Short ? u16(entry + 8) : u32(entry + 8)) & 1) != 0)
            return true;
    }
    return false;
}

bool StartsAsJpeg(const QByteArray& bytes) {
    // An empty file, or one cut after its first byte, fails as JPEG does.
    return bytes.startsWith("\xFF\xD8") || QByteArrayLiteral("\xFF\xD8").startsWith(bytes);
}

constexpr const char* CameraRaw = "RAW 画像";
constexpr const char* IsoVideo = "MP4/QuickTime 動画";

// Files told by bytes at a fixed place: what the user would call them.
struct Signature {
    qsizetype at;
    std::string_view bytes;
    const char* kind;
};

constexpr Signature Signatures[] = {
    {0, "%PDF-"sv, "PDF 文書"},
    {0, "%!PS"sv, "PostScript 文書"},
    {0, "PK\x03\x04"sv, "ZIP 書庫"},
    {0, "PK\x05\x06"sv, "ZIP 書庫"},
    {0, "\x1F\x8B"sv, "gzip 圧縮ファイル"},
    {0, "7z\xBC\xAF\x27\x1C"sv, "7-Zip 書庫"},
    {0, "Rar!\x1A\x07"sv, "RAR 書庫"},
    {0, "\x1A\x45\xDF\xA3"sv, "Matroska/WebM 動画"},
    {0, "\0\0\x01\xBA"sv, "MPEG 動画"},
    {0, "ID3"sv, "MP3 音声"},
    {0, "\xFF\xFB"sv, "MP3 音声"},
    {0, "\xFF\xF3"sv, "MP3 音声"},
    {0, "OggS"sv, "Ogg 音声"},
    {0, "fLaC"sv, "FLAC 音声"},
    {0, "8BPS"sv, "Photoshop 画像"},
    {0, "\0\0\0\x0CjP  \r\n\x87\n"sv, "JPEG 2000 画像"},
    {0, "\xFF\x4F\xFF\x51"sv, "JPEG 2000 画像"},
    {0, "\0\0\0\x0CJXL \r\n\x87\n"sv, "JPEG XL 画像"},
    {0, "\xFF\x0A"sv, "JPEG XL 画像"},
    {0, "II+\0"sv, "BigTIFF 画像"},
    {0, "MM\0+"sv, "BigTIFF 画像"},
    {0, "FUJIFILMCCD-RAW"sv, CameraRaw},
    {0, "IIRO"sv, CameraRaw},
    {0, "IIRS"sv, CameraRaw},
    {0, "MMOR"sv, CameraRaw},
    {0, "IIU\0"sv, CameraRaw},
};

// RIFF files by the type after their size.
constexpr Signature RiffTypes[] = {
    {8, "AVI "sv, "AVI 動画"},
    {8, "WAVE"sv, "WAV 音声"},
};

// An MPEG transport stream: a sync byte every 188 bytes, or every 192 after
// a 4-byte time stamp as video cameras write it.
bool IsTransportStream(const QByteArray& bytes) {
    const auto sync = [&](qsizetype first, qsizetype step) {
        return bytes.size() > first + 2 * step && bytes[first] == 0x47 && bytes[first + step] == 0x47 &&
               bytes[first + 2 * step] == 0x47;
    };
    return sync(0, 188) || sync(4, 192);
}

// QuickTime films that start with a movie or data atom rather than ftyp.
bool IsQuickTimeAtom(const QByteArray& bytes) {
    for (const std::string_view atom : {"moov"sv, "mdat"sv, "wide"sv, "free"sv, "skip"sv, "pnot"sv})
        if (Has(bytes, 4, atom))
            return true;
    return false;
}

// Text as far as its first bytes tell: no control characters besides white
// space and the escape of ISO-2022-JP, in any 8-bit or UTF-8 encoding
// (Shift_JIS and EUC-JP included); UTF-16 by its byte-order mark.
bool IsText(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return true;
    const QByteArray head = bytes.left(4096);
    return std::none_of(head.begin(), head.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 && u != '\t' && u != '\n' && u != '\v' && u != '\f' && u != '\r' && u != 0x1B;
    });
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
    if (IsTiff(bytes))
        return IsTiffCameraRaw(bytes) ? TPhotoFormat::NotAPhoto : TPhotoFormat::Tiff;
    return StartsAsJpeg(bytes) ? TPhotoFormat::Jpeg : TPhotoFormat::NotAPhoto;
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
    case TPhotoFormat::NotAPhoto:
        break;
    }
    return nullptr;
}

QString FileKindName(const QByteArray& bytes) {
    if (IsTiff(bytes) && IsTiffCameraRaw(bytes))
        return QString::fromUtf8(CameraRaw);
    for (const Signature& s : Signatures)
        if (Has(bytes, s.at, s.bytes))
            return QString::fromUtf8(s.kind);
    if (bytes.startsWith("RIFF"))
        for (const Signature& s : RiffTypes)
            if (Has(bytes, s.at, s.bytes))
                return QString::fromUtf8(s.kind);
    const QList<QByteArray> brands = FtypBrands(bytes);
    if (!brands.isEmpty()) {
        if (brands.contains("crx "))
            return QString::fromUtf8(CameraRaw); // Canon CR3
        return QString::fromUtf8(brands.constFirst() == "M4A " ? "MP4 音声" : IsoVideo);
    }
    // Text before the signs below, which a text may hold by chance.
    if (IsText(bytes)) {
        const QByteArray head = bytes.left(4096).toLower();
        if (head.contains("<svg"))
            return QString::fromUtf8("SVG 画像");
        if (head.trimmed().startsWith("<!doctype html") || head.trimmed().startsWith("<html"))
            return QString::fromUtf8("HTML 文書");
        return QString::fromUtf8("テキスト");
    }
    if (IsQuickTimeAtom(bytes))
        return QString::fromUtf8(IsoVideo);
    if (IsTransportStream(bytes))
        return QString::fromUtf8("MPEG 動画");
    return QString::fromUtf8("不明な形式");
}
