// fuzz_seeds OUT_DIR [SHARED_JPEG_DIR]: writes the photo fuzzer's first
// inputs, small files of every kind the opening road reads: JPEG with Exif
// orientations and ICC profiles made with Little CMS (whole, split over
// several markers, out of order), PNG with iCCP and eXIf chunks, WebP lossy
// and lossless with ICCP and EXIF chunks, and TIFF, BMP and GIF files. From
// the shared corpus' CMYK files it makes copies carrying a CMYK profile.
// HEIF files are made by scripts/fuzz.sh with heif-enc from the PNG ones.

#include "TBitmap.h"
#include "TJPEGImage.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QtEndian>
#include <cstdio>
#include <lcms2.h>
#include <vector>

namespace {

QDir out;

void Write(const QString& name, const QByteArray& bytes) {
    QFile file(out.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", qPrintable(file.fileName()));
        std::exit(1);
    }
}

QImage Pattern(int width, int height, QImage::Format format = QImage::Format_RGB888) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(255 * x / width, 255 * y / height, ((x / 4 + y / 4) % 2) ? 210 : 30,
                                       x < width / 2 ? 255 : 128));
    return image.convertToFormat(format);
}

// ---- Little CMS profiles

QByteArray Saved(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(static_cast<qsizetype>(size), '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

cmsHPROFILE AdobeRgb(cmsToneCurve* curve) {
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    return profile;
}

// A device-to-Lab table of `points` a side: RGB values as `rgb` describes
// them, or four inks, each taking its primary away and the last darkening all,
// printed on an sRGB device.
QByteArray TableProfile(cmsHPROFILE rgb, int channels, int points) {
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM toLab =
        cmsCreateTransform(rgb, TYPE_RGB_16, lab, TYPE_LabV2_16, INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
    cmsCloseProfile(lab);
    cmsCloseProfile(rgb);
    cmsHPROFILE p = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(p, 2.1);
    cmsSetDeviceClass(p, cmsSigInputClass);
    cmsSetColorSpace(p, channels == 4 ? cmsSigCmykData : cmsSigRgbData);
    cmsSetPCS(p, cmsSigLabData);
    cmsPipeline* pipeline = cmsPipelineAlloc(nullptr, static_cast<cmsUInt32Number>(channels), 3);
    cmsStage* table = cmsStageAllocCLut16bit(nullptr, static_cast<cmsUInt32Number>(points),
                                             static_cast<cmsUInt32Number>(channels), 3, nullptr);
    struct Cargo {
        cmsHTRANSFORM toLab;
        int channels;
    } cargo{toLab, channels};
    cmsStageSampleCLut16bit(
        table,
        [](const cmsUInt16Number in[], cmsUInt16Number out[], void* c) -> cmsInt32Number {
            const auto* cargo = static_cast<const Cargo*>(c);
            cmsUInt16Number rgb[3] = {in[0], in[1], in[2]};
            if (cargo->channels == 4)
                for (int i = 0; i < 3; ++i)
                    rgb[i] = static_cast<cmsUInt16Number>((65535.0 - 0.85 * in[i]) * (1.0 - 0.9 * in[3] / 65535.0));
            cmsDoTransform(cargo->toLab, rgb, out, 1);
            return TRUE;
        },
        &cargo, 0);
    cmsPipelineInsertStage(pipeline, cmsAT_END, table);
    cmsWriteTag(p, cmsSigAToB0Tag, pipeline);
    cmsWriteTag(p, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsPipelineFree(pipeline);
    cmsDeleteTransform(toLab);
    return Saved(p);
}

struct Profiles {
    QByteArray adobe, adobeV4, parametric, table, grey, cmyk, srgb;
};

Profiles MakeProfiles() {
    Profiles p;
    p.adobe = Saved(AdobeRgb(cmsBuildGamma(nullptr, 2.2)));
    cmsHPROFILE v4 = AdobeRgb(cmsBuildGamma(nullptr, 2.2));
    cmsSetProfileVersion(v4, 4.3);
    p.adobeV4 = Saved(v4);
    const cmsFloat64Number srgbCurve[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    p.parametric = Saved(AdobeRgb(cmsBuildParametricToneCurve(nullptr, 4, srgbCurve)));
    p.table = TableProfile(AdobeRgb(cmsBuildGamma(nullptr, 2.2)), 3, 9);
    cmsToneCurve* grey = cmsBuildGamma(nullptr, 1.8);
    p.grey = Saved(cmsCreateGrayProfile(cmsD50_xyY(), grey));
    cmsFreeToneCurve(grey);
    p.cmyk = TableProfile(cmsCreate_sRGBProfile(), 4, 5);
    p.srgb = Saved(cmsCreate_sRGBProfile());
    return p;
}

// ---- JPEG segments

QByteArray Jpeg(const QImage& image, bool grey = false, bool progressive = false) {
    TBitmap bitmap;
    bitmap.SetImage(image.convertToFormat(QImage::Format_RGB888));
    TJPEGImage jpeg;
    jpeg.GrayscaleParam = grey;
    jpeg.ProgressiveEncoding = progressive;
    jpeg.CompressionQuality = 75;
    jpeg.Assign(bitmap);
    const QString path = out.filePath(QStringLiteral(".encoding.jpg"));
    jpeg.SaveToFile(path);
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    file.remove();
    return bytes;
}

void Put16(QByteArray& b, unsigned v, bool big = true) {
    char two[2];
    if (big)
        qToBigEndian(static_cast<quint16>(v), two);
    else
        qToLittleEndian(static_cast<quint16>(v), two);
    b.append(two, 2);
}

void Put32(QByteArray& b, quint32 v, bool big = true) {
    char four[4];
    if (big)
        qToBigEndian(v, four);
    else
        qToLittleEndian(v, four);
    b.append(four, 4);
}

// The segment placed right after the start-of-image marker.
QByteArray WithSegment(const QByteArray& jpeg, int appN, const QByteArray& payload) {
    QByteArray segment("\xFF", 1);
    segment.append(static_cast<char>(0xE0 + appN));
    Put16(segment, static_cast<unsigned>(payload.size() + 2));
    return jpeg.left(2) + segment + payload + jpeg.mid(2);
}

// The profile as ICC_PROFILE chunks of chunkBytes, in `order` (indices into
// the chunks; by default all of them in order).
QByteArray WithIcc(const QByteArray& jpeg, const QByteArray& icc, int chunkBytes = 60000, std::vector<int> order = {}) {
    const int count = static_cast<int>((icc.size() + chunkBytes - 1) / chunkBytes);
    if (order.empty())
        for (int i = 0; i < count; ++i)
            order.push_back(i);
    QByteArray result = jpeg;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        QByteArray payload("ICC_PROFILE\0", 12);
        payload.append(static_cast<char>(*it + 1)).append(static_cast<char>(count));
        payload.append(icc.mid(static_cast<qsizetype>(*it) * chunkBytes, chunkBytes));
        result = WithSegment(result, 2, payload);
    }
    return result;
}

// ---- Exif: a TIFF structure with IFD0 (orientation, make, resolution, a
// pointer to the Exif IFD) and IFD1 (a thumbnail's offset and length).

struct Entry {
    quint16 tag;
    quint16 type; // 2 ASCII, 3 SHORT, 4 LONG, 5 RATIONAL, 7 UNDEFINED
    quint32 count;
    QByteArray value; // in the file's byte order
};

int IfdSize(const std::vector<Entry>& entries) {
    int size = 2 + 12 * static_cast<int>(entries.size()) + 4;
    for (const Entry& e : entries)
        if (e.value.size() > 4)
            size += static_cast<int>((e.value.size() + 1) / 2 * 2);
    return size;
}

QByteArray Ifd(const std::vector<Entry>& entries, quint32 at, quint32 next, bool big) {
    QByteArray ifd, data;
    Put16(ifd, static_cast<unsigned>(entries.size()), big);
    const quint32 dataAt = at + 2 + 12 * static_cast<quint32>(entries.size()) + 4;
    for (const Entry& e : entries) {
        Put16(ifd, e.tag, big);
        Put16(ifd, e.type, big);
        Put32(ifd, e.count, big);
        if (e.value.size() <= 4) {
            ifd.append(e.value).append(QByteArray(4 - e.value.size(), '\0'));
        } else {
            Put32(ifd, dataAt + static_cast<quint32>(data.size()), big);
            data.append(e.value);
            if (data.size() % 2)
                data.append('\0');
        }
    }
    Put32(ifd, next, big);
    return ifd + data;
}

QByteArray Short(unsigned v, bool big) {
    QByteArray b;
    Put16(b, v, big);
    return b;
}

QByteArray Long(quint32 v, bool big) {
    QByteArray b;
    Put32(b, v, big);
    return b;
}

QByteArray ExifPayload(int orientation, bool big, bool full) {
    QByteArray tiff(big ? "MM" : "II");
    Put16(tiff, 42, big);
    Put32(tiff, 8, big);
    std::vector<Entry> ifd0 = {{0x0112, 3, 1, Short(static_cast<unsigned>(orientation), big)}};
    if (!full) {
        tiff += Ifd(ifd0, 8, 0, big);
        return QByteArray("Exif\0\0", 6) + tiff;
    }
    QByteArray resolution = Long(72, big) + Long(1, big);
    ifd0.insert(ifd0.begin(), {0x010F, 2, 8, QByteArray("Tolvane", 8)});
    ifd0.push_back({0x011A, 5, 1, resolution});
    ifd0.push_back({0x8769, 4, 1, Long(0, big)});
    const std::vector<Entry> exif = {{0x9000, 7, 4, QByteArray("0230")},
                                     {0x9003, 2, 20, QByteArray("2024:01:02 03:04:05", 20)}};
    const QByteArray thumbnail = Jpeg(Pattern(8, 8));
    std::vector<Entry> ifd1 = {{0x0201, 4, 1, Long(0, big)},
                               {0x0202, 4, 1, Long(static_cast<quint32>(thumbnail.size()), big)}};
    const quint32 exifAt = 8 + static_cast<quint32>(IfdSize(ifd0));
    const quint32 ifd1At = exifAt + static_cast<quint32>(IfdSize(exif));
    const quint32 thumbAt = ifd1At + static_cast<quint32>(IfdSize(ifd1));
    ifd0.back().value = Long(exifAt, big);
    ifd1[0].value = Long(thumbAt, big);
    tiff += Ifd(ifd0, 8, ifd1At, big) + Ifd(exif, exifAt, 0, big) + Ifd(ifd1, ifd1At, 0, big) + thumbnail;
    return QByteArray("Exif\0\0", 6) + tiff;
}

// ---- PNG and WebP chunks

quint32 Crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<uchar>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// The PNG with chunks of `type` placed right after its header chunk.
QByteArray WithPngChunk(const QByteArray& png, const char* type, const QByteArray& data) {
    QByteArray chunk;
    Put32(chunk, static_cast<quint32>(data.size()));
    const QByteArray body = QByteArray(type, 4) + data;
    chunk.append(body);
    Put32(chunk, Crc32(body));
    constexpr int afterHeader = 8 + 8 + 13 + 4;
    return png.left(afterHeader) + chunk + png.mid(afterHeader);
}

QByteArray IccpChunk(const QByteArray& icc) {
    // The name, the compression method, then the profile deflated (zlib
    // stream after Qt's four-byte length).
    return QByteArray("ICC profile\0\0", 13) + qCompress(icc).mid(4);
}

QByteArray Encoded(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, quality)) {
        std::fprintf(stderr, "fuzz_seeds: Qt cannot write %s\n", format);
        return {};
    }
    return bytes;
}

QByteArray RiffChunk(const char* type, const QByteArray& data) {
    QByteArray chunk(type, 4);
    Put32(chunk, static_cast<quint32>(data.size()), false);
    chunk.append(data);
    if (data.size() % 2)
        chunk.append('\0');
    return chunk;
}

// A simple (VP8 or VP8L only) WebP file made extended: VP8X, ICCP, the image,
// EXIF.
QByteArray ExtendedWebP(const QByteArray& simple, int width, int height, const QByteArray& icc, const QByteArray& exif) {
    QByteArray vp8x;
    vp8x.append(static_cast<char>((icc.isEmpty() ? 0 : 0x20) | (exif.isEmpty() ? 0 : 0x08)));
    vp8x.append(QByteArray(3, '\0'));
    for (const int side : {width - 1, height - 1})
        vp8x.append(static_cast<char>(side & 0xFF)).append(static_cast<char>((side >> 8) & 0xFF)).append(static_cast<char>(side >> 16));
    QByteArray body("WEBP");
    body += RiffChunk("VP8X", vp8x);
    if (!icc.isEmpty())
        body += RiffChunk("ICCP", icc);
    body += simple.mid(12);
    if (!exif.isEmpty())
        body += RiffChunk("EXIF", exif);
    QByteArray file("RIFF");
    Put32(file, static_cast<quint32>(body.size()), false);
    return file + body;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: fuzz_seeds OUT_DIR [SHARED_JPEG_DIR]\n");
        return 2;
    }
    out = QDir(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral(".")))
        return 1;
    const Profiles icc = MakeProfiles();
    const QImage colour = Pattern(40, 30);
    const QByteArray jpeg = Jpeg(colour);
    const QByteArray grey = Jpeg(colour, true);
    const QByteArray progressive = Jpeg(colour, false, true);
    const QByteArray exifTail = ExifPayload(1, false, false).mid(6); // the TIFF part

    // JPEG: orientations, profiles, both together.
    Write(QStringLiteral("jpeg-plain.jpg"), jpeg);
    Write(QStringLiteral("jpeg-grey.jpg"), grey);
    Write(QStringLiteral("jpeg-progressive.jpg"), progressive);
    for (const int o : {2, 3, 5, 6, 8})
        Write(QStringLiteral("jpeg-exif-%1.jpg").arg(o), WithSegment(jpeg, 1, ExifPayload(o, o % 2 == 0, false)));
    Write(QStringLiteral("jpeg-exif-full-be.jpg"), WithSegment(jpeg, 1, ExifPayload(6, true, true)));
    Write(QStringLiteral("jpeg-exif-full-le.jpg"), WithSegment(progressive, 1, ExifPayload(7, false, true)));
    Write(QStringLiteral("jpeg-icc-adobe.jpg"), WithIcc(jpeg, icc.adobe));
    Write(QStringLiteral("jpeg-icc-adobe-v4.jpg"), WithIcc(jpeg, icc.adobeV4));
    Write(QStringLiteral("jpeg-icc-parametric.jpg"), WithIcc(jpeg, icc.parametric));
    Write(QStringLiteral("jpeg-icc-table.jpg"), WithIcc(jpeg, icc.table));
    Write(QStringLiteral("jpeg-icc-srgb.jpg"), WithIcc(jpeg, icc.srgb));
    Write(QStringLiteral("jpeg-icc-grey.jpg"), WithIcc(grey, icc.grey));
    Write(QStringLiteral("jpeg-icc-split.jpg"), WithIcc(jpeg, icc.table, 1000));
    Write(QStringLiteral("jpeg-icc-shuffled.jpg"), WithIcc(jpeg, icc.adobe, 200, {2, 0, 1}));
    Write(QStringLiteral("jpeg-icc-chunk-missing.jpg"), WithIcc(jpeg, icc.adobe, 200, {0, 2}));
    Write(QStringLiteral("jpeg-icc-cut.jpg"), WithIcc(jpeg, icc.adobe.left(150)));
    Write(QStringLiteral("jpeg-icc-exif.jpg"),
          WithSegment(WithIcc(progressive, icc.parametric, 300), 1, ExifPayload(5, true, true)));
    // Photo-sized, so that its colour rows go to the second thread; flat, so
    // that it stays small.
    QImage flat(1024, 1024, QImage::Format_RGB888);
    flat.fill(QColor(180, 90, 40));
    Write(QStringLiteral("jpeg-icc-threaded.jpg"), WithIcc(Jpeg(flat), icc.adobe));

    // PNG: Qt's own, then with chunks of ours.
    const QByteArray png = Encoded(colour, "png");
    Write(QStringLiteral("png-rgb.png"), png);
    Write(QStringLiteral("png-alpha.png"), Encoded(Pattern(40, 30, QImage::Format_ARGB32), "png"));
    Write(QStringLiteral("png-grey.png"), Encoded(colour.convertToFormat(QImage::Format_Grayscale8), "png"));
    Write(QStringLiteral("png-16bit.png"), Encoded(colour.convertToFormat(QImage::Format_RGBA64), "png"));
    Write(QStringLiteral("png-palette.png"), Encoded(colour.convertToFormat(QImage::Format_Indexed8), "png"));
    QImage tagged = colour;
    tagged.setColorSpace(QColorSpace(QColorSpace::AdobeRgb));
    Write(QStringLiteral("png-qt-adobe.png"), Encoded(tagged, "png"));
    Write(QStringLiteral("png-iccp-table.png"), WithPngChunk(png, "iCCP", IccpChunk(icc.table)));
    Write(QStringLiteral("png-iccp-grey.png"),
          WithPngChunk(Encoded(colour.convertToFormat(QImage::Format_Grayscale8), "png"), "iCCP", IccpChunk(icc.grey)));
    Write(QStringLiteral("png-exif.png"), WithPngChunk(png, "eXIf", ExifPayload(6, true, true).mid(6)));
    Write(QStringLiteral("png-exif-iccp.png"),
          WithPngChunk(WithPngChunk(png, "eXIf", exifTail), "iCCP", IccpChunk(icc.adobe)));

    // WebP: lossy and lossless (quality 100), transparent, extended with
    // profile and Exif.
    const QByteArray lossy = Encoded(colour, "webp", 60);
    Write(QStringLiteral("webp-lossy.webp"), lossy);
    const QByteArray lossless = Encoded(colour, "webp", 100);
    Write(QStringLiteral("webp-lossless.webp"), lossless);
    Write(QStringLiteral("webp-alpha.webp"), Encoded(Pattern(40, 30, QImage::Format_ARGB32), "webp", 60));
    Write(QStringLiteral("webp-qt-adobe.webp"), Encoded(tagged, "webp", 60));
    if (lossy.mid(12, 4) == "VP8 " && lossless.mid(12, 4) == "VP8L") {
        Write(QStringLiteral("webp-icc-exif.webp"), ExtendedWebP(lossy, 40, 30, icc.adobe, ExifPayload(6, false, true).mid(6)));
        Write(QStringLiteral("webp-lossless-icc.webp"), ExtendedWebP(lossless, 40, 30, icc.table, {}));
        Write(QStringLiteral("webp-exif.webp"), ExtendedWebP(lossy, 40, 30, {}, exifTail));
    }

    // Other formats Qt reads, sniffed apart from JPEG.
    Write(QStringLiteral("tiff-rgb.tif"), Encoded(colour, "tiff"));
    Write(QStringLiteral("tiff-adobe.tif"), Encoded(tagged, "tiff"));
    Write(QStringLiteral("bmp-rgb.bmp"), Encoded(colour, "bmp"));
    Write(QStringLiteral("gif-1x1.gif"), QByteArray("GIF89a\x01\0\x01\0\x80\0\0\xFF\xFF\xFF\0\0\0!\xF9\x04\x01\0\0\0\0,"
                                                    "\0\0\0\0\x01\0\x01\0\0\x02\x02" "D\x01\0;",
                                                    43));

    // The shared corpus' CMYK files with a CMYK profile.
    if (argc > 2) {
        const QDir shared(QString::fromLocal8Bit(argv[2]));
        for (const QString& name : shared.entryList({QStringLiteral("*cmyk*.jpg"), QStringLiteral("*ycck*.jpg")})) {
            QFile file(shared.filePath(name));
            if (file.open(QIODevice::ReadOnly))
                Write(QStringLiteral("shared-icc-") + name, WithIcc(file.readAll(), icc.cmyk));
        }
    }
    return 0;
}
