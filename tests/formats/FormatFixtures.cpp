#include "FormatFixtures.h"

#include "JpegSegments.h"
#include "Oracle.h"
#include "TBitmap.h"
#include "TJPEGImage.h"
#include "TPhotoFile.h"
#include "TestFileBytes.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QtEndian>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <gtest/gtest.h>

QImage OpenedPixels(const QByteArray& bytes, QImage::Format* format) {
    TJPEGImage jpeg;
    TPhotoFile file(jpeg);
    file.LoadFromBytes(bytes);
    TBitmap bitmap;
    file.AssignTo(bitmap);
    if (format)
        *format = bitmap.Image().format();
    return bitmap.Image().convertToFormat(QImage::Format_RGB888);
}

QImage DjpegPixels(const TempDir& dir, const QByteArray& jpeg, bool grey) {
    const QString djpeg = FindTool(QStringLiteral("djpeg"));
    if (djpeg.isEmpty())
        return {};
    const QString in = dir.File(QStringLiteral("oracle-in.jpg"));
    WriteFileBytes(in, jpeg);
    if (!grey) {
        const QString out = dir.File(QStringLiteral("oracle-out.ppm"));
        if (!RunTool(djpeg, {QStringLiteral("-ppm"), QStringLiteral("-outfile"), out, in}))
            return {};
        return ReadPpm(out);
    }
    const QString out = dir.File(QStringLiteral("oracle-out.bmp"));
    if (!RunTool(djpeg, {QStringLiteral("-colors"), QStringLiteral("236"), QStringLiteral("-dither"), QStringLiteral("fs"),
                         QStringLiteral("-bmp"), QStringLiteral("-outfile"), out, in}))
        return {};
    IndexedPicture picture;
    if (!ReadBmp8(out, &picture))
        return {};
    QImage image(picture.width, picture.height, QImage::Format_RGB888);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            image.setPixel(x, y, picture.palette[picture.indices[static_cast<size_t>(y * picture.width + x)]]);
    return image;
}

QString PillowPython() {
    for (const QString& python : {QStringLiteral("/usr/bin/python3"), FindTool(QStringLiteral("python3"))})
        if (!python.isEmpty() && RunTool(python, {QStringLiteral("-c"), QStringLiteral("import PIL.ImageCms")}))
            return python;
    return {};
}

QImage PillowToSrgb(const TempDir& dir, const QString& source, const QByteArray& icc) {
    const QString python = PillowPython();
    if (python.isEmpty())
        return {};
    const QString profile = dir.File(QStringLiteral("oracle.icc"));
    WriteFileBytes(profile, icc);
    const QString out = dir.File(QStringLiteral("oracle-srgb.ppm"));
    const char* script = R"(
import sys
from PIL import Image, ImageCms
im = Image.open(sys.argv[1])
if im.mode == 'P':
    im = im.convert('RGB')
src = ImageCms.getOpenProfile(sys.argv[2])
if src.profile.xcolor_space.strip() == 'GRAY' and im.mode != 'L':
    im = im.convert('L')
out = ImageCms.profileToProfile(im, src, ImageCms.createProfile('sRGB'), 0, 'RGB', flags=ImageCms.FLAGS['BLACKPOINTCOMPENSATION'])
out.save(sys.argv[3], 'PPM')
)";
    QString messages;
    if (!RunTool(python, {QStringLiteral("-c"), QString::fromUtf8(script), source, profile, out}, {0}, &messages)) {
        ADD_FAILURE() << "Pillow's conversion failed: " << messages.toStdString();
        return {};
    }
    return ReadPpm(out);
}

int MaxDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull())
        return INT_MAX;
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    int worst = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int i = 0; i < 3 * x.width(); ++i)
            worst = std::max(worst, std::abs(x.constScanLine(row)[i] - y.constScanLine(row)[i]));
    return worst;
}

