#pragma once
#include "Exceptions.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

// How large a photo the program agrees to decode. The photo must fit, while
// it is decoded and while it is turned (two copies), in the memory that is
// free for this process: what the machine has available and what the
// process's control group (a container, a systemd slice) still allows, less a
// small reserve for the rest of the program. A photo beyond that is refused
// before decoding, and the user is told, instead of the program being killed
// or driving the machine into swap.

// Above every photo a camera or phone takes (200-megapixel phones write
// 16320 x 12240), and it stops a damaged file that declares a huge size
// before the decoder spends seconds on it.
constexpr std::int64_t PracticalPixelLimit = std::int64_t{16384} * 16384;

// Bytes a photo needs for its turn: two copies, 3 bytes a pixel.
constexpr std::int64_t PhotoBytesPerPixel = 2 * 3;

// Kept back for the window, the libraries and the output picture.
constexpr std::uint64_t MemoryReserve = 64ull << 20;

// Free memory in bytes: MemAvailable of /proc/meminfo (or the machine's
// physical memory), and no more than the control group's limits leave.
std::uint64_t AvailableMemory();

// Free memory less the reserve: what the program may fill with photo copies.
std::uint64_t UsableMemory(std::uint64_t availableBytes);
std::uint64_t UsableMemory();

// The most pixels a photo of PhotoBytesPerPixel may have with that much
// memory available (at least 1, at most PracticalPixelLimit).
std::int64_t PhotoPixelLimit(std::uint64_t availableBytes);
std::int64_t PhotoPixelLimit();

// Bytes a photo of this many pixels needs: its decoding peak (the picture and
// the decoder's own buffers, in bytes a pixel as measured for its kind of
// file) or two stored copies, whichever is larger; rounded up.
std::uint64_t PhotoBytesNeeded(std::int64_t pixels, int storedBytesPerPixel, double decodeBytesPerPixel);

// A photo that the memory cannot hold; its message names the photo's size
// and the memory it needs.
class EPhotoMemory : public Exception {
public:
    EPhotoMemory(int width, int height, std::uint64_t needed, std::uint64_t usable);
    int Width() const { return width_; }
    int Height() const { return height_; }
    std::uint64_t Needed() const { return needed_; }

private:
    int width_;
    int height_;
    std::uint64_t needed_;
};

// Raises EPhotoMemory when a width x height photo needs more than the usable
// memory.
void CheckPhotoMemory(int width, int height, int storedBytesPerPixel, double decodeBytesPerPixel);

// Tests state the free memory; nullptr restores the reading of the machine's.
void SetAvailableMemoryReader(std::function<std::uint64_t()> reader);

// Tests hand over the files the reading looks at (/proc/meminfo,
// /proc/self/cgroup, the control group's memory files): the reader gives a
// file's contents, or nothing when it does not exist. nullptr restores the
// real files.
using MemoryFileReader = std::function<std::optional<QByteArray>(const QString& path)>;
void SetMemoryFileReader(MemoryFileReader reader);
