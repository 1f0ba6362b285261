#include "ImageAllocation.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

constexpr std::size_t kHuge = std::size_t{2} << 20;
constexpr std::size_t kPage = 4096;
// Pages made ahead of a writer in steps of this size, at most this far ahead.
constexpr std::size_t kAheadStep = std::size_t{8} << 20;
constexpr std::size_t kAheadWindow = std::size_t{64} << 20;

// Above this a block is taken straight from the system, in 4 KB pages: asking
// for huge pages there makes the kernel compact memory first, which was seen
// to take seconds for a 600 MB photo.
constexpr std::size_t kHugePageLimit = std::size_t{128} << 20;

struct Block {
    void* memory = nullptr;
    std::size_t size = 0;
};

std::size_t RoundedUp(std::size_t bytes) { return (bytes + kHuge - 1) / kHuge * kHuge; }

// Photo-sized requests go to blocks of their own; smaller ones are Qt's.
bool PhotoSized(std::size_t bytes) { return bytes >= 4 * kHuge; }

// The block of the last photo-sized image let go, kept for the next one: a
// photo opened after another, or turned, then reuses pages that are already
// there instead of having the kernel clear hundreds of megabytes again, which
// costs more than decoding or turning them.
Block& Spare() {
    static Block spare;
    return spare;
}

// Every block is mapped on its own, so that letting it go hands its memory
// back to the system at once: blocks taken from the C heap can stay there
// after they are freed, still charged to the process (and its control group)
// although the memory guard would count them as free.
void FreeBlock(Block block) {
    if (block.memory == nullptr)
        return;
#ifdef __linux__
    munmap(block.memory, block.size);
#else
    std::free(block.memory);
#endif
}

