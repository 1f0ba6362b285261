// Opening photos through the whole road of the open command (read, header,
// folder remembered and written, memory check, decode, panel sizing, fitting,
// input view, frame placement), each beside libjpeg's bare decode of the same
// file into a strip of rows, as djpeg decodes, in the same run: a smooth and a
// noisy photo at 24 and 200 megapixels. Then a quarter turn of the
// 200-megapixel photo beside a plain tiled transpose, the peak memory of
// opening and turning it, and the time and memory of opening hostile files.
#include "BenchSupport.h"
#include "CompositionState.h"
#include "HostileJpeg.h"
#include "ImageAllocation.h"
#include "JpegFixtures.h"
#include "OpenPhoto.h"
#include "Rotation.h"
#include "Settings.h"
#include "TApplication.h"
#include "TBitmap.h"
#include "TForm1.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <jpeglib.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Photo {
    const char* name;
    int width;
    int height;
    bool noisy;
};

// 24 megapixels as cameras write them, 200 as the largest phone sensors do.
const Photo kPhotos[] = {
    {"smooth 24 Mpx", 6000, 4000, false},
    {"noisy 24 Mpx", 6000, 4000, true},
    {"smooth 200 Mpx", 16320, 12240, false},
    {"noisy 200 Mpx", 16320, 12240, true},
};

QString TempFolder() {
    const QString shm = QStringLiteral("/dev/shm");
    return QFileInfo(shm).isDir() && QFileInfo(shm).isWritable() ? shm : QDir::tempPath();
}

QString PhotoPath(int index) { return TempFolder() + QStringLiteral("/bench_open_%1.jpg").arg(index); }

// Smooth: slow waves, like sky and walls, where the entropy decoding is cheap
// and the work around it shows. Noisy: fine grain everywhere.
QImage MakePicture(const Photo& p) {
    QImage image(p.width, p.height, QImage::Format_RGB888);
    for (int y = 0; y < p.height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < p.width; ++x, row += 3) {
            const unsigned h = static_cast<unsigned>(x) * 2654435761u ^ static_cast<unsigned>(y) * 40503u;
            const int grain = p.noisy ? static_cast<int>(h >> 26) - 32 : 0;
            row[0] = static_cast<uchar>(std::clamp(120 + static_cast<int>(80 * std::sin(x / 900.0 + y / 2100.0)) + grain, 0, 255));
            row[1] = static_cast<uchar>(std::clamp(100 + static_cast<int>(60 * std::cos(y / 1300.0)) + grain, 0, 255));
            row[2] = static_cast<uchar>(std::clamp(90 + static_cast<int>(50 * std::sin((x + y) / 2600.0)) + grain, 0, 255));
        }
    }
    return image;
}

void WritePhotos() {
    for (int i = 0; i < static_cast<int>(std::size(kPhotos)); ++i) {
        QFile file(PhotoPath(i));
        if (file.exists())
            continue;
        const QByteArray bytes = MakeJpeg(MakePicture(kPhotos[i]), {.quality = 90});
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
    }
}

TForm1& Form() {
    static TForm1* form = [] {
        SetSettingsFileName(TempFolder() + QStringLiteral("/bench_open.settings"));
        auto* f = new TForm1;
        f->show();
        return f;
    }();
    return *form;
}

bool Open(const QString& path) {
    TForm1& form = Form();
    return OpenPhotoFile(form.Controls(), {Settings.LastOpenFolder, SaveSettings}, path);
}

void Open_Photo(benchmark::State& state) {
    const auto index = static_cast<int>(state.range(0));
    state.SetLabel(kPhotos[index].name);
    // The earlier photo is let go first, as a user's next photo replaces a
    // photo of its own size; one opening before the timing, since a user's
    // first photo of a size finds no memory to reuse (reported apart).
    Open(PhotoPath(index));
    for (auto _ : state) {
        state.PauseTiming();
        Composition.WorkBitmap = std::make_unique<TBitmap>();
        state.ResumeTiming();
        if (!Open(PhotoPath(index)))
            state.SkipWithError("the photo did not open");
    }
}

// The file read into memory and decoded with the same settings (RGB, accurate
// transform, block smoothing, fancy upsampling) into a strip of 16 rows that
// is overwritten batch after batch, as djpeg does before it writes them out.
void Open_Floor(benchmark::State& state) {
    const auto index = static_cast<int>(state.range(0));
    state.SetLabel(kPhotos[index].name);
    for (auto _ : state) {
        QFile file(PhotoPath(index));
        if (!file.open(QIODevice::ReadOnly)) {
            state.SkipWithError("cannot read the photo");
            return;
        }
        benchmark::DoNotOptimize(BareDecodeStrip(file.readAll()));
    }
}

