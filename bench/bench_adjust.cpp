// Tone passes and quarter turns on a 24-megapixel photo, each timed beside a
// plain loop doing the same memory work on the same size of buffer in the
// same run. Ours includes the real progress bar and message servicing.
#include "Rotation.h"
#include "TBitmap.h"
#include "Tone.h"

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QProgressBar>
#include <QScrollBar>
#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kTile = 64;

QImage SynthesisePhoto() {
    QImage image(kWidth, kHeight, QImage::Format_RGB888);
    for (int y = 0; y < kHeight; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < kWidth; ++x) {
            row[3 * x + 0] = static_cast<uchar>((x * 255) / kWidth);
            row[3 * x + 1] = static_cast<uchar>((y * 255) / kHeight);
            row[3 * x + 2] = static_cast<uchar>((x * 7 + y * 13) & 0xFF);
        }
    }
    return image;
}

// The window's controls that the passes read and drive, shown on the
// offscreen platform so that the bar really repaints.
struct Controls {
    Controls() {
        strength.setRange(0, 100);
        strength.setValue(30);
        progress.resize(137, 16);
        progress.setTextVisible(false);
        progress.show();
    }
    QScrollBar strength{Qt::Horizontal};
    QCheckBox darken;
    QProgressBar progress;
};

// Made in main, after the application and destroyed before it.
Controls* g_window = nullptr;
Controls& Window() {
    return *g_window;
}

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Runs ours and the floor alternately in every iteration, so both meet the
// same load on the shared machine, and reports their CPU times and ratio.
template <class Ours, class Floor> void Paired(benchmark::State& state, Ours ours, Floor floor) {
    double oursTotal = 0, floorTotal = 0;
    for (auto _ : state) {
        const double t0 = CpuSeconds();
        ours();
        const double t1 = CpuSeconds();
        floor();
        const double t2 = CpuSeconds();
        oursTotal += t1 - t0;
        floorTotal += t2 - t1;
        benchmark::ClobberMemory();
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["ours_ms"] = oursTotal / n * 1e3;
    state.counters["floor_ms"] = floorTotal / n * 1e3;
    state.counters["ratio"] = oursTotal / floorTotal;
}

std::array<uchar, 256> ContrastTable() {
    std::array<uchar, 256> t{};
    for (int v = 0; v < 256; ++v)
        t[static_cast<size_t>(v)] = static_cast<uchar>(ClampToByte(v + (v - 127.5) * 0.3));
    return t;
}

void RowMajorTable(QImage& image, const std::array<uchar, 256>& t) {
    const auto bytes = static_cast<size_t>(image.width()) * 3;
    for (int y = 0; y < image.height(); ++y) {
        uchar* row = image.scanLine(y);
        for (size_t i = 0; i < bytes; ++i)
            row[i] = t[row[i]];
    }
}

void StripTable(QImage& image, const std::array<uchar, 256>& t, int strip) {
    uchar* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (int x0 = 0; x0 < image.width(); x0 += strip) {
        const auto count = static_cast<size_t>(3 * (std::min(image.width(), x0 + strip) - x0));
        for (int y = 0; y < image.height(); ++y) {
            uchar* p = bits + y * stride + 3 * x0;
            for (size_t i = 0; i < count; ++i)
                p[i] = t[p[i]];
        }
    }
}

// ---- tone passes

// Arg 0: contrast; 1: darken.
void Tone(benchmark::State& state) {
    TBitmap photo;
    photo.SetImage(SynthesisePhoto());
    QImage plain = SynthesisePhoto();
    const auto table = ContrastTable();
    Controls& w = Window();
    const bool contrast = state.range(0) == 0;
    w.darken.setChecked(true);
    Paired(
        state,
        [&] {
            if (contrast)
                EnhanceContrast(photo, w.strength, w.progress);
            else
                AdjustBrightness(photo, w.darken, w.progress);
        },
        [&] { RowMajorTable(plain, table); });
}

// What the strip walk alone costs against the row-major floor (the rest of
// a pass is the bar and the servicing).
void Floor_StripTable(benchmark::State& state) {
    QImage strips = SynthesisePhoto();
    QImage plain = SynthesisePhoto();
    const auto table = ContrastTable();
    const int strip = static_cast<int>(state.range(0));
    Paired(
        state, [&] { StripTable(strips, table, strip); }, [&] { RowMajorTable(plain, table); });
}

// One step of the bar and one round of message servicing per column.
void Floor_ProgressAndServicing(benchmark::State& state) {
    Controls& w = Window();
    for (auto _ : state) {
        w.progress.setRange(0, kWidth);
        for (int x = 0; x < kWidth; ++x) {
            w.progress.setValue(x);
            QCoreApplication::processEvents();
        }
        w.progress.setValue(0);
    }
}

// ---- quarter turns

// Plain 64 x 64 tiled transpose of 3-byte pixels into a buffer made before.
void TiledTranspose(const QImage& source, QImage& result) {
    const int w = source.width(), h = source.height();
    const uchar* src = source.constBits();
    const qsizetype stride = source.bytesPerLine();
    for (int i0 = 0; i0 < w; i0 += kTile)
        for (int j0 = 0; j0 < h; j0 += kTile)
            for (int i = i0; i < std::min(w, i0 + kTile); ++i) {
                uchar* d = result.scanLine(i) + 3 * j0;
                for (int j = j0; j < std::min(h, j0 + kTile); ++j, d += 3)
                    std::memcpy(d, src + (h - 1 - j) * stride + 3 * i, 3);
            }
}

long StatusKb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(std::strlen(key)));
    return -1;
}

// Resets the peak of the resident set to the present size (Linux 4.0+).
bool ResetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return static_cast<bool>(clear.flush());
}

// Arg 0: right; 1: left.
void Turn(benchmark::State& state) {
    TBitmap photo;
    photo.SetImage(SynthesisePhoto());
    const QImage plain = SynthesisePhoto();
    QImage plainResult(kHeight, kWidth, QImage::Format_RGB888);
    plainResult.fill(0);
    Controls& w = Window();
    const auto turn = state.range(0) == 0 ? RotateRight : RotateLeft;
    Paired(
        state, [&] { turn(photo, w.progress); }, [&] { TiledTranspose(plain, plainResult); });

    // What one turn holds at its peak beyond the photo it starts from.
    if (ResetPeak()) {
        const long before = StatusKb("VmRSS:");
        turn(photo, w.progress);
        const long peak = StatusKb("VmHWM:");
        state.counters["photo_MB"] = kWidth * kHeight * 3 / 1e6;
        state.counters["peak_extra_MB"] = static_cast<double>(peak - before) * 1024 / 1e6;
    }
}

} // namespace

BENCHMARK(Tone)->ArgName("darken")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(Floor_StripTable)
    ->Arg(1)
    ->Arg(64)
    ->Arg(256)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK(Floor_ProgressAndServicing)->Unit(benchmark::kMillisecond);
BENCHMARK(Turn)->ArgName("left")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    QApplication app(argc, argv);
    Controls window;
    g_window = &window;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
