#include "ImageAllocation.h"
#include "OpenTestSupport.h"
#include "SharedData.h"
#include "TApplication.h"
#include "TestFileBytes.h"

#include <QProgressBar>
#include <map>
#include <unistd.h>

namespace {

constexpr std::uint64_t KiB = 1ull << 10;
constexpr std::uint64_t MiB = 1ull << 20;
constexpr std::uint64_t GiB = 1ull << 30;

// A memory reading under which photos of up to `pixels` pixels open.
std::uint64_t MemoryFor(std::int64_t pixels) {
    return MemoryReserve + static_cast<std::uint64_t>(pixels) * PhotoBytesPerPixel;
}

QByteArray Number(std::uint64_t value) { return QByteArray::number(static_cast<qulonglong>(value)); }

QByteArray MemInfo(std::uint64_t availableKiB) {
    return "MemTotal:       24000000 kB\nMemFree:        1000 kB\nMemAvailable:   " + Number(availableKiB) +
           " kB\nBuffers:        100 kB\n";
}

// A machine's memory files as a table of path -> contents.
class FakeMemoryFiles {
public:
    explicit FakeMemoryFiles(std::map<QString, QByteArray> files) : files_(std::move(files)) {
        SetMemoryFileReader([this](const QString& path) -> std::optional<QByteArray> {
            const auto it = files_.find(path);
            if (it == files_.end())
                return std::nullopt;
            return it->second;
        });
    }
    ~FakeMemoryFiles() { SetMemoryFileReader(nullptr); }
    FakeMemoryFiles(const FakeMemoryFiles&) = delete;
    FakeMemoryFiles& operator=(const FakeMemoryFiles&) = delete;

private:
    std::map<QString, QByteArray> files_;
};

} // namespace

