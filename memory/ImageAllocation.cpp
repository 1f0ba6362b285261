#include "ImageAllocation.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
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

// The block of the last photo-sized image let go, kept for the next one: a
// photo opened after another, or turned, then reuses pages that are already
// there instead of having the kernel clear hundreds of megabytes again, which
// costs more than decoding or turning them.
Block& Spare() {
    static Block spare;
    return spare;
}

void FreeBlock(Block block) {
    if (block.memory == nullptr)
        return;
#ifdef __linux__
    if (block.size > kHugePageLimit) {
        munmap(block.memory, block.size);
        return;
    }
#endif
    std::free(block.memory);
}

Block NewBlock(std::size_t bytes) {
    const std::size_t rounded = (bytes + kHuge - 1) / kHuge * kHuge;
#ifdef __linux__
    if (rounded > kHugePageLimit) {
        void* memory = mmap(nullptr, rounded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        return memory == MAP_FAILED ? Block{} : Block{memory, rounded};
    }
#endif
    void* memory = std::aligned_alloc(kHuge, rounded);
    if (memory == nullptr)
        return {};
#ifdef __linux__
    madvise(memory, rounded, MADV_HUGEPAGE); // advice only; 4 KB pages otherwise
#endif
    return {memory, rounded};
}

// The spare block if it is large enough (but not wastefully larger), else a
// new one.
Block TakeBlock(std::size_t bytes) {
    Block& spare = Spare();
    if (spare.memory != nullptr && spare.size >= bytes && spare.size / 2 <= bytes)
        return std::exchange(spare, Block{});
    return NewBlock(bytes);
}

// Keeps the larger of the spare and the block let go.
void GiveBack(Block block) {
    Block& spare = Spare();
    if (block.size > spare.size)
        std::swap(block, spare);
    FreeBlock(block);
}

} // namespace

QImage AllocateImage(int width, int height, QImage::Format format) {
    const qsizetype bytesPerLine =
        (static_cast<qsizetype>(width) * QImage::toPixelFormat(format).bitsPerPixel() + 31) / 32 * 4;
    const auto bytes = static_cast<std::size_t>(bytesPerLine) * static_cast<std::size_t>(height);
    if (width <= 0 || height <= 0 || bytes < 4 * kHuge)
        return QImage(width, height, format);
    Block* block = new Block(TakeBlock(bytes));
    if (block->memory == nullptr) {
        delete block;
        return QImage();
    }
    return QImage(
        static_cast<uchar*>(block->memory), width, height, bytesPerLine, format,
        [](void* b) {
            auto* owned = static_cast<Block*>(b);
            GiveBack(*owned);
            delete owned;
        },
        block);
}

std::size_t SpareImageBytes() { return Spare().size; }

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
