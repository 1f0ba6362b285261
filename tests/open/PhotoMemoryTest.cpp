#include "OpenTestSupport.h"
#include "SharedData.h"

#include <unistd.h>

namespace {

constexpr std::uint64_t MiB = 1ull << 20;
constexpr std::uint64_t GiB = 1ull << 30;

// A memory reading under which photos of up to `pixels` pixels open: the
// reserve below 1 GiB free is the fixed 256 MiB.
std::uint64_t MemoryFor(std::int64_t pixels) {
    return MinimumReserve + static_cast<std::uint64_t>(pixels) * PhotoBytesPerPixel;
}

// A small baseline JPEG whose frame header declares another size; the
// decoder would pad the missing data and deliver a picture of that size.
QByteArray DeclaringSize(int width, int height) {
    QByteArray bytes = MakeJpeg(JpegTestPattern(16, 16));
    const qsizetype sof = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    EXPECT_GT(sof, 0);
    bytes[sof + 5] = static_cast<char>(height >> 8);
    bytes[sof + 6] = static_cast<char>(height & 0xFF);
    bytes[sof + 7] = static_cast<char>(width >> 8);
    bytes[sof + 8] = static_cast<char>(width & 0xFF);
    return bytes;
}

} // namespace

TEST(PhotoMemory, TwoCopiesOfThePhotoMustFitInTheFreeMemoryLessAReserve) {
    const struct {
        std::uint64_t available;
        std::int64_t pixels;
    } cases[] = {
        {0, 1},
        {MinimumReserve, 1},
        {MinimumReserve + 6, 1},
        {MinimumReserve + 6 * 1000, 1000},
        {MinimumReserve + 6 * 1000 + 5, 1000},
        {1 * GiB, static_cast<std::int64_t>((GiB - GiB / 4) / 6)}, // a quarter kept back
        {2 * GiB, static_cast<std::int64_t>((2 * GiB - GiB / 2) / 6)},
        {8 * GiB, PracticalPixelLimit}, // 1 Gpx by memory, capped
        {24 * GiB, PracticalPixelLimit},
        {~0ull, PracticalPixelLimit},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PhotoPixelLimit(c.available), c.pixels) << c.available / MiB << " MiB";
}

TEST(PhotoMemory, ReadsTheMachinesFreeMemory) {
    const std::uint64_t physical =
        static_cast<std::uint64_t>(sysconf(_SC_PHYS_PAGES)) * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    const std::uint64_t available = AvailableMemory();
    EXPECT_GT(available, 0u);
    EXPECT_LE(available, physical);
    SetAvailableMemoryReader([] { return std::uint64_t{12345}; });
    EXPECT_EQ(AvailableMemory(), 12345u);
    SetAvailableMemoryReader(nullptr);
}

using PhotoMemoryGuard = OpenFixture;

TEST_F(PhotoMemoryGuard, APhotoTooLargeForTheFreeMemoryFailsAsDecodingDoes) {
    const QString small = WritePhoto(120, 90, QStringLiteral("small.jpg"));
    const QString large = WritePhoto(300, 200, QStringLiteral("large.jpg"));
    const std::int64_t pixels = 300 * 200;
    struct Case {
        std::uint64_t memory;
        QSize opened;
    };
    const Case cases[] = {{MemoryFor(pixels - 1), {120, 90}}, {MemoryFor(pixels), {300, 200}}};
    for (const Case& c : cases) {
        ClickOpen(small);
        Settings.LastOpenFolder.clear();
        SetAvailableMemoryReader([&] { return c.memory; });
        ClickOpen(large);
        SetAvailableMemoryReader(nullptr);
        EXPECT_EQ(WorkPixels().size(), c.opened);
        EXPECT_EQ(form->Panel2->size(), c.opened == QSize(120, 90) ? QSize(602, 452) : QSize(602, 402));
        // Refused or not, the file loaded: its folder is remembered.
        EXPECT_EQ(Settings.LastOpenFolder, QFile::encodeName(dir.Path() + QLatin1Char('/')));
        EXPECT_TRUE(InputViewShown());
        EXPECT_EQ(Composition.JpegPicture, nullptr);
    }
}

TEST_F(PhotoMemoryGuard, AHugeDeclaredSizeIsRefusedEvenWithMemoryToSpare) {
    const QString declared = dir.File(QStringLiteral("declared.jpg"));
    WriteFileBytes(declared, DeclaringSize(23000, 23000)); // 529 Mpx from a few hundred bytes
    const QString bomb = SharedJpeg(QStringLiteral("bomb-49157x27397.jpg")); // 1.35 Gpx declared
    ClickOpen(WritePhoto(120, 90));
    const QImage photo = WorkPixels();

    SetAvailableMemoryReader([] { return 1024 * GiB; });
    ClickOpen(declared);
    EXPECT_EQ(WorkPixels(), photo);
    EXPECT_EQ(form->Panel2->size(), QSize(602, 452));
    SetAvailableMemoryReader(nullptr);

    REQUIRE_SHARED_JPEG(bomb);
    ClickOpen(bomb);
    EXPECT_EQ(WorkPixels(), photo);
    EXPECT_EQ(Settings.LastOpenFolder, QFile::encodeName(SharedJpegDir() + QLatin1Char('/')));
    EXPECT_TRUE(InputViewShown());
    EXPECT_EQ(Composition.JpegPicture, nullptr);
}
