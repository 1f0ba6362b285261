#pragma once
#include <cstdint>
#include <functional>

// How large a photo the program agrees to decode. A quarter turn holds two
// copies of the photo at 3 bytes a pixel, so both must fit in the memory the
// machine has free, less a reserve for the system and the rest of the program;
// a photo beyond that is refused before decoding instead of driving the
// machine into swap or the program into a failed allocation.

// Above any photo a camera takes, and far above what the per-pixel passes can
// turn or adjust in a bearable time. It also stops a damaged file that
// declares a huge size (a few hundred bytes claiming over a gigapixel) before
// the decoder spends gigabytes and seconds on it.
constexpr std::int64_t PracticalPixelLimit = 500'000'000;

// Bytes a photo needs: two copies, 3 bytes a pixel.
constexpr std::int64_t PhotoBytesPerPixel = 2 * 3;

// The part of the free memory kept back: a quarter, at least 256 MiB.
constexpr std::uint64_t MinimumReserve = 256ull << 20;

// Free memory in bytes: MemAvailable of /proc/meminfo, else the machine's
// physical memory.
std::uint64_t AvailableMemory();

// Free memory less the reserve: what the program may fill with photo copies.
std::uint64_t UsableMemory(std::uint64_t availableBytes);
std::uint64_t UsableMemory();

// The most pixels a photo may have with that much memory free (at least 1).
std::int64_t PhotoPixelLimit(std::uint64_t availableBytes);
// ... with the memory free now.
std::int64_t PhotoPixelLimit();

// Tests state the free memory; nullptr restores the reading of the machine's.
void SetAvailableMemoryReader(std::function<std::uint64_t()> reader);