QImage Upright(const QImage& image, int value) {
    const int w = image.width(), h = image.height();
    const bool swap = value >= 5;
    QImage result(swap ? h : w, swap ? w : h, QImage::Format_RGB888);
    // The tag says where stored row 0 and column 0 are to be shown: stored
    // pixel (x, y) goes to (u, v) of the upright picture.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int u = x, v = y;
            switch (value) {
            case 2: u = w - 1 - x; break;
            case 3: u = w - 1 - x; v = h - 1 - y; break;
            case 4: v = h - 1 - y; break;
            case 5: u = y; v = x; break;
            case 6: u = h - 1 - y; v = x; break;
            case 7: u = h - 1 - y; v = w - 1 - x; break;
            case 8: u = y; v = w - 1 - x; break;
            default: break;
            }
            result.setPixel(u, v, image.pixel(x, y));
        }
    return result;
}

QByteArray QtEncoded(const QImage& image, const char* format, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    return bytes;
}

QByteArray TiffHeaded(const QByteArray& exifPayload) {
    return exifPayload.startsWith(QByteArray("Exif\0\0", 6)) ? exifPayload.mid(6) : exifPayload;
}

namespace {

// PNG's CRC (ISO 3309) over the chunk's type and data.
quint32 PngCrc(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char ch : bytes) {
        crc ^= static_cast<quint8>(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

QByteArray PngChunk(const char* type, const QByteArray& data) {
    QByteArray body = QByteArray(type, 4) + data;
    QByteArray chunk;
    Put32(chunk, static_cast<unsigned>(data.size()), true);
    chunk.append(body);
    Put32(chunk, PngCrc(body), true);
    return chunk;
}

QByteArray RiffChunk(const QByteArray& fourcc, const QByteArray& data) {
    QByteArray chunk = fourcc;
    Put32(chunk, static_cast<unsigned>(data.size()), false);
    chunk.append(data);
    if (data.size() % 2)
        chunk.append('\0');
    return chunk;
}

} // namespace

QByteArray PngWithChunks(const QByteArray& png, const QByteArray& icc, const QByteArray& exif,
                         bool exifAfterData) {
    // Signature (8) and IHDR (4 + 4 + 13 + 4).
    constexpr int headerEnd = 8 + 25;
    QByteArray before;
    if (!icc.isEmpty())
        // qCompress puts the length in 4 bytes before the zlib stream.
        before += PngChunk("iCCP", QByteArray("profile\0\0", 9) + qCompress(icc).mid(4));
    if (!exif.isEmpty() && !exifAfterData)
        before += PngChunk("eXIf", exif);
    QByteArray result = png.left(headerEnd) + before + png.mid(headerEnd);
    if (!exif.isEmpty() && exifAfterData)
        result.insert(result.size() - 12, PngChunk("eXIf", exif)); // before IEND
    return result;
}

QByteArray WebpWithChunks(const QByteArray& webp, const QByteArray& icc, const QByteArray& exif) {
    QByteArray image;
    int width = 0, height = 0;
    bool alpha = false;
    for (qsizetype at = 12; at + 8 <= webp.size();) {
        const QByteArray fourcc = webp.mid(at, 4);
        const auto size =
            static_cast<qsizetype>(qFromLittleEndian<quint32>(webp.constData() + at + 4));
        const QByteArray data = webp.mid(at + 8, size);
        const auto* d = reinterpret_cast<const uchar*>(data.constData());
        if (fourcc == "VP8L" && data.size() >= 5) {
            const quint32 bits = qFromLittleEndian<quint32>(d + 1);
            width = static_cast<int>(bits & 0x3FFF) + 1;
            height = static_cast<int>((bits >> 14) & 0x3FFF) + 1;
            alpha = (bits >> 28) & 1;
        } else if (fourcc == "VP8 " && data.size() >= 10) {
            width = qFromLittleEndian<quint16>(d + 6) & 0x3FFF;
            height = qFromLittleEndian<quint16>(d + 8) & 0x3FFF;
        }
        image += RiffChunk(fourcc, data);
        at += 8 + size + size % 2;
    }
    EXPECT_GT(width, 0) << "a simple WebP";
    QByteArray vp8x;
    vp8x.append(static_cast<char>((icc.isEmpty() ? 0 : 0x20) | (alpha ? 0x10 : 0) |
                                  (exif.isEmpty() ? 0 : 0x08)));
    vp8x.append(3, '\0');
    for (const int side : {width - 1, height - 1})
        vp8x.append(static_cast<char>(side & 0xFF))
            .append(static_cast<char>((side >> 8) & 0xFF))
            .append(static_cast<char>((side >> 16) & 0xFF));
    QByteArray body = QByteArray("WEBP") + RiffChunk("VP8X", vp8x);
    if (!icc.isEmpty())
        body += RiffChunk("ICCP", icc);
    body += image;
    if (!exif.isEmpty())
        body += RiffChunk("EXIF", exif);
    QByteArray result("RIFF");
    Put32(result, static_cast<unsigned>(body.size()), false);
    return result + body;
}

QByteArray TiffOf(const QImage& source, const QByteArray& icc, int orientation, bool big) {
    const bool grey = source.format() == QImage::Format_Grayscale8;
    const bool alpha = source.format() == QImage::Format_RGBA8888;
    const QImage image = grey || alpha ? source : source.convertToFormat(QImage::Format_RGB888);
    const int samples = grey ? 1 : alpha ? 4 : 3;
    const int w = image.width(), h = image.height();
    QByteArray pixels;
    for (int y = 0; y < h; ++y)
        pixels.append(reinterpret_cast<const char*>(image.constScanLine(y)),
                      static_cast<qsizetype>(w) * samples);
    struct Entry {
        int tag, type;
        unsigned count, value; // value, or the offset of `data`
        QByteArray data;
    };
    QByteArray bitsPerSample;
    for (int i = 0; i < samples; ++i)
        Put16(bitsPerSample, 8, big);
    std::vector<Entry> entries = {
        {256, 4, 1, static_cast<unsigned>(w), {}},
        {257, 4, 1, static_cast<unsigned>(h), {}},
        {258, 3, static_cast<unsigned>(samples), 8, samples > 2 ? bitsPerSample : QByteArray()},
        {259, 3, 1, 1, {}},
        {262, 3, 1, grey ? 1u : 2u, {}},
        {273, 4, 1, 0, {}}, // the strip's offset, filled in below
    };
    if (orientation)
        entries.push_back({274, 3, 1, static_cast<unsigned>(orientation), {}});
    entries.push_back({277, 3, 1, static_cast<unsigned>(samples), {}});
    entries.push_back({278, 4, 1, static_cast<unsigned>(h), {}});
    entries.push_back({279, 4, 1, static_cast<unsigned>(pixels.size()), {}});
    entries.push_back({284, 3, 1, 1, {}});
    if (alpha)
        entries.push_back({338, 3, 1, 2, {}}); // unassociated alpha
    if (!icc.isEmpty())
        entries.push_back({34675, 7, static_cast<unsigned>(icc.size()), 0, icc});
    const unsigned ifdSize = 2 + 12 * static_cast<unsigned>(entries.size()) + 4;
    unsigned next = 8 + ifdSize;
    QByteArray extra;
    for (Entry& e : entries)
        if (!e.data.isEmpty()) {
            e.value = next + static_cast<unsigned>(extra.size());
            extra.append(e.data);
            if (extra.size() % 2)
                extra.append('\0');
        }
    const unsigned stripAt = next + static_cast<unsigned>(extra.size());
    QByteArray tiff(big ? "MM" : "II");
    Put16(tiff, 42, big);
    Put32(tiff, 8, big);
    Put16(tiff, static_cast<int>(entries.size()), big);
    for (const Entry& e : entries) {
        Put16(tiff, e.tag, big);
        Put16(tiff, e.type, big);
        Put32(tiff, e.count, big);
        const unsigned value = e.tag == 273 ? stripAt : e.value;
        if (e.type == 3 && e.data.isEmpty()) {
            Put16(tiff, static_cast<int>(value), big);
            Put16(tiff, 0, big);
        } else {
            Put32(tiff, value, big);
        }
    }
    Put32(tiff, 0, big);
    return tiff + extra + pixels;
}

QImage OverWhite(const QImage& image) {
    QImage result(image.size(), QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const double a = c.alphaF();
            const auto mix = [a](double v) { return static_cast<int>(std::lround(255.0 * (v * a + (1.0 - a)))); };
            result.setPixel(x, y, qRgb(mix(c.redF()), mix(c.greenF()), mix(c.blueF())));
        }
    return result;
}

QImage OverWhiteWith(const QImage& rgb, const QImage& alphaOf) {
    const QImage colour = rgb.convertToFormat(QImage::Format_RGB888);
    const QImage alpha = alphaOf.convertToFormat(QImage::Format_RGBA8888);
    QImage result(colour.size(), QImage::Format_RGB888);
    for (int y = 0; y < colour.height(); ++y)
        for (int x = 0; x < colour.width(); ++x) {
            const int a = alpha.constScanLine(y)[4 * x + 3];
            for (int k = 0; k < 3; ++k) {
                const int c = colour.constScanLine(y)[3 * x + k];
                result.scanLine(y)[3 * x + k] =
                    static_cast<uchar>(std::lround((c * a + 255.0 * (255 - a)) / 255.0));
            }
        }
    return result;
}

QImage TranslucentPattern(int width, int height) {
    QImage image = JpegTestPattern(width, height).convertToFormat(QImage::Format_RGBA8888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.scanLine(y)[4 * x + 3] = static_cast<uchar>((x * 7 + y * 5) % 256);
    return image;
}

QByteArray HeifEncoded(const TempDir& dir, const QByteArray& png, const QStringList& options,
                       const QString& name, QString* why) {
    const QString enc = FindTool(QStringLiteral("heif-enc"));
    if (enc.isEmpty()) {
        *why = QStringLiteral("heif-enc (libheif-examples) is not installed");
        return {};
    }
    const QString in = dir.File(QStringLiteral("heif-source.png"));
    const QString out = dir.File(name);
    WriteFileBytes(in, png);
    QString messages;
    if (!RunTool(enc, QStringList(options) << QStringLiteral("-o") << out << in, {0}, &messages)) {
        *why = QStringLiteral("heif-enc could not encode: ") + messages;
        return {};
    }
    return ReadFileBytes(out);
}

QStringList LosslessRgb() {
    return {QStringLiteral("-L"), QStringLiteral("-p"), QStringLiteral("chroma=444"),
            QStringLiteral("--matrix_coefficients=0")};
}

QByteArray WithCodePoints(const QByteArray& heif, int primaries, int transfer) {
    // A colr box: size, "colr", "nclx", primaries, transfer, matrix (16 bits
    // each, big-endian), full-range flag.
    const qsizetype at = heif.indexOf("colrnclx");
    EXPECT_GE(at, 4) << "an nclx colour box";
    if (at < 4 || at + 14 > heif.size())
        return heif;
    QByteArray codes;
    Put16(codes, primaries, true);
    Put16(codes, transfer, true);
    return QByteArray(heif).replace(at + 8, 4, codes);
}

QImage HeifConverted(const TempDir& dir, const QByteArray& heif) {
    const QString convert = FindTool(QStringLiteral("heif-convert"));
    if (convert.isEmpty())
        return {};
    const QString in = dir.File(QStringLiteral("heif-oracle-in"));
    const QString out = dir.File(QStringLiteral("heif-oracle-out.png"));
    WriteFileBytes(in, heif);
    QString messages;
    if (!RunTool(convert, {in, out}, {0}, &messages)) {
        ADD_FAILURE() << "heif-convert failed: " << messages.toStdString();
        return {};
    }
    const QImage image(out);
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_RGBA8888
                                                         : QImage::Format_RGB888);
}

QImage NclxReference(const TempDir& dir, const QImage& coded, int primaries, int transfer) {
    const QString python = FindTool(QStringLiteral("python3"));
    if (python.isEmpty())
        return {};
    const QString in = dir.File(QStringLiteral("nclx-in.ppm"));
    const QString out = dir.File(QStringLiteral("nclx-out.ppm"));
    if (!WritePpm(in, coded.convertToFormat(QImage::Format_RGB888)))
        return {};
    // Matrices from the chromaticities (RGB to XYZ scaled to the white),
    // Bradford adaptation to D65 where the white differs, sRGB's encoding.
    const char* script = R"(
import math, re, sys
PRIMARIES = {
    1: ((0.640, 0.330), (0.300, 0.600), (0.150, 0.060), (0.3127, 0.3290)),
    9: ((0.708, 0.292), (0.170, 0.797), (0.131, 0.046), (0.3127, 0.3290)),
    11: ((0.680, 0.320), (0.265, 0.690), (0.150, 0.060), (0.314, 0.351)),
    12: ((0.680, 0.320), (0.265, 0.690), (0.150, 0.060), (0.3127, 0.3290)),
}
def xyz(c): return [c[0] / c[1], 1.0, (1 - c[0] - c[1]) / c[1]]
def mul(a, b): return [[sum(a[i][k] * b[k][j] for k in range(3)) for j in range(3)] for i in range(3)]
def apply(m, v): return [sum(m[i][k] * v[k] for k in range(3)) for i in range(3)]
def inv(m):
    a, b, c = m[0]; d, e, f = m[1]; g, h, i = m[2]
    det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g)
    return [[(e * i - f * h) / det, (c * h - b * i) / det, (b * f - c * e) / det],
            [(f * g - d * i) / det, (a * i - c * g) / det, (c * d - a * f) / det],
            [(d * h - e * g) / det, (b * g - a * h) / det, (a * e - b * d) / det]]
def to_xyz(p):
    cols = [xyz(c) for c in p[:3]]
    m = [[cols[j][i] for j in range(3)] for i in range(3)]
    s = apply(inv(m), xyz(p[3]))
    return [[m[i][j] * s[j] for j in range(3)] for i in range(3)]
BRADFORD = [[0.8951, 0.2664, -0.1614], [-0.7502, 1.7135, 0.0367], [0.0389, -0.0685, 1.0296]]
def adapt(src, dst):
    s, d = apply(BRADFORD, xyz(src)), apply(BRADFORD, xyz(dst))
    scale = [[d[i] / s[i] if i == j else 0.0 for j in range(3)] for i in range(3)]
    return mul(inv(BRADFORD), mul(scale, BRADFORD))
def shoulder(x): return x if x <= 0.9 else 0.9 + 0.1 * (1 - math.exp(-(x - 0.9) / 0.1))
def pq(v):
    m1, m2 = 2610 / 16384, 2523 / 4096 * 128
    c1, c2, c3 = 3424 / 4096, 2413 / 4096 * 32, 2392 / 4096 * 32
    p = v ** (1 / m2)
    return shoulder(10000 * (max(p - c1, 0) / (c2 - c3 * p)) ** (1 / m1) / 203)
def hlg(v):
    a = 0.17883277; b = 1 - 4 * a; c = 0.5 - a * math.log(4 * a)
    e = v * v / 3 if v <= 0.5 else (math.exp((v - c) / a) + b) / 12
    return shoulder(1000 * e ** 1.2 / 203)
def bt709(v): return ((v + 0.099) / 1.099) ** (1 / 0.45) if v >= 0.081 else v / 4.5
def srgb(v): return ((v + 0.055) / 1.055) ** 2.4 if v >= 0.04045 else v / 12.92
TRANSFER = {1: bt709, 14: bt709, 13: srgb, 8: lambda v: v, 4: lambda v: v ** 2.2, 16: pq, 18: hlg}
def encode(l):
    l = min(max(l, 0.0), 1.0)
    v = 12.92 * l if l <= 0.0031308 else 1.055 * l ** (1 / 2.4) - 0.055
    return int(math.floor(255 * v + 0.5))
src, prim, trc, out = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
p = PRIMARIES[prim]
m = mul(inv(to_xyz(PRIMARIES[1])), mul(adapt(p[3], PRIMARIES[1][3]), to_xyz(p)))
curve = TRANSFER[trc]
lut = [curve(i / 255) for i in range(256)]
data = open(src, 'rb').read()
header = re.match(rb'P6\s(\d+)\s(\d+)\s255\s', data)
pixels = data[header.end():]
result = bytearray()
for i in range(0, len(pixels), 3):
    result.extend(encode(c) for c in apply(m, [lut[pixels[i]], lut[pixels[i + 1]], lut[pixels[i + 2]]]))
open(out, 'wb').write(b'P6\n%d %d\n255\n' % (int(header[1]), int(header[2])) + bytes(result))
)";
    QString messages;
    if (!RunTool(python,
                 {QStringLiteral("-c"), QString::fromUtf8(script), in, QString::number(primaries),
                  QString::number(transfer), out},
                 {0}, &messages)) {
        ADD_FAILURE() << "the reference conversion failed: " << messages.toStdString();
        return {};
    }
    return ReadPpm(out);
}
