// Raster and JPEG services on a 24-megapixel photo, each figure beside the floor
// that plain code reaches on the same data in the same run.
#include "BenchSupport.h"
#include "JpegFixtures.h"
#include "SynthesisedPhoto.h"
#include "TBitmap.h"
#include "TCanvas.h"
#include "TJPEGImage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kPhotoWidth = 6000;
constexpr int kPhotoHeight = 4000;

const QImage& PhotoPixels() {
    static const QImage image = SynthesisePhoto(kPhotoWidth, kPhotoHeight);
    return image;
}

const QByteArray& PhotoJpeg() {
    static const QByteArray bytes = MakeJpeg(PhotoPixels(), {.quality = 90});
    return bytes;
}

// The tone pass's kind of table: every channel through 256 entries.
const std::vector<uchar>& Table() {
    static const std::vector<uchar> table = [] {
        std::vector<uchar> t(256);
        for (int i = 0; i < 256; ++i)
            t[static_cast<size_t>(i)] = static_cast<uchar>(std::min(255, i * 5 / 4));
        return t;
    }();
    return table;
}

// ---- decoding

void Decode_Bitmap(benchmark::State& state) {
    for (auto _ : state) {
        TJPEGImage jpeg;
        jpeg.LoadFromBytes(PhotoJpeg());
        TBitmap bitmap;
        jpeg.AssignTo(bitmap);
        benchmark::DoNotOptimize(bitmap.GetPixel(1, 1));
    }
}

void Decode_Floor(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(BareDecode(PhotoJpeg()));
}

// ---- pixel sweeps: read every pixel, write it back through the table

TBitmap& SweepBitmap() {
    static TBitmap bitmap;
    if (bitmap.Empty())
        bitmap.SetImage(PhotoPixels().copy());
    return bitmap;
}

inline TColor Through(const uchar* t, TColor c) {
    return RGB(t[GetRValue(c)], t[GetGValue(c)], t[GetBValue(c)]);
}

void Sweep_RowByRow(benchmark::State& state) {
    TBitmap& b = SweepBitmap();
    const uchar* t = Table().data();
    for (auto _ : state) {
        const int w = b.Width(), h = b.Height();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                b.SetPixel(x, y, Through(t, b.GetPixel(x, y)));
        b.AcknowledgeChange();
    }
}

void Sweep_ColumnByColumn(benchmark::State& state) {
    TBitmap& b = SweepBitmap();
    const uchar* t = Table().data();
    for (auto _ : state) {
        const int w = b.Width(), h = b.Height();
        for (int x = 0; x < w; ++x)
            for (int y = 0; y < h; ++y)
                b.SetPixel(x, y, Through(t, b.GetPixel(x, y)));
        b.AcknowledgeChange();
    }
}

void Sweep_Floor(benchmark::State& state) {
    QImage image = PhotoPixels().copy();
    std::array<uchar, 256> t{};
    std::copy(Table().begin(), Table().end(), t.begin());
    const int bytes = image.width() * 3;
    for (auto _ : state) {
        for (int y = 0; y < image.height(); ++y) {
            uchar* row = image.scanLine(y);
            for (int i = 0; i < bytes; ++i)
                row[i] = t[row[i]];
        }
        benchmark::ClobberMemory();
    }
}

// ---- stretch drawing the photo over the 602-wide input view

constexpr int kViewWidth = 602;
constexpr int kViewHeight = 402;

void Stretch_Canvas(benchmark::State& state) {
    TBitmap& photo = SweepBitmap();
    TBitmap view;
    view.SetWidth(kViewWidth);
    view.SetHeight(kViewHeight);
    for (auto _ : state) {
        view.Canvas()->StretchDraw(Rect(0, 0, kViewWidth, kViewHeight), &photo);
        benchmark::DoNotOptimize(view.GetPixel(5, 5));
    }
}

void Stretch_Floor(benchmark::State& state) {
    const QImage& photo = PhotoPixels();
    QImage view(kViewWidth, kViewHeight, QImage::Format_RGB32);
    std::vector<int> columns(kViewWidth);
    for (auto _ : state) {
        for (int x = 0; x < kViewWidth; ++x)
            columns[static_cast<size_t>(x)] = (2 * x + 1) * photo.width() / (2 * kViewWidth);
        for (int y = 0; y < kViewHeight; ++y) {
            const uchar* src = photo.constScanLine((2 * y + 1) * photo.height() / (2 * kViewHeight));
            auto* dst = reinterpret_cast<QRgb*>(view.scanLine(y));
            for (int x = 0; x < kViewWidth; ++x) {
                const uchar* p = src + 3 * columns[static_cast<size_t>(x)];
                dst[x] = qRgb(p[0], p[1], p[2]);
            }
        }
        benchmark::ClobberMemory();
    }
}

// ---- encoding the 600 x 450 output picture

const QImage& OutputPixels() {
    static const QImage image = SynthesisePhoto(600, 450);
    return image;
}

QString OutputPath() {
    const QString shm = QStringLiteral("/dev/shm");
    const QString dir = QFileInfo(shm).isDir() && QFileInfo(shm).isWritable() ? shm : QDir::tempPath();
    return dir + QStringLiteral("/bench_raster_output.jpg");
}

void Encode_SaveToFile(benchmark::State& state) {
    // The output picture is in the display format; saving converts a copy.
    TBitmap picture;
    picture.SetImage(OutputPixels().convertToFormat(QImage::Format_RGB32));
    const QString path = OutputPath();
    for (auto _ : state) {
        TJPEGImage jpeg;
        jpeg.Assign(picture);
        jpeg.SaveToFile(path);
    }
    QFile::remove(path);
}

void Encode_Floor(benchmark::State& state) {
    const QImage& rgb = OutputPixels();
    for (auto _ : state)
        benchmark::DoNotOptimize(MakeJpeg(rgb, {.quality = 90}));
}

} // namespace

BENCHMARK(Decode_Bitmap)->Unit(benchmark::kMillisecond);
BENCHMARK(Decode_Floor)->Unit(benchmark::kMillisecond);
BENCHMARK(Sweep_RowByRow)->Unit(benchmark::kMillisecond);
BENCHMARK(Sweep_ColumnByColumn)->Unit(benchmark::kMillisecond);
BENCHMARK(Sweep_Floor)->Unit(benchmark::kMillisecond);
BENCHMARK(Stretch_Canvas)->Unit(benchmark::kMillisecond);
BENCHMARK(Stretch_Floor)->Unit(benchmark::kMillisecond);
BENCHMARK(Encode_SaveToFile)->Unit(benchmark::kMillisecond);
BENCHMARK(Encode_Floor)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    PhotoJpeg(); // made once, outside every timing
    FloorReporter reporter({
        {"Decode_Bitmap", "Decode_Floor", 1.1},
        {"Sweep_RowByRow", "Sweep_Floor", 2.0},
        {"Sweep_ColumnByColumn", "Sweep_Floor", 0},
        {"Stretch_Canvas", "Stretch_Floor", 1.5},
        {"Encode_SaveToFile", "Encode_Floor", 1.5},
    });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
