// What users did inside real memory limits (cgroups), run through the
// window's own commands (OpenPhotoFile, the history's tone passes, turns and
// trimmings) under a control group of each limit that the memory guard reads
// through its file seam: the group's usage is this process's anonymous and
// shared resident memory, read afresh at every reading, which is what a real
// group charges it (the libraries' pages are mostly someone else's). Each
// sequence asserts that nothing which fits is refused and that the resident
// peak, libraries' pages included, stays under the limit.
//
//   bench_memory                     the table of sequences and limits
//   bench_memory --write-photos      writes the photos (scripts/cgroup_memory.sh)
//   bench_memory --list              the sequences' numbers, limits and names
//   bench_memory --sequence N        runs sequence N once on the real memory
//                                    readings, as inside a real control group
//   bench_memory --remove-photos
#include "BenchSupport.h"
#include "CompositionState.h"
#include "EditHistory.h"
#include "ImageAllocation.h"
#include "JpegFixtures.h"
#include "OpenPhoto.h"
#include "PhotoMemory.h"
#include "Rotation.h"
#include "Settings.h"
#include "SynthesisedPhoto.h"
#include "TApplication.h"
#include "TBitmap.h"
#include "TForm1.h"
#include "TImage.h"
#include "TSelShape.h"
#include "Trimming.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint64_t MiB = std::uint64_t{1} << 20;
// Resident memory moves by a few megabytes that no photo accounts for.
constexpr std::uint64_t kMargin = 8 * MiB;

struct Photo {
    const char* name;
    int width;
    int height;
};

const Photo kPhotos[] = {
    {"48 Mpx", 8000, 6000},
    {"another 48 Mpx", 8000, 6000},
    {"24 Mpx", 6000, 4000},
    {"8.6 Mpx", 3600, 2400},
};

// Steps: a digit opens that photo; B, C, D a tone pass (brighten, contrast,
// darken); R, L a turn; F the frame over the whole view; T a trimming.
struct Sequence {
    const char* name;
    std::string steps;
    std::vector<int> limitsMiB;
};

const Sequence kSequences[] = {
    {"48 Mpx, 8.6 Mpx, brighten x 20", "03" + std::string(20, 'B'), {500, 256}},
    {"48 Mpx, 24 Mpx, R, B, B, C, L", "02RBBCL", {400, 460, 256}},
    {"48 Mpx, C, C, same-size photo", "0CC1", {620, 460}},
    {"48 Mpx, whole frame, T, C, T, R", "0FTCTR", {460, 256}},
};

QString TempFolder() {
    const QString shm = QStringLiteral("/dev/shm");
    return QFileInfo(shm).isDir() && QFileInfo(shm).isWritable() ? shm : QDir::tempPath();
}

QString PhotoPath(int index) { return TempFolder() + QStringLiteral("/bench_memory_%1.jpg").arg(index); }

bool WritePhotos() {
    for (int i = 0; i < static_cast<int>(std::size(kPhotos)); ++i) {
        QFile file(PhotoPath(i));
        if (file.exists())
            continue;
        const QByteArray bytes = MakeJpeg(SynthesisePhoto(kPhotos[i].width, kPhotos[i].height));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            return false;
        }
    }
    return true;
}

void RemovePhotos() {
    for (int i = 0; i < static_cast<int>(std::size(kPhotos)); ++i)
        QFile::remove(PhotoPath(i));
}

std::uint64_t StatusBytes(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == key) {
            std::uint64_t kib = 0;
            status >> kib;
            return kib * 1024;
        }
    return 0;
}

