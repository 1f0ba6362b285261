#pragma once
#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdio>
#include <jpeglib.h>
#include <vector>

// Small JPEG files made by the tests themselves with libjpeg.
struct JpegFixtureOptions {
    int quality = 90;
    bool grayscale = false;   // one component, from the green channel
    bool progressive = false;
    int truncateTo = 0;       // > 0: keep only this many bytes (the library pads the rest)
    std::vector<jpeg_scan_info> scans = {}; // not empty: this scan script instead
};

// A smooth colour pattern with some detail: (x, y) -> gradients and a checker.
QImage JpegTestPattern(int width, int height);

QByteArray MakeJpeg(const QImage& image, const JpegFixtureOptions& options = {});

// Writes bytes to a file, failing the current test when that is not possible.
void WriteFileBytes(const QString& path, const QByteArray& bytes);
QByteArray ReadFileBytes(const QString& path);
