// Opening photos as phones and cameras write them, each figure beside the
// floor that the bare libraries reach on the same data in the same run: a
// 24-megapixel JPEG with an Adobe RGB profile against libjpeg's bare decode,
// every Exif orientation against one quarter turn, a 12-megapixel HEIC
// against libheif's own decode into its buffer.
#include "BenchSupport.h"
#include "IccProfiles.h"
#include "JpegFixtures.h"
#include "JpegSegments.h"
#include "QuarterTurn.h"
#include "Rotation.h"
#include "SynthesisedPhoto.h"
#include "TBitmap.h"
#include "TJPEGImage.h"
#include "TPhotoFile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProgressBar>
#include <QStandardPaths>
#include <benchmark/benchmark.h>
#include <libheif/heif.h>

namespace {

const QByteArray& AdobeJpeg() {
    static const QByteArray bytes =
        WithIcc(MakeJpeg(SynthesisePhoto(6000, 4000), {.quality = 90}), AdobeRgbProfile());
    return bytes;
}

void OpenPhoto(const QByteArray& bytes) {
    TJPEGImage jpeg;
    TPhotoFile file(jpeg);
    file.LoadFromBytes(bytes);
    TBitmap bitmap;
    file.AssignTo(bitmap);
    benchmark::DoNotOptimize(bitmap.GetPixel(1, 1));
}

void Open_AdobeRgb(benchmark::State& state) {
    for (auto _ : state)
        OpenPhoto(AdobeJpeg());
}

void Open_AdobeFloor(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(BareDecodeStrip(AdobeJpeg()));
}

// ---- orientation: each way a photo may lie, against a quarter turn

TBitmap& Decoded() {
    static TBitmap bitmap;
    if (bitmap.Empty())
        bitmap.SetImage(SynthesisePhoto(6000, 4000));
    return bitmap;
}

void Orient(benchmark::State& state) {
    TBitmap bitmap;
    for (auto _ : state) {
        bitmap.Assign(Decoded());
        OrientBitmap(bitmap, static_cast<TOrientation>(state.range(0)));
        benchmark::DoNotOptimize(bitmap.GetPixel(1, 1));
    }
}

void Orient_TurnFloor(benchmark::State& state) {
    QProgressBar bar;
    TBitmap bitmap;
    for (auto _ : state) {
        bitmap.Assign(Decoded());
        RotateRight(bitmap, bar);
        benchmark::DoNotOptimize(bitmap.GetPixel(1, 1));
    }
}

// ---- HEIC: 12 megapixels made with heif-enc at start

QString Scratch() {
    const QString shm = QStringLiteral("/dev/shm");
    return QFileInfo(shm).isDir() && QFileInfo(shm).isWritable() ? shm : QDir::tempPath();
}

const QByteArray& Heic() {
    static const QByteArray bytes = [] {
        const QString enc = QStandardPaths::findExecutable(QStringLiteral("heif-enc"));
        const QString png = Scratch() + QStringLiteral("/bench_formats.png");
        const QString heic = Scratch() + QStringLiteral("/bench_formats.heic");
        if (enc.isEmpty() || !SynthesisePhoto(4000, 3000).save(png))
            return QByteArray();
        QProcess process;
        process.start(enc, {QStringLiteral("-q"), QStringLiteral("90"), QStringLiteral("-o"), heic, png});
        process.waitForFinished(600000);
        QFile file(heic);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    return bytes;
}

void Heic_Open(benchmark::State& state) {
    if (Heic().isEmpty()) {
        state.SkipWithError("heif-enc could not make the photo");
        return;
    }
    for (auto _ : state)
        OpenPhoto(Heic());
}

// libheif's own read and decode into its interleaved RGB buffer.
void Heic_Floor(benchmark::State& state) {
    if (Heic().isEmpty()) {
        state.SkipWithError("heif-enc could not make the photo");
        return;
    }
    for (auto _ : state) {
        heif_context* context = heif_context_alloc();
        heif_context_read_from_memory_without_copy(context, Heic().constData(), static_cast<size_t>(Heic().size()),
                                                   nullptr);
        heif_image_handle* handle = nullptr;
        heif_context_get_primary_image_handle(context, &handle);
        heif_image* image = nullptr;
        heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr);
        int stride = 0;
        benchmark::DoNotOptimize(heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride));
        heif_image_release(image);
        heif_image_handle_release(handle);
        heif_context_free(context);
    }
}

} // namespace

BENCHMARK(Open_AdobeRgb)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(Open_AdobeFloor)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(Orient)->DenseRange(2, 8)->Unit(benchmark::kMillisecond);
BENCHMARK(Orient_TurnFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(Heic_Open)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Heic_Floor)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    AdobeJpeg(); // made once, outside every timing
    Decoded();
    Heic();
    FloorReporter reporter({
        {"Open_AdobeRgb", "Open_AdobeFloor", 1.5, true},
        {"Orient/2", "Orient_TurnFloor", 1.0},
        {"Orient/3", "Orient_TurnFloor", 1.0},
        {"Orient/4", "Orient_TurnFloor", 1.0},
        {"Orient/5", "Orient_TurnFloor", 1.0},
        {"Orient/6", "Orient_TurnFloor", 1.0},
        {"Orient/7", "Orient_TurnFloor", 1.0},
        {"Orient/8", "Orient_TurnFloor", 1.0},
        {"Heic_Open", "Heic_Floor", 1.2, true},
    });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
