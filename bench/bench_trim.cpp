// Trimming a 70 % frame of a 24-megapixel photo into each kind of cell, and
// saving the output picture, each beside plain code doing the same work on the
// same data in the same run.
#include "BenchSupport.h"
#include "CompositionState.h"
#include "JpegFixtures.h"
#include "Rounding.h"
#include "SavePhoto.h"
#include "Settings.h"
#include "SynthesisedPhoto.h"
#include "TApplication.h"
#include "TBitmap.h"
#include "TFileDialog.h"
#include "TForm1.h"
#include "TImage.h"
#include "TSelShape.h"
#include "Trimming.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
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
constexpr int kViewWidth = 602;
constexpr int kViewHeight = 403;
// The frame in view coordinates: 70 % of the photo, 4197 x 3150 photo pixels.
constexpr int kFrameLeft = 90, kFrameTop = 40, kFrameWidth = 422, kFrameHeight = 317;

const QImage& PhotoPixels() {
    static const QImage image = SynthesisePhoto(kPhotoWidth, kPhotoHeight);
    return image;
}

TForm1& Form() {
    static TForm1* form = [] {
        SetSettingsFileName(QDir::tempPath() + QStringLiteral("/bench_trim.settings"));
        auto* f = new TForm1;
        f->show(); // so that progress steps paint as they do on screen
        Composition.WorkBitmap = std::make_unique<TBitmap>();
        Composition.WorkBitmap->SetImage(PhotoPixels()); // a decoded colour photo is 24-bit
        f->Panel2->resize(kViewWidth, kViewHeight);
        f->Image2->resize(kViewWidth, kViewHeight);
        f->SelShape1->SetLeft(kFrameLeft);
        f->SelShape1->SetTop(kFrameTop);
        f->SelShape1->SetWidth(kFrameWidth);
        f->SelShape1->SetHeight(kFrameHeight);
        return f;
    }();
    return *form;
}

void Trim_Cell(benchmark::State& state) {
    TForm1& form = Form();
    Composition.LayoutKind = static_cast<int>(state.range(0));
    Composition.CurrentCell = static_cast<int>(state.range(1));
    form.ProgressBar1->setVisible(state.range(2) != 0);
    for (auto _ : state)
        Trim(form.Controls());
    form.ProgressBar1->setVisible(true);
}

// The same crop copied out of the photo's rows into a display-format buffer,
// then sampled to the cell by nearest neighbour with a column table.
void Trim_Floor(benchmark::State& state) {
    const QImage& photo = PhotoPixels();
    const TCellRect cell = CellEntry(static_cast<int>(state.range(1))).Output;
    const long double scale = static_cast<double>(static_cast<long double>(kPhotoWidth) / kViewWidth);
    const int x1 = Round(kFrameLeft * scale), x2 = Round((kFrameLeft + kFrameWidth - 1) * scale);
    const int y1 = Round(kFrameTop * scale), y2 = Round((kFrameTop + kFrameHeight - 1) * scale);
    const int cw = x2 - x1 + 1, ch = y2 - y1 + 1;
    const int dw = cell.Columns(), dh = cell.Rows();
    QImage output(600, 450, QImage::Format_RGB888);
    std::vector<int> columns(static_cast<size_t>(dw));
    // Fresh memory costs a page fault a page, which on some machines (virtual
    // ones) outweighs the copy itself: the floor reuses its crop buffer unless
    // asked for a fresh one, as a temporary bitmap gets.
    const bool fresh = state.range(2) != 0;
    QImage reused(cw, ch, QImage::Format_RGB32);
    reused.fill(0);
    for (auto _ : state) {
        QImage made;
        if (fresh)
            made = QImage(cw, ch, QImage::Format_RGB32);
        QImage& crop = fresh ? made : reused;
        for (int y = 0; y < ch; ++y) {
            const uchar* src = photo.constScanLine(y1 + y) + 3 * x1;
            auto* dst = reinterpret_cast<QRgb*>(crop.scanLine(y));
            for (int x = 0; x < cw; ++x)
                dst[x] = qRgb(src[3 * x], src[3 * x + 1], src[3 * x + 2]);
        }
        for (int x = 0; x < dw; ++x)
            columns[static_cast<size_t>(x)] = (2 * x + 1) * cw / (2 * dw);
        for (int y = 0; y < dh; ++y) {
            const auto* src = reinterpret_cast<const QRgb*>(crop.constScanLine((2 * y + 1) * ch / (2 * dh)));
            uchar* dst = output.scanLine(cell.Top + y) + 3 * cell.Left;
            for (int x = 0; x < dw; ++x) {
                const QRgb p = src[columns[static_cast<size_t>(x)]];
                dst[3 * x] = static_cast<uchar>(qRed(p));
                dst[3 * x + 1] = static_cast<uchar>(qGreen(p));
                dst[3 * x + 2] = static_cast<uchar>(qBlue(p));
            }
        }
        benchmark::DoNotOptimize(output.constBits());
        benchmark::ClobberMemory();
    }
}

