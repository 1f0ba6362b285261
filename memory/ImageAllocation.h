#pragma once
#include <QImage>
#include <cstddef>

// A new image of the given size and format, uninitialised; a null image when
// memory is exhausted. A photo-sized one takes the memory of the last
// photo-sized image let go when that fits, so that opening photo after photo
// and turning them reuse pages the kernel has already cleared; otherwise it is
// placed on huge pages where the system offers them cheaply.
QImage AllocateImage(int width, int height, QImage::Format format);

// The memory kept for the next photo-sized image: counted as free by the
// memory guard, since the next photo takes it first.
std::size_t SpareImageBytes();
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
