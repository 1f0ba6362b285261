// The memory one opening needs at its peak, for each kind of file the memory
// guard tells apart: each file opened in a fresh process of its own (the
// parent's heap would hide the figure), the rise of its peak resident memory
// (VmHWM, reset through /proc/self/clear_refs once the file's bytes are read
// and the libraries are up) over the memory it held before. Measured at two
// sizes, so that the bytes a pixel (the slope) and the fixed part apart from
// the pixels are told apart. Beside each, the figure the guard uses
// (TPhotoFile::DecodeBytesPerPixel, or for TIFF the one TQtPicture's header
// gives).
#include "BenchSupport.h"
#include "DecodePeaks.h"
#include "IccProfiles.h"
#include "JpegFixtures.h"
#include "JpegSegments.h"
#include "SynthesisedPhoto.h"
#include "TBitmap.h"
#include "TJPEGImage.h"
#include "TPhotoFile.h"
#include "TQtPicture.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <jpeglib.h>
#include <string>

namespace {

QString Folder() {
    static const QString folder = [] {
        const QString shm = QStringLiteral("/dev/shm");
        QString base = QDir(shm).exists() ? shm : QStandardPaths::writableLocation(QStandardPaths::TempLocation);
        base += QStringLiteral("/bench_decode_peak");
        QDir().mkpath(base);
        return base;
    }();
    return folder;
}

// ---- the files, made in the parent

QImage Translucent(const QImage& rgb) {
    QImage image = rgb.convertToFormat(QImage::Format_RGBA8888);
    for (int y = 0; y < image.height(); ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x)
            row[4 * x + 3] = static_cast<uchar>((x / 7 + y / 5) % 256);
    }
    return image;
}

QByteArray Written(const QImage& image, const char* format, int quality = -1, bool progressive = false) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(image))
        std::fprintf(stderr, "could not write %s: %s\n", format, qPrintable(writer.errorString()));
    return bytes;
}

// Qt writes a profile it can parse (matrix and curves, grey curves) as iCCP
// and ICCP chunks, and as TIFF's ICC tag.
QImage WithProfile(QImage image, const QByteArray& icc) {
    image.setColorSpace(QColorSpace::fromIccProfile(icc));
    return image;
}

// A progressive JPEG without chroma subsampling: the most coefficients a
// colour file holds.
QByteArray Progressive444(const QImage& photo) {
    return MakeJpeg(photo, {.progressive = true, .fullChroma = true});
}

QByteArray HeifEncoded(const QImage& source, const QStringList& options) {
    const QString png = Folder() + QStringLiteral("/heif-source.png");
    const QString out = Folder() + QStringLiteral("/heif-out");
    if (!source.save(png, "PNG"))
        return {};
    QProcess enc;
    enc.start(QStringLiteral("heif-enc"), QStringList(options) << QStringLiteral("-o") << out << png);
    if (!enc.waitForFinished(600000) || enc.exitCode() != 0) {
        std::fprintf(stderr, "heif-enc failed: %s\n", enc.readAllStandardError().constData());
        return {};
    }
    QFile file(out);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    QFile::remove(out);
    QFile::remove(png);
    return bytes;
}

const QStringList kHeic{QStringLiteral("-q"), QStringLiteral("90")};
const QStringList kHeic10 = QStringList(kHeic) << QStringLiteral("-b") << QStringLiteral("10");
const QStringList kAvif{QStringLiteral("-A"), QStringLiteral("-q"), QStringLiteral("80"), QStringLiteral("-p"),
                        QStringLiteral("speed=8")};
// aom in Debian 12 codes 10 bits only as 4:2:2 through heif-enc.
const QStringList kAvif10 = QStringList(kAvif) << QStringLiteral("-b") << QStringLiteral("10") << QStringLiteral("-p")
                                             << QStringLiteral("chroma=422");

struct Kind {
    const char* name;
    std::function<QByteArray(const QImage& photo)> make;
    bool tiff = false; // opened through Qt's TIFF reader directly
};

