#include "FormatFixtures.h"

#include "JpegFixtures.h"
#include "Oracle.h"
#include "TBitmap.h"
#include "TJPEGImage.h"
#include "TPhotoFile.h"

#include <QFile>
#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <lcms2.h>

namespace {

void Put16(QByteArray& b, int v, bool big) {
    const char hi = static_cast<char>((v >> 8) & 0xFF), lo = static_cast<char>(v & 0xFF);
    b.append(big ? hi : lo).append(big ? lo : hi);
}

void Put32(QByteArray& b, unsigned v, bool big) {
    Put16(b, static_cast<int>(big ? v >> 16 : v & 0xFFFF), big);
    Put16(b, static_cast<int>(big ? v & 0xFFFF : v >> 16), big);
}

QByteArray Save(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(static_cast<qsizetype>(size), '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

cmsHPROFILE AdobeRgb() {
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.19921875);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE p = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(gamma);
    return p;
}

// A device-to-Lab table profile sampled by `sampler` (16-bit device values
// in, 16-bit Lab out).
QByteArray TableProfile(cmsColorSpaceSignature space, int channels, int points, cmsSAMPLER16 sampler, void* cargo) {
    cmsHPROFILE p = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(p, 2.1); // written as lut16, Lab in its v2 encoding
    cmsSetDeviceClass(p, cmsSigInputClass);
    cmsSetColorSpace(p, space);
    cmsSetPCS(p, cmsSigLabData);
    cmsPipeline* pipeline = cmsPipelineAlloc(nullptr, static_cast<cmsUInt32Number>(channels), 3);
    cmsStage* table = cmsStageAllocCLut16bit(nullptr, static_cast<cmsUInt32Number>(points),
                                             static_cast<cmsUInt32Number>(channels), 3, nullptr);
    cmsStageSampleCLut16bit(table, sampler, cargo, 0);
    cmsPipelineInsertStage(pipeline, cmsAT_END, table);
    cmsWriteTag(p, cmsSigAToB0Tag, pipeline);
    cmsWriteTag(p, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsPipelineFree(pipeline);
    return Save(p);
}

// A transform from `device` (16 bits a channel) to Lab.
cmsHTRANSFORM ToLab(cmsHPROFILE device) {
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM t =
        cmsCreateTransform(device, TYPE_RGB_16, lab, TYPE_LabV2_16, INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
    cmsCloseProfile(device);
    cmsCloseProfile(lab);
    return t;
}

} // namespace

QByteArray ExifOrientationPayload(int value, bool bigEndian, int type) {
    QByteArray b("Exif\0\0", 6);
    b.append(bigEndian ? "MM" : "II");
    Put16(b, 42, bigEndian);
    Put32(b, 8, bigEndian);
    Put16(b, 1, bigEndian); // one entry
    Put16(b, 0x0112, bigEndian);
    Put16(b, type, bigEndian);
    Put32(b, 1, bigEndian);
    if (type == 3) {
        Put16(b, value, bigEndian);
        Put16(b, 0, bigEndian);
    } else {
        Put32(b, static_cast<unsigned>(value), bigEndian);
    }
    Put32(b, 0, bigEndian); // no next directory
    return b;
}

QByteArray Cut(const QByteArray& bytes, int keep) { return bytes.left(keep); }

QByteArray WithSegment(const QByteArray& jpeg, int appN, const QByteArray& payload) {
    QByteArray segment;
    segment.append('\xFF').append(static_cast<char>(0xE0 + appN));
    Put16(segment, static_cast<int>(payload.size()) + 2, true);
    segment.append(payload);
    return jpeg.left(2) + segment + jpeg.mid(2);
}

QByteArray WithExif(const QByteArray& jpeg, const QByteArray& exifPayload) { return WithSegment(jpeg, 1, exifPayload); }

QByteArray WithIcc(const QByteArray& jpeg, const QByteArray& icc, int chunkBytes) {
    const int count = static_cast<int>((icc.size() + chunkBytes - 1) / chunkBytes);
    QByteArray result = jpeg;
    // Inserted last chunk first, each right after the start marker, so they
    // end up in order.
    for (int i = count - 1; i >= 0; --i) {
        QByteArray payload("ICC_PROFILE\0", 12);
        payload.append(static_cast<char>(i + 1)).append(static_cast<char>(count));
        payload.append(icc.mid(static_cast<qsizetype>(i) * chunkBytes, chunkBytes));
        result = WithSegment(result, 2, payload);
    }
    return result;
}

QByteArray AdobeRgbProfile() { return Save(AdobeRgb()); }

QByteArray LutRgbProfile() {
    cmsHTRANSFORM toLab = ToLab(AdobeRgb());
    const QByteArray profile = TableProfile(
        cmsSigRgbData, 3, 17,
        [](const cmsUInt16Number in[], cmsUInt16Number out[], void* t) -> cmsInt32Number {
            cmsDoTransform(static_cast<cmsHTRANSFORM>(t), in, out, 1);
            return TRUE;
        },
        toLab);
    cmsDeleteTransform(toLab);
    return profile;
}

QByteArray GreyProfile() {
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 1.8);
    cmsHPROFILE p = cmsCreateGrayProfile(cmsD50_xyY(), gamma);
    cmsFreeToneCurve(gamma);
    return Save(p);
}

QByteArray CmykProfile() {
    // Ink to colour as a plain press might print it: each ink takes away its
    // primary, black darkens everything, the three together not quite black.
    cmsHTRANSFORM toLab = ToLab(cmsCreate_sRGBProfile());
    const QByteArray profile = TableProfile(
        cmsSigCmykData, 4, 9,
        [](const cmsUInt16Number in[], cmsUInt16Number out[], void* t) -> cmsInt32Number {
            const double k = 1.0 - 0.9 * in[3] / 65535.0;
            cmsUInt16Number rgb[3];
            for (int i = 0; i < 3; ++i)
                rgb[i] = static_cast<cmsUInt16Number>(std::lround(65535.0 * k * (1.0 - 0.85 * in[i] / 65535.0)));
            cmsDoTransform(static_cast<cmsHTRANSFORM>(t), rgb, out, 1);
            return TRUE;
        },
        toLab);
    cmsDeleteTransform(toLab);
    return profile;
}

QByteArray SrgbProfile() { return Save(cmsCreate_sRGBProfile()); }

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
