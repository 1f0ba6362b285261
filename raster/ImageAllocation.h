#pragma once
#include <QImage>

// A new image of the given size and format, uninitialised. A photo-sized one
// is placed on huge pages where the system offers them: touching tens of
// megabytes for the first time in 4 KB pages costs several times a pass over
// them on some machines. A null image when memory is exhausted.
QImage AllocateImage(int width, int height, QImage::Format format);