Block NewBlock(std::size_t bytes) {
    const std::size_t rounded = RoundedUp(bytes);
#ifdef __linux__
    if (rounded > kHugePageLimit) {
        void* memory = mmap(nullptr, rounded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        return memory == MAP_FAILED ? Block{} : Block{memory, rounded};
    }
    // On huge-page boundaries: one huge page more is mapped, then both ends
    // beyond the aligned block are handed back.
    void* mapped = mmap(nullptr, rounded + kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return {};
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kHuge - 1) / kHuge * kHuge;
    if (aligned > start)
        munmap(mapped, aligned - start);
    if (const std::uintptr_t end = start + rounded + kHuge; end > aligned + rounded)
        munmap(reinterpret_cast<void*>(aligned + rounded), end - aligned - rounded);
    auto* memory = reinterpret_cast<void*>(aligned);
    madvise(memory, rounded, MADV_HUGEPAGE); // advice only; 4 KB pages otherwise
    return {memory, rounded};
#else
    void* memory = std::aligned_alloc(kHuge, rounded);
    return memory == nullptr ? Block{} : Block{memory, rounded};
#endif
}

bool SpareServes(const Block& spare, std::size_t bytes) {
    return PhotoSized(bytes) && spare.memory != nullptr && spare.size >= bytes && spare.size / 2 <= bytes;
}

// The spare block if it serves the request, else a new one. The spare's
// memory beyond the request goes back to the system.
Block TakeBlock(std::size_t bytes) {
    Block& spare = Spare();
    if (!SpareServes(spare, bytes))
        return NewBlock(bytes);
    Block block = std::exchange(spare, Block{});
#ifdef __linux__
    if (const std::size_t rounded = RoundedUp(bytes); block.size > rounded) {
        munmap(static_cast<char*>(block.memory) + rounded, block.size - rounded);
        block.size = rounded;
    }
#endif
    return block;
}

// Keeps the larger of the spare and the block let go.
void GiveBack(Block block) {
    Block& spare = Spare();
    if (block.size > spare.size)
        std::swap(block, spare);
    FreeBlock(block);
}

// Rows of whole 32-bit words, as QImage lays them out.
std::size_t BytesPerLine(int width, QImage::Format format) {
    const auto bits = static_cast<std::size_t>(QImage::toPixelFormat(format).bitsPerPixel());
    return (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
}

} // namespace

std::size_t ImageBytes(int width, int height, QImage::Format format) {
    if (width <= 0 || height <= 0)
        return 0;
    return BytesPerLine(width, format) * static_cast<std::size_t>(height);
}

QImage AllocateImage(int width, int height, QImage::Format format) {
    const std::size_t bytes = ImageBytes(width, height, format);
    if (!PhotoSized(bytes))
        return QImage(width, height, format);
    Block* block = new Block(TakeBlock(bytes));
    if (block->memory == nullptr) {
        delete block;
        return QImage();
    }
    return QImage(
        static_cast<uchar*>(block->memory), width, height, static_cast<qsizetype>(BytesPerLine(width, format)), format,
        [](void* b) {
            auto* owned = static_cast<Block*>(b);
            GiveBack(*owned);
            delete owned;
        },
        block);
}

QImage CopyImage(const QImage& image) {
    if (image.isNull())
        return {};
    QImage copy = AllocateImage(image.width(), image.height(), image.format());
    if (copy.isNull())
        return copy;
    copy.setColorTable(image.colorTable());
    const auto rowBytes = static_cast<std::size_t>(std::min(copy.bytesPerLine(), image.bytesPerLine()));
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(copy.scanLine(y), image.constScanLine(y), rowBytes);
    return copy;
}

std::size_t SpareImageBytes() { return Spare().size; }

std::size_t SpareBytesFor(std::size_t bytes) {
    const Block& spare = Spare();
    return SpareServes(spare, bytes) ? spare.size - (RoundedUp(bytes) - bytes) : 0;
}

void ReleaseSpareUnlessServing(std::size_t bytes) {
    if (!SpareServes(Spare(), bytes))
        ReleaseSpareImage();
}

void ReleaseSpareImage() { FreeBlock(std::exchange(Spare(), Block{})); }

struct TPagesAhead::State {
    std::mutex mutex;
    std::condition_variable moved;
    bool stop = false;
    std::size_t written = 0;
    std::thread thread;
};

TPagesAhead::TPagesAhead(QImage& image) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    const auto bytes = static_cast<std::size_t>(image.sizeInBytes());
    if (bytes < kHugePageLimit / 2 || image.isNull())
        return;
    // Written to by the writer at the same time, so only the page tables are
    // made, never a byte of the pixels read or written here.
    const auto start = reinterpret_cast<std::uintptr_t>(image.bits()) / kPage * kPage;
    const auto end = reinterpret_cast<std::uintptr_t>(image.bits()) + bytes;
    state_ = new State;
    State* state = state_;
    try {
        state->thread = std::thread([state, start, end] {
            for (std::uintptr_t at = start; at < end; at += kAheadStep) {
                {
                    std::unique_lock lock(state->mutex);
                    // Nothing before the first rows: a decoder may refuse a
                    // damaged file while it still reads the file's scans.
                    state->moved.wait(lock, [&] {
                        return state->stop || (state->written > 0 && at - start < state->written + kAheadWindow);
                    });
                    if (state->stop)
                        break;
                }
                const std::size_t length = std::min<std::size_t>(kAheadStep, end - at);
                // A kernel without this advice refuses it; the writer then faults as usual.
                if (madvise(reinterpret_cast<void*>(at), length, MADV_POPULATE_WRITE) != 0)
                    break;
            }
        });
    } catch (const std::system_error&) {
        delete state_;
        state_ = nullptr;
    }
#else
    (void)image;
#endif
}

void TPagesAhead::Written(std::size_t bytes) {
    if (state_ == nullptr)
        return;
    {
        const std::lock_guard lock(state_->mutex);
        state_->written = std::max(state_->written, bytes);
    }
    state_->moved.notify_one();
}

TPagesAhead::~TPagesAhead() {
    if (state_ == nullptr)
        return;
    {
        const std::lock_guard lock(state_->mutex);
        state_->stop = true;
    }
    state_->moved.notify_one();
    state_->thread.join();
    delete state_;
}
