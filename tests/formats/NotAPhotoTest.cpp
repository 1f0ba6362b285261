#include "Exceptions.h"
#include "JpegFixtures.h"
#include "PhotoFormat.h"
#include "TJPEGImage.h"
#include "TPhotoFile.h"

#include <QtEndian>
#include <array>
#include <gtest/gtest.h>
#include <string_view>

namespace {

QByteArray Bytes(std::string_view text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }

// A little-endian TIFF header and a first directory of (tag, type, value)
// entries, each one value.
QByteArray Tiff(std::initializer_list<std::array<int, 3>> entries) {
    QByteArray b("II*\0\x08\0\0\0", 8);
    const auto put16 = [&](int v) { b.append(static_cast<char>(v & 0xFF)).append(static_cast<char>(v >> 8 & 0xFF)); };
    put16(static_cast<int>(entries.size()));
    for (const auto& [tag, type, value] : entries) {
        put16(tag);
        put16(type);
        put16(1);
        put16(0);
        put16(value);
        put16(0);
    }
    return b.append(QByteArray(4, '\0'));
}

} // namespace

using namespace std::string_view_literals;

// A file that starts like no photo type, and not as JPEG does, is no photo:
// it is named for the user from its first bytes where they tell what it is.
TEST(NotAPhoto, FilesOfOtherTypesAreNamedByTheirFirstBytes) {
    QByteArray mp4(4, '\0');
    qToBigEndian<quint32>(24, mp4.data());
    mp4 += "ftypisom" + QByteArray(4, '\0') + "isomavc1";
    QByteArray transportStream(3 * 188, '\0');
    for (int packet = 0; packet < 3; ++packet)
        transportStream[188 * packet] = 0x47;
    const QByteArray shiftJisText = QByteArray::fromHex("8e CA 90 5E 82 CC 83 81 83 82 0d 0a");
    const struct {
        const char* name;
        QByteArray bytes;
        const char* kind;
    } cases[] = {
        {"PDF", "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n1 0 obj", "PDF 文書"},
        {"ASCII text", "not a photo\n", "テキスト"},
        {"text with a QuickTime atom's name in place", "Get free photos!\n", "テキスト"},
        {"UTF-8 text", "写真のメモ\r\n\tその二\n", "テキスト"},
        {"Shift_JIS text", shiftJisText, "テキスト"},
        {"UTF-16 text", Bytes("\xFF\xFEH\0i\0"sv), "テキスト"},
        {"HTML page", "  <!DOCTYPE html>\n<html><body><img src=a.jpg>", "HTML 文書"},
        {"SVG drawing", "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"/>", "SVG 画像"},
        {"MP4 video", mp4, "MP4/QuickTime 動画"},
        {"QuickTime film without ftyp", Bytes("\0\0\0\x08wide\0\0\0\0mdat"sv), "MP4/QuickTime 動画"},
        {"MPEG transport stream", transportStream, "MPEG 動画"},
        {"WebM video", "\x1A\x45\xDF\xA3\x9F\x42\x86\x81", "Matroska/WebM 動画"},
        {"AVI video", Bytes("RIFF\x10\0\0\0AVI LIST"sv), "AVI 動画"},
        {"ZIP archive", Bytes("PK\x03\x04\x14\0\0\0"sv), "ZIP 書庫"},
        {"MP3 with ID3", Bytes("ID3\x04\0\0\0\0\0\0"sv), "MP3 音声"},
        {"Photoshop picture", Bytes("8BPS\0\x01\0\0"sv), "Photoshop 画像"},
        {"JPEG 2000", Bytes("\0\0\0\x0CjP  \r\n\x87\n\0\0\0\x14"sv), "JPEG 2000 画像"},
        {"BigTIFF", Bytes("II+\0\x08\0\0\0"sv), "BigTIFF 画像"},
        {"Canon CR2", Bytes("II*\0\x10\0\0\0CR\x02\0\0\0\0\0"sv), "RAW 画像"},
        {"DNG", Tiff({{0x00FE, 4, 0}, {0xC612, 1, 1}}), "RAW 画像"},
        {"NEF: a TIFF whose first picture is a preview", Tiff({{0x00FE, 4, 1}, {0x0100, 3, 160}}), "RAW 画像"},
        {"Fujifilm RAF", "FUJIFILMCCD-RAW 0201FF383501", "RAW 画像"},
        {"binary of no known kind", Bytes("\x01\x02\x03\x04\x05\0\x07"sv), "不明な形式"},
        {"RIFF of another kind", Bytes("RIFF\x10\0\0\0CDXAfmt "sv), "不明な形式"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SniffPhotoFormat(c.bytes), TPhotoFormat::NotAPhoto);
        EXPECT_EQ(FileKindName(c.bytes).toStdString(), c.kind);
        TJPEGImage jpeg;
        TPhotoFile file(jpeg);
        try {
            file.LoadFromBytes(c.bytes);
            ADD_FAILURE() << "loaded";
        } catch (const ENotAPhoto& e) {
            EXPECT_EQ(std::string(e.what()), std::string("この種類のファイルは開けません (") + c.kind + ")");
        }
    }
}

// What starts as JPEG does stays JPEG, to fail there silently when damaged;
// a TIFF whose first picture is the photo stays TIFF.
TEST(NotAPhoto, FilesThatStartAsAPhotoTypeAreNoneOfThese) {
    const struct {
        const char* name;
        QByteArray bytes;
        TPhotoFormat format;
    } cases[] = {
        {"empty", QByteArray(), TPhotoFormat::Jpeg},
        {"a JPEG cut after its first byte", "\xFF", TPhotoFormat::Jpeg},
        {"a JPEG start, then garbage", "\xFF\xD8\xFFnot much more", TPhotoFormat::Jpeg},
        {"a JPEG", MakeJpeg(JpegTestPattern(8, 8)), TPhotoFormat::Jpeg},
        {"a TIFF of one full picture", Tiff({{0x00FE, 4, 0}, {0x0100, 3, 6000}}), TPhotoFormat::Tiff},
        {"a TIFF without directory", Bytes("II*\0"sv), TPhotoFormat::Tiff},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SniffPhotoFormat(c.bytes), c.format) << c.name;
}