std::uint64_t Resident() {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

// What a control group charges the process for: its own pages.
std::uint64_t Charged() { return StatusBytes("RssAnon:") + StatusBytes("RssShmem:"); }

void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// A control group of `limit` bytes that this process alone fills: the guard
// reads its files through the seam, the machine's own /proc/meminfo besides.
void FakeGroup(std::uint64_t limit) {
    SetMemoryFileReader([limit](const QString& path) -> std::optional<QByteArray> {
        const auto number = [](std::uint64_t v) { return QByteArray::number(static_cast<qulonglong>(v)); };
        if (path == QStringLiteral("/proc/meminfo")) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? std::optional(file.readAll()) : std::nullopt;
        }
        if (path == QStringLiteral("/proc/self/cgroup"))
            return QByteArray("0::/bench\n");
        if (path == QStringLiteral("/sys/fs/cgroup/cgroup.controllers"))
            return QByteArray("memory");
        if (path == QStringLiteral("/sys/fs/cgroup/bench/memory.max"))
            return number(limit);
        if (path == QStringLiteral("/sys/fs/cgroup/bench/memory.current"))
            return number(Charged());
        return std::nullopt;
    });
}

struct Outcome {
    int refused = 0;
    int refusedFitting = 0; // refused although it fitted once the copies and the kept block were given up
    std::uint64_t start = 0; // resident memory with the window alone
    std::uint64_t peak = 0;
    std::uint64_t keptMost = 0;
    std::string log;
    QStringList refusals; // the messages, as the user reads them
};

// Runs the sequence in a fresh window with a history of its own; `limit` 0
// leaves the guard on the machine's real readings.
Outcome Run(const Sequence& sequence, std::uint64_t limit) {
    Outcome outcome;
    QStringList reports;
    TApplication::SetErrorReporter([&](const QString&, const QString& text) { reports.append(text); });
    {
        auto form = std::make_unique<TForm1>();
        form->show();
        TEditHistory history;
        const TWindowControls c = form->Controls();
        if (limit > 0)
            FakeGroup(limit);
        ResetPeak();
        outcome.start = Resident();
        for (const char step : sequence.steps) {
            // What the memory would hold for this step once the copies and the
            // kept block were given up (all of them are resident).
            const std::uint64_t held = Charged() - history.KeptPhotoBytes() - SpareImageBytes();
            const std::uint64_t usable = limit > held + MemoryReserve ? limit - held - MemoryReserve : 0;
            std::uint64_t need = 0;
            bool refused = false;
            reports.clear();
            try {
                if (step >= '0' && step <= '9') {
                    const Photo& photo = kPhotos[step - '0'];
                    need = PhotoBytesNeeded(static_cast<std::int64_t>(photo.width) * photo.height, 3, 3);
                    OpenPhotoFile(c, {Settings.LastOpenFolder, SaveSettings}, PhotoPath(step - '0'));
                } else if (step == 'B' || step == 'D') {
                    history.TonePass(c, [&](TBitmap& p) {
                        form->CheckBox1->setChecked(step == 'D');
                        form->AdjustBrightness(p);
                    });
                } else if (step == 'C') {
                    history.TonePass(c, [&](TBitmap& p) { form->EnhanceContrast(p); });
                } else if (step == 'R' || step == 'L') {
                    need = TurnBytes(*Composition.WorkBitmap);
                    history.Turn(c, step == 'R' ? TTurnDirection::Right : TTurnDirection::Left);
                } else if (step == 'F') {
                    form->SelShape1->setGeometry(0, 0, form->Image2->width(), form->Image2->height());
                } else if (step == 'T') {
                    need = TrimmingBytes(c);
                    history.Trim(c);
                }
            } catch (const EPhotoMemory& error) {
                reports.append(QString::fromStdString(error.what()));
            }
            refused = !reports.isEmpty();
            outcome.keptMost = std::max(outcome.keptMost, history.KeptPhotoBytes());
            outcome.log += step;
            if (refused) {
                ++outcome.refused;
                outcome.refusals.append(reports.join(' '));
                outcome.log += '!';
                if (limit > 0 && need + kMargin <= usable) {
                    ++outcome.refusedFitting;
                    std::fprintf(stderr, "%s, %d MiB: step %c refused although %llu MiB of %llu MiB fit: %s\n",
                                 sequence.name, static_cast<int>(limit / MiB), step,
                                 static_cast<unsigned long long>(need / MiB),
                                 static_cast<unsigned long long>(usable / MiB), qPrintable(reports.join(' ')));
                }
            }
        }
        outcome.peak = StatusBytes("VmHWM:");
        SetMemoryFileReader(nullptr);
    }
    TApplication::SetErrorReporter(nullptr);
    // The next sequence starts from the window alone.
    Composition.WorkBitmap = std::make_unique<TBitmap>();
    ReleaseSpareImage();
    malloc_trim(0);
    return outcome;
}