constexpr int kBigPhoto = 2; // smooth 200 Mpx

void Turn_Photo(benchmark::State& state) {
    if (Composition.WorkBitmap->Width() != kPhotos[kBigPhoto].width &&
        Composition.WorkBitmap->Height() != kPhotos[kBigPhoto].width)
        Open(PhotoPath(kBigPhoto));
    QProgressBar& bar = *Form().ProgressBar1;
    for (auto _ : state)
        RotateRight(*Composition.WorkBitmap, bar);
}

// A plain 64 x 64 tiled transpose of the same pixels into a buffer made and
// touched before the timing.
void Turn_Floor(benchmark::State& state) {
    const int w = kPhotos[kBigPhoto].width;
    const int h = kPhotos[kBigPhoto].height;
    std::vector<uchar> source(static_cast<size_t>(w) * h * 3, 1);
    std::vector<uchar> result(source.size(), 0);
    for (auto _ : state) {
        for (int i0 = 0; i0 < w; i0 += 64)
            for (int j0 = 0; j0 < h; j0 += 64)
                for (int i = i0; i < std::min(w, i0 + 64); ++i) {
                    uchar* d = result.data() + (static_cast<size_t>(i) * h + j0) * 3;
                    for (int j = j0; j < std::min(h, j0 + 64); ++j, d += 3)
                        std::memcpy(d, source.data() + (static_cast<size_t>(h - 1 - j) * w + i) * 3, 3);
                }
        benchmark::DoNotOptimize(result[7]);
    }
}

void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Peak memory of opening the 200-megapixel photo and turning it, against the
// photo's own 24-bit pixels.
// Measured from a start that holds no photo memory at all, so the first
// opening and turn of the session, with their fresh memory, are timed too.
void ReportOpenAndTurnPeak() {
    Composition.WorkBitmap = std::make_unique<TBitmap>();
    ReleaseSpareImage();
    const long before = StatusKiB("VmRSS:");
    ResetPeak();
    QElapsedTimer timer;
    timer.start();
    Open(PhotoPath(kBigPhoto));
    const qint64 opening = timer.restart();
    RotateRight(*Composition.WorkBitmap, *Form().ProgressBar1);
    const qint64 turning = timer.elapsed();
    const double peak = static_cast<double>(StatusKiB("VmHWM:") - before) * 1024;
    const double pixels = 3.0 * kPhotos[kBigPhoto].width * kPhotos[kBigPhoto].height;
    std::printf("first opening of the %s photo %lld ms, its first turn %lld ms (fresh memory, wall time)\n",
                kPhotos[kBigPhoto].name, static_cast<long long>(opening), static_cast<long long>(turning));
    std::printf("open + turn: peak %.0f MB above the start, %.2f x its 24-bit pixels (target <= 2.2)\n",
                peak / 1e6, peak / pixels);
}

QByteArray Tiny(bool progressive) {
    QImage image = MakePicture({"tiny", 16, 16, true});
    return MakeJpeg(image, {.quality = 90, .progressive = progressive});
}

struct HostileFile {
    const char* name;
    QByteArray bytes;
};

std::vector<HostileFile> HostileFiles() {
    const QByteArray camera = MakeJpeg(MakePicture(kPhotos[1]), {.quality = 90});
    const QByteArray smooth = MakeJpeg(MakePicture(kPhotos[0]), {.quality = 90, .progressive = true});
    const QByteArray progressive = MakeJpeg(MakePicture(kPhotos[1]), {.quality = 90, .progressive = true});
    return {
        {"progressive, declares 22000 x 22000", WithDeclaredSize(Tiny(true), 22000, 22000)},
        {"progressive, declares 14000 x 14000", WithDeclaredSize(Tiny(true), 14000, 14000)},
        {"progressive, declares 16320 x 12240", WithDeclaredSize(Tiny(true), 16320, 12240)},
        {"baseline, declares 22000 x 22000", WithDeclaredSize(Tiny(false), 22000, 22000)},
        {"baseline, declares 16320 x 12240", WithDeclaredSize(Tiny(false), 16320, 12240)},
        {"baseline, declares 65500 x 65500", WithDeclaredSize(Tiny(false), 65500, 65500)},
        {"6000 x 4000 progressive, last scan 1000 times", RepeatLastScan(smooth, CountScans(smooth) + 1000)},
        {"6000 x 4000 baseline cut at 5 %", camera.left(camera.size() / 20)},
        {"6000 x 4000 baseline cut at 50 %", camera.left(camera.size() / 2)},
        {"6000 x 4000 progressive cut at 1 %", progressive.left(progressive.size() / 100)},
        {"6000 x 4000 progressive cut at 10 %", progressive.left(progressive.size() / 10)},
        {"6000 x 4000 baseline declares 16000 x 12000", WithDeclaredSize(camera, 16000, 12000)},
    };
}

