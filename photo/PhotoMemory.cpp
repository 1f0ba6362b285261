#include "PhotoMemory.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

std::function<std::uint64_t()>& Reader() {
    static std::function<std::uint64_t()> reader;
    return reader;
}

std::uint64_t PhysicalMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

// MemAvailable in bytes, or 0 where the kernel does not give it.
std::uint64_t MemAvailable() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kib = 0;
    std::string unit;
    while (meminfo >> key >> kib >> unit)
        if (key == "MemAvailable:")
            return kib * 1024;
    return 0;
}

} // namespace

std::uint64_t AvailableMemory() {
    if (Reader())
        return Reader()();
    const std::uint64_t available = MemAvailable();
    return available > 0 ? available : PhysicalMemory();
}

std::uint64_t UsableMemory(std::uint64_t availableBytes) {
    const std::uint64_t reserve = std::max(MinimumReserve, availableBytes / 4);
    return availableBytes > reserve ? availableBytes - reserve : 0;
}

std::uint64_t UsableMemory() { return UsableMemory(AvailableMemory()); }

std::int64_t PhotoPixelLimit(std::uint64_t availableBytes) {
    const std::uint64_t usable = UsableMemory(availableBytes);
    const auto pixels = static_cast<std::int64_t>(
        std::min<std::uint64_t>(usable / static_cast<std::uint64_t>(PhotoBytesPerPixel),
                                static_cast<std::uint64_t>(PracticalPixelLimit)));
    return std::max<std::int64_t>(pixels, 1);
}

std::int64_t PhotoPixelLimit() { return PhotoPixelLimit(AvailableMemory()); }

void SetAvailableMemoryReader(std::function<std::uint64_t()> reader) { Reader() = std::move(reader); }
