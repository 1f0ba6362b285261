// Opening a 24-megapixel photo through the whole road of the open command
// (read, header, folder remembered and written, memory check, decode, panel
// sizing, fitting, input view, frame placement) beside libjpeg's bare decode
// of the same file in the same run.
#include "CompositionState.h"
#include "OpenPhoto.h"
#include "Settings.h"
#include "TApplication.h"
#include "TBitmap.h"
#include "TForm1.h"
#include "TJPEGImage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <jpeglib.h>
#include <memory>

namespace {

constexpr int kPhotoWidth = 6000;
constexpr int kPhotoHeight = 4000;

QString TempFolder() {
    const QString shm = QStringLiteral("/dev/shm");
    return QFileInfo(shm).isDir() && QFileInfo(shm).isWritable() ? shm : QDir::tempPath();
}

QString PhotoPath() { return TempFolder() + QStringLiteral("/bench_open_photo.jpg"); }

// Waves across the frame with fine grain, so that the coded size is like a
// camera's at quality 90; written once with the program's own encoder.
void WritePhoto() {
    QImage image(kPhotoWidth, kPhotoHeight, QImage::Format_RGB888);
    for (int y = 0; y < kPhotoHeight; ++y) {
        uchar* p = image.scanLine(y);
        for (int x = 0; x < kPhotoWidth; ++x, p += 3) {
            const unsigned grain = (static_cast<unsigned>(x) * 2654435761u ^ static_cast<unsigned>(y) * 40503u) >> 28;
            p[0] = static_cast<uchar>(120 + 80 * std::sin(x / 150.0 + y / 410.0) + grain);
            p[1] = static_cast<uchar>(100 + 60 * std::cos(y / 230.0) + grain);
            p[2] = static_cast<uchar>(90 + 50 * std::sin((x + y) / 520.0) + 2 * grain);
        }
    }
    TBitmap bitmap;
    bitmap.SetImage(std::move(image));
    TJPEGImage jpeg;
    jpeg.Assign(bitmap);
    jpeg.SaveToFile(PhotoPath());
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

void Open_Photo(benchmark::State& state) {
    TForm1& form = Form();
    const QString path = PhotoPath();
    for (auto _ : state)
        OpenPhotoFile(form.Controls(), {Settings.LastOpenFolder, SaveSettings}, path);
    if (Composition.WorkBitmap->Width() != kPhotoWidth)
        state.SkipWithError("the photo did not open");
}

// The file read into memory and decoded with the same settings (RGB, accurate
// transform, block smoothing, fancy upsampling) into a fresh plain buffer.
void Open_Floor(benchmark::State& state) {
    const QString path = PhotoPath();
    for (auto _ : state) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            state.SkipWithError("cannot read the photo");
            return;
        }
        const QByteArray bytes = file.readAll();
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()),
                     static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_RGB;
        cinfo.do_block_smoothing = TRUE;
        cinfo.dct_method = JDCT_ISLOW;
        jpeg_start_decompress(&cinfo);
        const size_t stride = static_cast<size_t>(cinfo.output_width) * 3;
        std::unique_ptr<uchar[]> pixels(new uchar[stride * cinfo.output_height]);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW rows[16];
            const JDIMENSION count = std::min<JDIMENSION>(16, cinfo.output_height - cinfo.output_scanline);
            for (JDIMENSION i = 0; i < count; ++i)
                rows[i] = pixels.get() + stride * (cinfo.output_scanline + i);
            jpeg_read_scanlines(&cinfo, rows, count);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(pixels[3]);
    }
}

// Prints the road against its floor after the run (CPU time: the machine is
// shared and wall time swings with the load).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                (run.benchmark_name().rfind("Open_Photo", 0) == 0 ? ours_ : floor_) = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        if (ours_ > 0 && floor_ > 0)
            std::printf("\nopen 24 Mpx photo: %.1f ms, bare decode %.1f ms, ratio %.2f (target <= 1.2)\n", ours_,
                        floor_, ours_ / floor_);
    }

private:
    double ours_ = 0;
    double floor_ = 0;
};

} // namespace

BENCHMARK(Open_Photo)->Unit(benchmark::kMillisecond);
BENCHMARK(Open_Floor)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    TApplication app(argv[0]);
    app.SetTitle(QStringLiteral("Tolvane"));
    benchmark::Initialize(&argc, argv);
    WritePhoto(); // made once, outside every timing
    Form();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    QFile::remove(PhotoPath());
    QFile::remove(SettingsFileName());
    return 0;
}