const std::vector<Kind>& Kinds() {
    static const std::vector<Kind> kinds = {
        {"JPEG, colour", [](const QImage& p) { return MakeJpeg(p); }},
        {"JPEG, colour, Adobe RGB", [](const QImage& p) { return WithIcc(MakeJpeg(p), AdobeRgbProfile()); }},
        {"JPEG, progressive", [](const QImage& p) { return MakeJpeg(p, {.progressive = true}); }},
        {"JPEG, progressive, 4:4:4", Progressive444},
        {"JPEG, grey", [](const QImage& p) { return Written(p.convertToFormat(QImage::Format_Grayscale8), "jpeg", 90); }},
        {"JPEG, grey, progressive",
         [](const QImage& p) { return Written(p.convertToFormat(QImage::Format_Grayscale8), "jpeg", 90, true); }},
        {"HEIC, 8-bit", [](const QImage& p) { return HeifEncoded(p, kHeic); }},
        {"HEIC, 8-bit, 4:4:4",
         [](const QImage& p) { return HeifEncoded(p, QStringList(kHeic) << QStringLiteral("-p") << QStringLiteral("chroma=444")); }},
        {"HEIC, 10-bit, 4:4:4",
         [](const QImage& p) {
             return HeifEncoded(p.convertToFormat(QImage::Format_RGBX64),
                                QStringList(kHeic10) << QStringLiteral("-p") << QStringLiteral("chroma=444"));
         }},
        {"HEIC, 8-bit, Adobe RGB", [](const QImage& p) { return HeifEncoded(WithProfile(p, AdobeRgbProfile()), kHeic); }},
        {"HEIC, 8-bit, alpha", [](const QImage& p) { return HeifEncoded(Translucent(p), kHeic); }},
        {"HEIC, 10-bit", [](const QImage& p) { return HeifEncoded(p.convertToFormat(QImage::Format_RGBX64), kHeic10); }},
        {"HEIC, 10-bit, alpha",
         [](const QImage& p) { return HeifEncoded(Translucent(p).convertToFormat(QImage::Format_RGBA64), kHeic10); }},
        {"AVIF, 8-bit", [](const QImage& p) { return HeifEncoded(p, kAvif); }},
        {"AVIF, 8-bit, 4:4:4",
         [](const QImage& p) { return HeifEncoded(p, QStringList(kAvif) << QStringLiteral("-p") << QStringLiteral("chroma=444")); }},
        {"AVIF, 8-bit, alpha", [](const QImage& p) { return HeifEncoded(Translucent(p), kAvif); }},
        {"AVIF, 10-bit", [](const QImage& p) { return HeifEncoded(p.convertToFormat(QImage::Format_RGBX64), kAvif10); }},
        {"AVIF, 10-bit, alpha",
         [](const QImage& p) { return HeifEncoded(Translucent(p).convertToFormat(QImage::Format_RGBA64), kAvif10); }},
        {"PNG, 8-bit RGB", [](const QImage& p) { return Written(p, "png"); }},
        {"PNG, 8-bit RGB, Adobe RGB", [](const QImage& p) { return Written(WithProfile(p, AdobeRgbProfile()), "png"); }},
        {"PNG, 8-bit RGBA", [](const QImage& p) { return Written(Translucent(p), "png"); }},
        {"PNG, 8-bit RGBA, Adobe RGB",
         [](const QImage& p) { return Written(WithProfile(Translucent(p), AdobeRgbProfile()), "png"); }},
        {"PNG, 16-bit RGB", [](const QImage& p) { return Written(p.convertToFormat(QImage::Format_RGBX64), "png"); }},
        {"PNG, 16-bit RGBA",
         [](const QImage& p) { return Written(Translucent(p).convertToFormat(QImage::Format_RGBA64), "png"); }},
        {"PNG, grey", [](const QImage& p) { return Written(p.convertToFormat(QImage::Format_Grayscale8), "png"); }},
        {"PNG, grey, grey profile",
         [](const QImage& p) {
             return Written(WithProfile(p.convertToFormat(QImage::Format_Grayscale8), GreyProfile()), "png");
         }},
        {"PNG, 16-bit grey", [](const QImage& p) { return Written(p.convertToFormat(QImage::Format_Grayscale16), "png"); }},
        {"PNG, palette", [](const QImage& p) { return Written(p.convertToFormat(QImage::Format_Indexed8), "png"); }},
        {"PNG, palette, transparent",
         [](const QImage& p) { return Written(Translucent(p).convertToFormat(QImage::Format_Indexed8), "png"); }},
        {"WebP, lossy", [](const QImage& p) { return Written(p, "webp", 90); }},
        {"WebP, lossy, alpha", [](const QImage& p) { return Written(Translucent(p), "webp", 90); }},
        {"WebP, lossless", [](const QImage& p) { return Written(p, "webp", 100); }},
        {"WebP, lossless, alpha", [](const QImage& p) { return Written(Translucent(p), "webp", 100); }},
        {"TIFF, 8-bit RGB", [](const QImage& p) { return Written(p, "tiff"); }, true},
        {"TIFF, 8-bit RGBA", [](const QImage& p) { return Written(Translucent(p), "tiff"); }, true},
        {"TIFF, 16-bit RGBA",
         [](const QImage& p) { return Written(Translucent(p).convertToFormat(QImage::Format_RGBA64), "tiff"); }, true},
        {"TIFF, grey", [](const QImage& p) { return Written(p.convertToFormat(QImage::Format_Grayscale8), "tiff"); },
         true},
    };
    return kinds;
}