QString HostilePath(int index) { return TempFolder() + QStringLiteral("/bench_open_hostile_%1.jpg").arg(index); }

// In a process of its own (the parent's memory would hide the figure): opens
// one file as a user's click would and prints the time until the window
// answers again, the peak resident memory of the process and the outcome.
int OpenHostileFile(const QString& path) {
    Form();
    const long start = StatusKiB("VmHWM:");
    QElapsedTimer timer;
    timer.start();
    const bool opened = Open(path);
    const qint64 busy = timer.elapsed();
    std::printf("%lld %ld %ld %s\n", static_cast<long long>(busy), start / 1024, StatusKiB("VmHWM:") / 1024,
                opened ? "opened" : "refused");
    QFile::remove(SettingsFileName());
    return 0;
}

void ReportHostileFiles(const char* program) {
    const std::vector<HostileFile> files = HostileFiles();
    std::printf("\n%-46s %10s %8s %14s %s\n", "hostile file", "bytes", "busy ms", "peak MiB", "outcome");
    for (int i = 0; i < static_cast<int>(files.size()); ++i) {
        QFile out(HostilePath(i));
        if (!out.open(QIODevice::WriteOnly) || out.write(files[i].bytes) != files[i].bytes.size())
            continue;
        out.close();
        QProcess child;
        child.start(QString::fromLocal8Bit(program), {QStringLiteral("--open-hostile"), HostilePath(i)});
        child.waitForFinished(120000);
        const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
        if (figures.size() == 4)
            std::printf("%-46s %10lld %8s %5s (start %4s) %s\n", files[i].name,
                        static_cast<long long>(files[i].bytes.size()), figures[0].constData(), figures[2].constData(),
                        figures[1].constData(), figures[3].constData());
        QFile::remove(HostilePath(i));
    }
    std::printf("(targets: busy <= 1000 ms, peak < 512 MiB)\n");
}

// Prints each road against its floor after the run (CPU time: the machine is
// shared and wall time swings with the load).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n");
        for (int i = 0; i < static_cast<int>(std::size(kPhotos)); ++i)
            Ratio(QStringLiteral("open %1").arg(QLatin1String(kPhotos[i].name)),
                  QStringLiteral("Open_Photo/%1").arg(i), QStringLiteral("Open_Floor/%1").arg(i), 1.3);
        Ratio(QStringLiteral("quarter turn, smooth 200 Mpx"), QStringLiteral("Turn_Photo"), QStringLiteral("Turn_Floor"),
              2.0);
    }

private:
    void Ratio(const QString& what, const QString& ours, const QString& floor, double target) {
        const auto o = times_.find(ours.toStdString() + "/real_time");
        const auto f = times_.find(floor.toStdString() + "/real_time");
        const double a = o != times_.end() ? o->second : Find(ours);
        const double b = f != times_.end() ? f->second : Find(floor);
        if (a > 0 && b > 0)
            std::printf("%-32s %8.1f ms, floor %8.1f ms, ratio %.2f (target <= %.1f)\n", qPrintable(what), a, b,
                        a / b, target);
    }
    double Find(const QString& name) const {
        const auto it = times_.find(name.toStdString());
        return it != times_.end() ? it->second : 0;
    }

    std::map<std::string, double> times_;
};

} // namespace

BENCHMARK(Open_Photo)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(Open_Floor)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(Turn_Photo)->Unit(benchmark::kMillisecond);
BENCHMARK(Turn_Floor)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    TApplication app(argv[0]);
    app.SetTitle(QStringLiteral("Tolvane"));
    if (argc == 3 && std::strcmp(argv[1], "--open-hostile") == 0)
        return OpenHostileFile(QString::fromLocal8Bit(argv[2]));
    benchmark::Initialize(&argc, argv);
    WritePhotos(); // made once, outside every timing
    Form();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    ReportOpenAndTurnPeak();
    ReportHostileFiles(argv[0]);
    benchmark::Shutdown();
    for (int i = 0; i < static_cast<int>(std::size(kPhotos)); ++i)
        QFile::remove(PhotoPath(i));
    QFile::remove(SettingsFileName());
    return 0;
}