// The free memory is the least of what the machine has available and what
// each control group of the process, and every group above it, still allows
// (its limits less its usage, page cache not counted).
TEST(PhotoMemory, FreeMemoryIsTheLeastOfTheMachineAndTheControlGroupLimits) {
    const QString v2 = QStringLiteral("/sys/fs/cgroup/user.slice/app.scope/");
    const QString v2Parent = QStringLiteral("/sys/fs/cgroup/user.slice/");
    const QString v1 = QStringLiteral("/sys/fs/cgroup/memory/docker/abc/");
    const QByteArray unified = "0::/user.slice/app.scope\n";
    const QByteArray legacy = "12:cpu,cpuacct:/docker/abc\n4:memory:/docker/abc\n1:name=systemd:/docker/abc\n";
    const std::map<QString, QByteArray> machine = {{QStringLiteral("/proc/meminfo"), MemInfo(8 * GiB / KiB)}};
    const auto with = [&](std::map<QString, QByteArray> extra) {
        extra.insert(machine.begin(), machine.end());
        return extra;
    };
    const QString controllers = QStringLiteral("/sys/fs/cgroup/cgroup.controllers");
    const struct {
        const char* name;
        std::map<QString, QByteArray> files;
        std::uint64_t available;
    } cases[] = {
        {"no control group file", machine, 8 * GiB},
        {"v2 without limits", with({{QStringLiteral("/proc/self/cgroup"), unified}, {controllers, "memory"},
                                   {v2 + "memory.max", "max\n"}, {v2 + "memory.high", "max\n"},
                                   {v2 + "memory.current", Number(3 * GiB)}}),
         8 * GiB},
        {"v2 memory.max, page cache not counted",
         with({{QStringLiteral("/proc/self/cgroup"), unified}, {controllers, "memory"},
               {v2 + "memory.max", Number(2 * GiB)}, {v2 + "memory.high", "max"},
               {v2 + "memory.current", Number(1 * GiB)},
               {v2 + "memory.stat", "anon 500000000\nfile 600000000\ninactive_file " + Number(256 * MiB) + "\n"}}),
         2 * GiB - (1 * GiB - 256 * MiB)},
        {"v2 memory.high below memory.max",
         with({{QStringLiteral("/proc/self/cgroup"), unified}, {controllers, "memory"},
               {v2 + "memory.max", Number(4 * GiB)}, {v2 + "memory.high", Number(3 * GiB)},
               {v2 + "memory.current", Number(1 * GiB)}}),
         2 * GiB},
        {"v2 limit of the slice above",
         with({{QStringLiteral("/proc/self/cgroup"), unified}, {controllers, "memory"},
               {v2 + "memory.max", "max"}, {v2Parent + "memory.max", Number(1536 * MiB)},
               {v2Parent + "memory.current", Number(512 * MiB)}}),
         1 * GiB},
        {"v2 usage over its limit", with({{QStringLiteral("/proc/self/cgroup"), unified}, {controllers, "memory"},
                                          {v2 + "memory.max", Number(1 * GiB)},
                                          {v2 + "memory.current", Number(2 * GiB)}}),
         0},
        {"v2 beside v1 (hybrid)", with({{QStringLiteral("/proc/self/cgroup"), unified},
                                         {QStringLiteral("/sys/fs/cgroup/unified/user.slice/app.scope/memory.max"),
                                          Number(3 * GiB)}}),
         3 * GiB},
        {"v1 limit", with({{QStringLiteral("/proc/self/cgroup"), legacy},
                           {v1 + "memory.limit_in_bytes", Number(6 * GiB)},
                           {v1 + "memory.usage_in_bytes", Number(2 * GiB)},
                           {v1 + "memory.stat", "cache 1\ntotal_inactive_file " + Number(1 * GiB) + "\n"}}),
         5 * GiB},
        {"v1 without a limit", with({{QStringLiteral("/proc/self/cgroup"), legacy},
                                     {v1 + "memory.limit_in_bytes", "9223372036854771712\n"},
                                     {v1 + "memory.usage_in_bytes", Number(2 * GiB)}}),
         8 * GiB},
        {"a limit above the machine's", with({{QStringLiteral("/proc/self/cgroup"), legacy},
                                              {v1 + "memory.limit_in_bytes", Number(64 * GiB)}}),
         8 * GiB},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMemoryFiles files(c.files);
        // The memory kept for the next photo is in use, as the system sees it.
        EXPECT_EQ(AvailableMemory() / MiB, c.available / MiB);
    }
}

TEST(PhotoMemory, WithoutMemAvailableThePhysicalMemoryCounts) {
    const std::uint64_t physical =
        static_cast<std::uint64_t>(sysconf(_SC_PHYS_PAGES)) * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    FakeMemoryFiles files({{QStringLiteral("/proc/meminfo"), "MemTotal: 100 kB\n"}});
    EXPECT_EQ(AvailableMemory(), physical);
}

TEST(PhotoMemory, TwoCopiesOfThePhotoMustFitInTheFreeMemoryLessASmallReserve) {
    const struct {
        std::uint64_t available;
        std::int64_t pixels;
    } cases[] = {
        {0, 1},
        {MemoryReserve, 1},
        {MemoryReserve + 6, 1},
        {MemoryReserve + 6 * 1000, 1000},
        {MemoryReserve + 6 * 1000 + 5, 1000},
        {325 * MiB, static_cast<std::int64_t>((325 - 64) * MiB / 6)}, // a 12-megapixel photo and more
        {1 * GiB, static_cast<std::int64_t>((GiB - 64 * MiB) / 6)},
        {2 * GiB, PracticalPixelLimit}, // 347 Mpx by memory, capped
        {~0ull, PracticalPixelLimit},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PhotoPixelLimit(c.available), c.pixels) << c.available / MiB << " MiB";
    EXPECT_GE(PracticalPixelLimit, 16320 * 12240) << "a 200-megapixel phone photo";
}

