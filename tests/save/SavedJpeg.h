#pragma once
#include <QByteArray>
#include <array>
#include <vector>

// What a saved JPEG file says of itself, read with libjpeg.
struct SavedJpeg {
    bool ok = false;
    int width = 0;
    int height = 0;
    int components = 0;
    int frameMarker = 0; // the first SOFn marker's second byte (0xC0 baseline)
    std::array<std::array<int, 64>, 2> quant{}; // luminance and chrominance, natural order
    std::vector<unsigned char> rgb;            // decoded, 3 bytes a pixel
};

SavedJpeg ReadSavedJpeg(const QByteArray& bytes);

// The tables libjpeg makes for a quality with baseline tables forced.
std::array<std::array<int, 64>, 2> ReferenceQuantTables(int quality);