constexpr QSize kSizes[2] = {{2000, 1500}, {4000, 3000}};

QString FilePath(size_t kind, int size) {
    QString name = QString::fromLatin1(Kinds()[kind].name);
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("-"));
    return Folder() + QStringLiteral("/%1-%2").arg(name).arg(size);
}

// ---- the child: one opening

// Prints the rise of the peak over the start, the pixels and the guard's
// figure for them.
int MeasureOne(const QString& path, bool tiff) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray bytes = file.readAll();
    file.close();
    const long before = StatusKiB("VmRSS:");
    std::ofstream("/proc/self/clear_refs") << "5";
    double guard = 0;
    long long pixels = 0;
    if (tiff) {
        TQtPicture picture(bytes, "tiff");
        guard = QtDecodeBytesPerPixel(picture.Metadata());
        const QImage image = picture.Decode({});
        pixels = static_cast<long long>(image.width()) * image.height();
    } else {
        TJPEGImage jpeg;
        TPhotoFile photo(jpeg);
        photo.LoadFromBytes(bytes);
        guard = photo.DecodeBytesPerPixel();
        TBitmap bitmap;
        photo.AssignTo(bitmap);
        pixels = static_cast<long long>(bitmap.Width()) * bitmap.Height();
    }
    const long peak = StatusKiB("VmHWM:");
    std::printf("%ld %lld %.3f\n", (peak - before) * 1024, pixels, guard);
    return 0;
}

// ---- the parent

struct Measured {
    double bytes = 0;
    double pixels = 0;
    double guard = 0;
};

Measured RunChild(size_t kind, int size) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--measure"), FilePath(kind, size), Kinds()[kind].tiff ? QStringLiteral("tiff") : QString()});
    child.waitForFinished(300000);
    const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
    if (figures.size() != 3)
        return {};
    return {figures[0].toDouble(), figures[1].toDouble(), figures[2].toDouble()};
}

void Peak(benchmark::State& state, size_t kind) {
    Measured small, large;
    for (auto _ : state) {
        small = RunChild(kind, 0);
        large = RunChild(kind, 1);
    }
    if (large.pixels <= small.pixels) {
        state.SkipWithError("the file could not be made or opened");
        return;
    }
    const double slope = (large.bytes - small.bytes) / (large.pixels - small.pixels);
    state.counters["peak_B_per_px"] = slope;
    state.counters["fixed_MB"] = (large.bytes - slope * large.pixels) / 1e6;
    state.counters["guard_B_per_px"] = large.guard;
    state.counters["large_B_per_px"] = large.bytes / large.pixels;
}

void MakeFiles() {
    QDir().mkpath(Folder());
    for (int size = 0; size < 2; ++size) {
        const QImage photo = SynthesisePhoto(kSizes[size].width(), kSizes[size].height());
        for (size_t kind = 0; kind < Kinds().size(); ++kind) {
            if (QFile::exists(FilePath(kind, size)))
                continue;
            const QByteArray bytes = Kinds()[kind].make(photo);
            QFile out(FilePath(kind, size));
            if (!bytes.isEmpty() && out.open(QIODevice::WriteOnly))
                out.write(bytes);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    if (argc >= 3 && std::strcmp(argv[1], "--measure") == 0)
        return MeasureOne(QString::fromLocal8Bit(argv[2]), argc >= 4 && std::strcmp(argv[3], "tiff") == 0);
    benchmark::Initialize(&argc, argv);
    // Made once and kept in the folder between runs (encoding the HEIF and
    // AVIF files takes minutes); --clean makes them anew.
    if (argc >= 2 && std::strcmp(argv[1], "--clean") == 0)
        QDir(Folder()).removeRecursively();
    MakeFiles();
    for (size_t kind = 0; kind < Kinds().size(); ++kind)
        benchmark::RegisterBenchmark(Kinds()[kind].name, Peak, kind)->Iterations(1)->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
