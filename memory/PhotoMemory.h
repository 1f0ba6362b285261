#pragma once
#include "Exceptions.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

// The memory guard. Every photo-sized image (a decoded photo, a turned one, a
// trimming's crop, a copy kept for undo) is checked before it is made against
// the memory that is really free for this process: what the machine has
// available and what the process's control groups (a container, a systemd
// slice) still allow, less a small reserve for the rest of the program. What
// does not fit is refused before anything changes, and the user is told,
// instead of the program being killed or driving the machine into swap. A
// photo must fit while it is decoded and while it is turned (two copies).

// Above every photo a camera or phone takes (200-megapixel phones write
// 16320 x 12240), and it stops a damaged file that declares a huge size
// before the decoder spends seconds on it.
constexpr std::int64_t PracticalPixelLimit = std::int64_t{16384} * 16384;

// Bytes a photo needs for its turn: two copies, 3 bytes a pixel.
constexpr std::int64_t PhotoBytesPerPixel = 2 * 3;

// Kept back for the window, the libraries and the output picture.
constexpr std::uint64_t MemoryReserve = 64ull << 20;

// Free memory in bytes: MemAvailable of /proc/meminfo (or the machine's
// physical memory), and no more than the control group's limits leave. The
// block AllocateImage keeps is in use here, as it is for the system.
std::uint64_t AvailableMemory();

// The most memory this process may use at all: the least of the machine's
// memory (MemTotal) and the limits of its control groups and those above them.
std::uint64_t ProcessMemoryLimit();

// Free memory less the reserve: what the program may fill with photo copies.
std::uint64_t UsableMemory(std::uint64_t availableBytes);
std::uint64_t UsableMemory();

// The free and the usable memory for one photo-sized image of `imageBytes`
// from AllocateImage, with the block AllocateImage keeps: the image takes it
// over when it serves the image, and otherwise it is handed back before the
// image is made (ReadyMemoryFor). Nothing is changed here.
std::uint64_t AvailableMemoryFor(std::uint64_t imageBytes);
std::uint64_t UsableMemoryFor(std::uint64_t imageBytes);
// The same, just before such an image is made: a kept block that would not
// serve it is handed back to the system first.
std::uint64_t ReadyMemoryFor(std::uint64_t imageBytes);

// The most pixels a photo of PhotoBytesPerPixel may have with that much
// memory available (at least 1, at most PracticalPixelLimit).
std::int64_t PhotoPixelLimit(std::uint64_t availableBytes);
std::int64_t PhotoPixelLimit();

// Bytes a photo of this many pixels needs: its decoding peak (the picture and
// the decoder's own buffers, in bytes a pixel as measured for its kind of
// file) or two stored copies, whichever is larger; rounded up.
std::uint64_t PhotoBytesNeeded(std::int64_t pixels, int storedBytesPerPixel, double decodeBytesPerPixel);

// What the memory was refused for.
enum class TMemoryUse { Open, Turn, Trim };

// A photo, a turn or a trimming that the memory cannot hold; its message
// names the pixels, the memory needed (rounded up) and the memory free
// (rounded down).
class EPhotoMemory : public Exception {
public:
    EPhotoMemory(int width, int height, std::uint64_t needed, std::uint64_t usable,
                 TMemoryUse use = TMemoryUse::Open);
    int Width() const { return width_; }
    int Height() const { return height_; }
    std::uint64_t Needed() const { return needed_; }
    TMemoryUse Use() const { return use_; }

private:
    int width_;
    int height_;
    std::uint64_t needed_;
    TMemoryUse use_;
};

// Raises EPhotoMemory when a width x height photo needs more than the usable
// memory for it.
void CheckPhotoMemory(int width, int height, int storedBytesPerPixel, double decodeBytesPerPixel);

// Raises EPhotoMemory for `use` when a photo-sized image of `imageBytes`, for
// a width x height photo or crop, does not fit in the usable memory for it.
void CheckImageMemory(TMemoryUse use, int width, int height, std::uint64_t imageBytes);

// Tests state the free memory, the kept block's included; nullptr restores
// the reading of the machine's.
void SetAvailableMemoryReader(std::function<std::uint64_t()> reader);

// Tests hand over the files the reading looks at (/proc/meminfo,
// /proc/self/cgroup, the control group's memory files): the reader gives a
// file's contents, or nothing when it does not exist. nullptr restores the
// real files.
using MemoryFileReader = std::function<std::optional<QByteArray>(const QString& path)>;
void SetMemoryFileReader(MemoryFileReader reader);