TEST(PhotoMemory, APhotoNeedsItsDecodingPeakOrTwoCopies) {
    const struct {
        int stored;
        int decode;
        std::uint64_t perPixel;
    } cases[] = {{3, 3, 6}, {1, 1, 2}, {3, 9, 9}, {1, 3, 3}};
    for (const auto& c : cases)
        EXPECT_EQ(PhotoBytesNeeded(1000, c.stored, c.decode), 1000 * c.perPixel);
}

// The most the process may use: the least of the machine's memory and every
// limit of its control groups and those above them, whatever they use now.
TEST(PhotoMemory, TheMemoryTheProcessMayUseIsTheLeastOfTheMachineAndEveryGroupLimit) {
    const QString v2 = QStringLiteral("/sys/fs/cgroup/user.slice/app.scope/");
    const QString v2Parent = QStringLiteral("/sys/fs/cgroup/user.slice/");
    const QString v1 = QStringLiteral("/sys/fs/cgroup/memory/docker/abc/");
    const QString controllers = QStringLiteral("/sys/fs/cgroup/cgroup.controllers");
    const QString membership = QStringLiteral("/proc/self/cgroup");
    const QString meminfo = QStringLiteral("/proc/meminfo");
    const QByteArray unified = "0::/user.slice/app.scope\n";
    const QByteArray legacy = "4:memory:/docker/abc\n";
    const QByteArray machine = "MemTotal:       16777216 kB\nMemAvailable:   1048576 kB\n"; // 16 GiB, 1 free
    const struct {
        const char* name;
        std::map<QString, QByteArray> files;
        std::uint64_t limit;
    } cases[] = {
        {"no control group", {{meminfo, machine}}, 16 * GiB},
        {"v2 memory.max, most of it used",
         {{meminfo, machine}, {membership, unified}, {controllers, "memory"}, {v2 + "memory.max", Number(2 * GiB)},
          {v2 + "memory.current", Number(2 * GiB - MiB)}},
         2 * GiB},
        {"v2 memory.high below memory.max",
         {{meminfo, machine}, {membership, unified}, {controllers, "memory"}, {v2 + "memory.max", Number(3 * GiB)},
          {v2 + "memory.high", Number(1 * GiB)}},
         1 * GiB},
        {"v2 limit of the slice above",
         {{meminfo, machine}, {membership, unified}, {controllers, "memory"}, {v2 + "memory.max", "max"},
          {v2Parent + "memory.max", Number(768 * MiB)}},
         768 * MiB},
        {"v1 limit", {{meminfo, machine}, {membership, legacy}, {v1 + "memory.limit_in_bytes", Number(5 * GiB)}},
         5 * GiB},
        {"v1 without a limit",
         {{meminfo, machine}, {membership, legacy}, {v1 + "memory.limit_in_bytes", "9223372036854771712\n"}},
         16 * GiB},
        {"a limit above the machine's",
         {{meminfo, machine}, {membership, unified}, {controllers, "memory"}, {v2 + "memory.max", Number(64 * GiB)}},
         16 * GiB},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMemoryFiles files(c.files);
        EXPECT_EQ(ProcessMemoryLimit(), c.limit);
    }
}

