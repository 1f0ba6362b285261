#include "ImageAllocation.h"

#include <cstdlib>

#ifdef __linux__
#include <sys/mman.h>
#endif

QImage AllocateImage(int width, int height, QImage::Format format) {
#ifdef __linux__
    constexpr size_t kHuge = size_t{2} << 20;
    const qsizetype bytesPerLine =
        (static_cast<qsizetype>(width) * QImage::toPixelFormat(format).bitsPerPixel() + 31) / 32 *
        4;
    const auto bytes = static_cast<size_t>(bytesPerLine) * static_cast<size_t>(height);
    if (width > 0 && height > 0 && bytes >= 4 * kHuge) {
        const size_t rounded = (bytes + kHuge - 1) / kHuge * kHuge;
        void* memory = std::aligned_alloc(kHuge, rounded);
        if (!memory)
            return QImage();
        madvise(memory, rounded, MADV_HUGEPAGE); // advice only; 4 KB pages otherwise
        return QImage(
            static_cast<uchar*>(memory), width, height, bytesPerLine, format,
            [](void* m) { std::free(m); }, memory);
    }
#endif
    return QImage(width, height, format);
}