bool failed = false;

void Memory_Sequence(benchmark::State& state) {
    const Sequence& sequence = kSequences[state.range(0)];
    const auto limit = static_cast<std::uint64_t>(state.range(1)) * MiB;
    state.SetLabel(sequence.name);
    Outcome outcome;
    for (auto _ : state)
        outcome = Run(sequence, limit);
    state.counters["limit_MiB"] = static_cast<double>(limit / MiB);
    state.counters["peak_MiB"] = static_cast<double>(outcome.peak) / MiB;
    state.counters["kept_MiB"] = static_cast<double>(outcome.keptMost) / MiB;
    state.counters["refused"] = outcome.refused;
    std::printf("  %-34s %4d MiB: %-26s start %3.0f MiB, peak %4.0f MiB, copies at most %4.0f MiB, refused %d\n",
                sequence.name, static_cast<int>(limit / MiB), outcome.log.c_str(),
                static_cast<double>(outcome.start) / MiB, static_cast<double>(outcome.peak) / MiB,
                static_cast<double>(outcome.keptMost) / MiB, outcome.refused);
    for (const QString& refusal : outcome.refusals)
        std::printf("      %s\n", qPrintable(refusal));
    if (outcome.refusedFitting > 0 || outcome.peak >= limit) {
        failed = true;
        state.SkipWithError(outcome.peak >= limit ? "the resident peak reached the limit"
                                                  : "a step that fitted was refused");
    }
}

void Register() {
    for (int i = 0; i < static_cast<int>(std::size(kSequences)); ++i)
        for (const int limit : kSequences[i].limitsMiB)
            benchmark::RegisterBenchmark("Memory_Sequence", Memory_Sequence)
                ->Args({i, limit})
                ->Iterations(1)
                ->Unit(benchmark::kMillisecond);
}

// One sequence on the real readings, for a run inside a real control group;
// prints the steps (! refused) and the resident peak.
int RunOnce(int index) {
    if (index < 0 || index >= static_cast<int>(std::size(kSequences)))
        return 2;
    const Outcome outcome = Run(kSequences[index], 0);
    std::printf("%s: %s, start %.0f MiB, peak %.0f MiB, refused %d\n", kSequences[index].name,
                outcome.log.c_str(), static_cast<double>(outcome.start) / MiB,
                static_cast<double>(outcome.peak) / MiB, outcome.refused);
    for (const QString& refusal : outcome.refusals)
        std::printf("  %s\n", qPrintable(refusal));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    if (argc == 2 && std::strcmp(argv[1], "--write-photos") == 0)
        return WritePhotos() ? 0 : 1;
    if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
        for (int i = 0; i < static_cast<int>(std::size(kSequences)); ++i)
            for (const int limit : kSequences[i].limitsMiB)
                std::printf("%d %d %s\n", i, limit, kSequences[i].name);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--remove-photos") == 0) {
        RemovePhotos();
        return 0;
    }
    TApplication app(argv[0]);
    app.SetTitle(QStringLiteral("Tolvane"));
    SetSettingsFileName(TempFolder() + QStringLiteral("/bench_memory.settings"));
    if (argc == 3 && std::strcmp(argv[1], "--sequence") == 0)
        return RunOnce(std::atoi(argv[2]));
    benchmark::Initialize(&argc, argv);
    if (!WritePhotos())
        return 1;
    Register();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    RemovePhotos();
    QFile::remove(SettingsFileName());
    if (failed)
        std::printf("FAILED: a sequence refused what fitted or reached its limit\n");
    return failed ? 1 : 0;
}
