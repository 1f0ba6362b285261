#pragma once
#include <QImage>
#include <cstddef>

// A new image of the given size and format, uninitialised; a null image when
// memory is exhausted. A photo-sized one (8 MB and more) takes the memory of
// the last photo-sized image let go when that serves it (at least as large,
// at most twice as large: the rest goes back to the system), so that opening
// photo after photo, turning them and copying them for undo reuse pages the
// kernel has already cleared; otherwise it is mapped anew, on huge pages
// where the system offers them cheaply. Its memory goes back to the system
// as soon as it is let go, but for the one block kept.
QImage AllocateImage(int width, int height, QImage::Format format);

// The bytes AllocateImage takes for such an image.
std::size_t ImageBytes(int width, int height, QImage::Format format);

// A copy of the image's size, format, palette and pixels in memory from
// AllocateImage; a null image when memory is exhausted.
QImage CopyImage(const QImage& image);

// The memory kept for the next photo-sized image.
std::size_t SpareImageBytes();
// How much of the kept memory an image of `bytes` would take over instead of
// new memory: all of it but the rounding, when it serves such an image, else
// nothing.
std::size_t SpareBytesFor(std::size_t bytes);
// Hands the kept memory back to the system, unless it would serve an image
// of `bytes`: memory that the coming image does not take is then free.
void ReleaseSpareUnlessServing(std::size_t bytes);
// Hands the kept memory back to the system.
void ReleaseSpareImage();

// Makes the kernel provide the pages of a freshly allocated image on a second
// thread, ahead of a writer that fills the rows top to bottom, so that the
// writer does not stop at every page of fresh memory. It keeps no more than a
// few tens of megabytes ahead of what the writer says it has written, so a
// writer that stops early (a damaged file) leaves the rest of the memory
// untouched. Pixels are not touched; pages already present cost nothing.
// Waits for the thread when destroyed.
class TPagesAhead {
public:
    explicit TPagesAhead(QImage& image);
    ~TPagesAhead();
    TPagesAhead(const TPagesAhead&) = delete;
    TPagesAhead& operator=(const TPagesAhead&) = delete;

    // The writer has filled the image's first `bytes` bytes.
    void Written(std::size_t bytes);

private:
    struct State;
    State* state_ = nullptr;
};
