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
