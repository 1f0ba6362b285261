#include "FormatFixtures.h"
#include "JpegFixtures.h"
#include "Oracle.h"
#include "PhotoFormat.h"

#include <QtEndian>
#include <gtest/gtest.h>
#include <vector>

namespace {

// The file with the brands of its leading ftyp box written over, as other
// writers label the same structure. The box keeps its size, so the offsets
// the file holds stay right: as many compatible brands as it had.
QByteArray WithBrands(QByteArray file, const QByteArray& major, const std::vector<QByteArray>& compatible) {
    const auto boxSize = static_cast<qsizetype>(qFromBigEndian<quint32>(file.constData()));
    if (file.mid(4, 4) != "ftyp" || boxSize != 16 + 4 * static_cast<qsizetype>(compatible.size())) {
        ADD_FAILURE() << "the ftyp box holds another number of brands";
        return file;
    }
    file.replace(8, 4, major);
    for (size_t i = 0; i < compatible.size(); ++i)
        file.replace(16 + 4 * static_cast<qsizetype>(i), 4, compatible[i]);
    return file;
}

} // namespace

// HEIF's conformance files and some phones name the common structure (mif1)
// as major brand and the codec among the compatible ones; libheif reads them
// all alike, and so they open with the pixels of the file heif-enc wrote.
TEST(HeifBrands, AFileOpensWhicheverOfItsBrandsNamesTheFormat) {
    const QString enc = FindTool(QStringLiteral("heif-enc"));
    if (enc.isEmpty())
        GTEST_SKIP() << "heif-enc (libheif-examples) is not installed";
    TempDir dir;
    const QString png = dir.File(QStringLiteral("source.png"));
    ASSERT_TRUE(JpegTestPattern(64, 48).save(png));
    const struct {
        const char* name;
        bool avif;
        QByteArray major;
        std::vector<QByteArray> compatible;
    } cases[] = {
        {"HEIC as heif-enc labels it", false, "heic", {"mif1", "heic", "miaf"}},
        {"HEIC with mif1 as major brand", false, "mif1", {"mif1", "heic", "miaf"}},
        {"HEIC with mif1 as major brand, the codec last", false, "mif1", {"miaf", "MiHE", "heic"}},
        {"HEIC labelled as an image sequence", false, "msf1", {"msf1", "mif1", "heic"}},
        {"AVIF with mif1 as major brand", true, "mif1", {"mif1", "avif", "miaf"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString out = dir.File(c.avif ? QStringLiteral("photo.avif") : QStringLiteral("photo.heic"));
        QStringList arguments = {QStringLiteral("-q"), QStringLiteral("90"), QStringLiteral("-o"), out, png};
        if (c.avif)
            arguments.prepend(QStringLiteral("-A"));
        QString messages;
        if (!RunTool(enc, arguments, {0}, &messages)) {
            std::printf("[  SKIPPED ] %s: heif-enc could not encode: %s\n", c.name, messages.toLocal8Bit().constData());
            continue;
        }
        const QByteArray written = ReadFileBytes(out);
        const QImage expected = OpenedPixels(written);
        ASSERT_EQ(expected.size(), QSize(64, 48));
        const QByteArray relabelled = WithBrands(written, c.major, c.compatible);
        EXPECT_EQ(SniffPhotoFormat(relabelled), TPhotoFormat::Heif);
        EXPECT_EQ(OpenedPixels(relabelled), expected);
    }
}

// Told from the ftyp box alone, whatever its length and wherever the brand
// stands; ISO media files of other brands are no HEIF.
TEST(HeifBrands, AreReadFromTheMajorAndEveryCompatibleBrand) {
    const auto ftyp = [](const QByteArray& major, const QByteArray& compatible) {
        QByteArray box(4, '\0');
        qToBigEndian<quint32>(static_cast<quint32>(16 + compatible.size()), box.data());
        return box + "ftyp" + major + QByteArray(4, '\0') + compatible;
    };
    const struct {
        const char* name;
        QByteArray bytes;
        bool heif;
    } cases[] = {
        {"major heic", ftyp("heic", "mif1heic"), true},
        {"major heix, no compatible brand", ftyp("heix", ""), true},
        {"major mif1, heic compatible", ftyp("mif1", "mif1heic"), true},
        {"major mif1 alone", ftyp("mif1", ""), true},
        {"major msf1, hevc compatible", ftyp("msf1", "iso8hevc"), true},
        {"major MiHE, heic compatible", ftyp("MiHE", "MiHEmiafheic"), true},
        {"major avis", ftyp("avis", "msf1"), true},
        {"an MP4 video", ftyp("isom", "isomiso2avc1mp41"), false},
        {"a QuickTime film", ftyp("qt  ", "qt  "), false},
        {"heic past the end of the box", ftyp("isom", "mp41").append("heic"), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SniffPhotoFormat(c.bytes) == TPhotoFormat::Heif, c.heif) << c.name;
}