// One progress step a crop row on the shown bar, alone.
void Progress_Steps(benchmark::State& state) {
    QProgressBar& bar = *Form().ProgressBar1;
    for (auto _ : state) {
        bar.setMaximum(3150);
        bar.setMinimum(0);
        bar.setValue(0);
        for (int i = 0; i < 3150; ++i)
            bar.setValue(i);
        bar.setValue(0);
    }
}

// ---- saving the output picture

QString OutputPath() {
    const QString shm = QStringLiteral("/dev/shm");
    const QString dir = QFileInfo(shm).isDir() && QFileInfo(shm).isWritable() ? shm : QDir::tempPath();
    return dir + QStringLiteral("/bench_trim_output.jpg");
}

const QImage& OutputPixels() {
    static const QImage image = SynthesisePhoto(600, 450);
    return image;
}

void Save_Photo(benchmark::State& state) {
    TForm1& form = Form();
    form.Image1->PictureBitmap()->SetImage(OutputPixels());
    const QString path = OutputPath();
    TFileDialog::SetAnswerer([&](const TFileDialog&) -> std::optional<QString> { return path; });
    QByteArray folder;
    for (auto _ : state)
        SavePhoto(form.Controls(), {folder, [] {}});
    TFileDialog::SetAnswerer(nullptr);
    QFile::remove(path);
}

void Save_Floor(benchmark::State& state) {
    const QImage& rgb = OutputPixels();
    for (auto _ : state)
        benchmark::DoNotOptimize(MakeJpeg(rgb, {.quality = 90}));
}

// Prints each figure against its floor after the run (CPU time: the machine
// is shared).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                ms_[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-26s %12s %12s %7s %7s\n", "figure", "ours", "floor", "ratio", "target");
        for (const auto& [name, ms] : ms_) {
            char floor[64];
            const char* target = "<= 3.0";
            int layout = 0, cell = 0, shown = 0;
            if (std::sscanf(name.c_str(), "Trim_Cell/%d/%d/%d", &layout, &cell, &shown) == 3) {
                std::snprintf(floor, sizeof floor, "Trim_Floor/%d/%d/0", layout, cell);
                if (!shown)
                    target = "-";
            } else if (name.rfind("Save_Photo", 0) == 0) {
                std::snprintf(floor, sizeof floor, "Save_Floor");
                target = "<= 1.5";
            } else {
                continue;
            }
            const auto found = ms_.find(floor);
            if (found != ms_.end() && found->second > 0)
                std::printf("%-26s %9.3f ms %9.3f ms %7.2f %7s\n", name.c_str(), ms, found->second,
                            ms / found->second, target);
        }
    }

private:
    std::map<std::string, double> ms_;
};

} // namespace

// Layout, cell, progress bar shown (1) or hidden (0): one cell of each size.
BENCHMARK(Trim_Cell)
    ->Args({0, 1, 1})->Args({1, 2, 1})->Args({2, 4, 1})->Args({3, 6, 1})
    ->Args({4, 9, 1})->Args({5, 12, 1})->Args({5, 13, 1})->Args({6, 15, 1})
    ->Args({0, 1, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Trim_Floor)
    ->Args({0, 1, 0})->Args({1, 2, 0})->Args({2, 4, 0})->Args({3, 6, 0})
    ->Args({4, 9, 0})->Args({5, 12, 0})->Args({5, 13, 0})->Args({6, 15, 0})
    ->Args({0, 1, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Progress_Steps)->Unit(benchmark::kMillisecond);
BENCHMARK(Save_Photo)->Unit(benchmark::kMillisecond);
BENCHMARK(Save_Floor)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    TApplication app(argv[0]);
    app.SetTitle(QStringLiteral("Tolvane"));
    benchmark::Initialize(&argc, argv);
    Form(); // built once, outside every timing
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