// The block kept from the last photo-sized image let go is in use for the
// system. A check counts it only for an image it would serve (as large, at
// most twice as large) and hands it back when it declines one, so that its
// memory is really free for whatever the check lets through.
TEST(PhotoMemory, TheKeptBlockCountsOnlyForAnImageItServesAndIsHandedBackOtherwise) {
    const QString group = QStringLiteral("/sys/fs/cgroup/tolvane/");
    std::uint64_t limit = 0;
    // A control group that charges the kept block while it is held.
    SetMemoryFileReader([&](const QString& path) -> std::optional<QByteArray> {
        if (path == QStringLiteral("/proc/meminfo"))
            return MemInfo(64 * GiB / KiB);
        if (path == QStringLiteral("/proc/self/cgroup"))
            return "0::/tolvane\n";
        if (path == QStringLiteral("/sys/fs/cgroup/cgroup.controllers"))
            return "memory";
        if (path == group + "memory.max")
            return Number(limit);
        if (path == group + "memory.current")
            return Number(SpareImageBytes());
        return std::nullopt;
    });
    const struct {
        const char* name;
        int width, height; // a 24-bit photo; the kept block is a 6000 x 4000 one's
        bool served;
    } cases[] = {
        {"the same size", 6000, 4000, true},
        {"smaller, more than half", 5000, 4000, true},
        {"less than half", 2000, 2000, false},
        {"larger", 7000, 5000, false},
        {"below photo size", 1000, 1000, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReleaseSpareImage();
        { const QImage kept = AllocateImage(6000, 4000, QImage::Format_RGB888); }
        const std::uint64_t block = SpareImageBytes();
        ASSERT_GE(block, 6000u * 4000 * 3);
        const auto image = static_cast<std::uint64_t>(c.width) * static_cast<std::uint64_t>(c.height) * 3;
        // Two copies of the photo fit beside the block's memory only when the
        // block is the first's or is handed back (2 MiB: the block's rounding).
        limit = MemoryReserve + 2 * image + 2 * MiB;
        EXPECT_NO_THROW(CheckPhotoMemory(c.width, c.height, 3, 3));
        EXPECT_EQ(SpareImageBytes(), c.served ? block : 0) << "a block that serves nothing is handed back";
    }
    SetMemoryFileReader(nullptr);
    ReleaseSpareImage();
}

using PhotoMemoryGuard = OpenFixture;

// A refused photo is told, with its size and the memory it needs; the earlier
// photo stays, and the folder is remembered as for any file that loaded.
TEST_F(PhotoMemoryGuard, APhotoTooLargeForTheFreeMemoryIsRefusedWithAMessage) {
    const QString small = WritePhoto(120, 90, QStringLiteral("small.jpg"));
    const QString large = WritePhoto(3000, 2000, QStringLiteral("large.jpg"));
    const std::int64_t pixels = 3000 * 2000;
    QStringList titles;
    QStringList reports;
    TApplication::SetErrorReporter([&](const QString& title, const QString& text) {
        titles.append(title);
        reports.append(text);
    });
    struct Case {
        std::uint64_t memory;
        QSize opened;
    };
    const Case cases[] = {{MemoryFor(pixels) - 1, {120, 90}}, {MemoryFor(pixels), {3000, 2000}}};
    for (const Case& c : cases) {
        ClickOpen(small);
        Settings.LastOpenFolder.clear();
        reports.clear();
        SetAvailableMemoryReader([&] { return c.memory; });
        ClickOpen(large);
        SetAvailableMemoryReader(nullptr);
        EXPECT_EQ(WorkPixels().size(), c.opened);
        EXPECT_EQ(form->Panel2->size(), c.opened == QSize(120, 90) ? QSize(602, 452) : QSize(602, 402));
        EXPECT_EQ(Settings.LastOpenFolder, QFile::encodeName(dir.Path() + QLatin1Char('/')));
        EXPECT_TRUE(InputViewShown());
        EXPECT_EQ(Composition.JpegPicture, nullptr);
        if (c.opened == QSize(120, 90)) {
            ASSERT_EQ(reports.size(), 1);
            EXPECT_EQ(titles.value(0), QStringLiteral("Tolvane"));
            // 36,000,000 bytes needed (34.3 MiB), 35,999,999 usable.
            EXPECT_EQ(reports.value(0), QStringLiteral("メモリが足りないため、この写真を開けません (3000 × 2000 "
                                                       "ピクセル、必要なメモリ 35 MB、空きメモリ 34 MB)"));
        } else {
            EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
        }
    }
    TApplication::SetErrorReporter(nullptr);
}

// A picture past the practical limit is refused with its size whatever the
// memory.
TEST_F(PhotoMemoryGuard, AHugeDeclaredSizeIsRefusedWithItsSizeEvenWithMemoryToSpare) {
    const QString declared = dir.File(QStringLiteral("declared.jpg"));
    QByteArray bytes = MakeJpeg(JpegTestPattern(16, 16));
    const qsizetype sof = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    bytes[sof + 5] = bytes[sof + 7] = static_cast<char>(23000 >> 8); // 23000 x 23000: 529 Mpx
    bytes[sof + 6] = bytes[sof + 8] = static_cast<char>(23000 & 0xFF);
    WriteFileBytes(declared, bytes);
    const QString bomb = SharedJpeg(QStringLiteral("bomb-49157x27397.jpg")); // 1.35 Gpx declared
    ClickOpen(WritePhoto(120, 90));
    const QImage photo = WorkPixels();
    QStringList reports;
    TApplication::SetErrorReporter([&](const QString&, const QString& text) { reports.append(text); });

    const QString told = QStringLiteral("写真が大きすぎるため開けません (23000 × 23000 ピクセル、上限 16384 × 16384 ピクセル)");
    SetAvailableMemoryReader([] { return 1024 * GiB; });
    ClickOpen(declared);
    EXPECT_EQ(WorkPixels(), photo);
    EXPECT_EQ(form->Panel2->size(), QSize(602, 452));
    SetAvailableMemoryReader([] { return 1 * GiB; });
    ClickOpen(declared);
    EXPECT_EQ(WorkPixels(), photo);
    SetAvailableMemoryReader(nullptr);
    EXPECT_EQ(reports, QStringList({told, told}));
    reports.clear();

    REQUIRE_SHARED_JPEG(bomb);
    ClickOpen(bomb);
    EXPECT_EQ(WorkPixels(), photo);
    EXPECT_EQ(Settings.LastOpenFolder, QFile::encodeName(SharedJpegDir() + QLatin1Char('/')));
    EXPECT_TRUE(InputViewShown());
    EXPECT_EQ(Composition.JpegPicture, nullptr);
    EXPECT_EQ(reports, QStringList(QStringLiteral(
                           "写真が大きすぎるため開けません (49157 × 27397 ピクセル、上限 16384 × 16384 ピクセル)")));
    TApplication::SetErrorReporter(nullptr);
}

// The progress bar runs from 0 up to the photo's rows in batches while the
// photo decodes, and is back at 0 afterwards, also when decoding fails.
TEST_F(PhotoMemoryGuard, TheProgressBarFollowsTheDecodedRows) {
    const QString photo = WritePhoto(200, 1000);
    QByteArray cut = ReadFileBytes(photo);
    cut.truncate(cut.size() / 2);
    const QString damaged = dir.File(QStringLiteral("cut.jpg"));
    WriteFileBytes(damaged, cut + QByteArray(64, '\xFF')); // cut, then no marker at all
    QProgressBar& bar = *form->ProgressBar1;
    QList<int> values;
    QList<int> maxima;
    QObject::connect(&bar, &QProgressBar::valueChanged, [&](int value) {
        values.append(value);
        maxima.append(bar.maximum());
    });
    ClickOpen(photo);
    ASSERT_GE(values.size(), 3);
    EXPECT_EQ(values.back(), 0);
    EXPECT_EQ(bar.value(), 0);
    values.removeLast();
    maxima.removeLast();
    EXPECT_EQ(values.back(), 1000);
    for (int i = 1; i < values.size(); ++i) {
        EXPECT_GT(values[i], values[i - 1]) << "rows in order";
        EXPECT_LE(values[i] - values[i - 1], 16) << "in batches of rows";
        EXPECT_EQ(maxima[i], 1000);
    }
    EXPECT_GE(values.size(), 1000 / 16);

    values.clear();
    ClickOpen(QStringLiteral("/nonexistent/photo.jpg"));
    EXPECT_TRUE(values.isEmpty()) << "nothing decoded";
    ClickOpen(damaged);
    EXPECT_EQ(bar.value(), 0);
}
