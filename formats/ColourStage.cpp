#include "ColourStage.h"

#include "AlphaOverWhite.h"
#include "Exceptions.h"
#include "ImageAllocation.h"
#include "TColourTransform.h"

#include <algorithm>
#include <vector>

namespace {

// 8-bit premultiplied colour over white: c + (255 - a), kept in range for
// colour a damaged file gives above its alpha.
void PremultipliedOverWhite(const std::uint8_t* rgba, std::uint8_t* rgb, int width) {
    for (int x = 0; x < width; ++x, rgba += 4, rgb += 3)
        for (int k = 0; k < 3; ++k)
            rgb[k] = static_cast<std::uint8_t>(std::min(255, rgba[k] + 255 - rgba[3]));
}

QImage Converted(const QImage& image, QImage::Format format) {
    QImage result = image.format() == format ? image : image.convertToFormat(format);
    if (result.isNull())
        throw EOutOfResources();
    return result;
}

QImage NewRgb(int width, int height) {
    QImage result = AllocateImage(width, height, QImage::Format_RGB888);
    if (result.isNull())
        throw EOutOfResources();
    return result;
}

void Tell(const std::function<void(int, int)>& progress, int y, int rows) {
    if (progress && (y % 64 == 63 || y == rows - 1))
        progress(y + 1, rows);
}

} // namespace

QImage SrgbOverWhite(QImage decoded, const QByteArray& iccProfile, bool grey,
                     const std::function<void(int done, int rows)>& progress) {
    const auto colour =
        TColourTransform::ToSrgb(iccProfile, grey ? TColourInput::Grey : TColourInput::Rgb);
    const int width = decoded.width();
    const int rows = decoded.height();
    if (!decoded.hasAlphaChannel()) {
        if (!colour)
            return Converted(decoded, QImage::Format_RGB888);
        if (grey) {
            const QImage levels = Converted(decoded, QImage::Format_Grayscale8);
            decoded = QImage();
            QImage result = NewRgb(width, rows);
            for (int y = 0; y < rows; ++y) {
                colour->Convert(levels.constScanLine(y), result.scanLine(y), width);
                Tell(progress, y, rows);
            }
            return result;
        }
        QImage result = Converted(decoded, QImage::Format_RGB888);
        decoded = QImage();
        for (int y = 0; y < rows; ++y) {
            colour->Convert(result.scanLine(y), result.scanLine(y), width);
            Tell(progress, y, rows);
        }
        return result;
    }
    QImage result = NewRgb(width, rows);
    if (!colour && decoded.format() == QImage::Format_RGBA8888_Premultiplied) {
        for (int y = 0; y < rows; ++y)
            PremultipliedOverWhite(decoded.constScanLine(y), result.scanLine(y), width);
        return result;
    }
    // Straight colour, converted, then laid over white. Premultiplied colour
    // is divided by its alpha here, rounded, without a copy; Qt divides that
    // of its other premultiplied formats.
    const bool premultiplied = decoded.format() == QImage::Format_RGBA8888_Premultiplied;
    QImage rgba =
        premultiplied && colour ? std::move(decoded) : Converted(decoded, QImage::Format_RGBA8888);
    decoded = QImage();
    if (!colour) {
        for (int y = 0; y < rows; ++y)
            RgbaOverWhite(rgba.constScanLine(y), result.scanLine(y), width);
        return result;
    }
    const int channels = grey ? 1 : 3;
    std::vector<std::uint8_t> in(static_cast<size_t>(3 * width));
    std::vector<std::uint8_t> out(static_cast<size_t>(3 * width));
    for (int y = 0; y < rows; ++y) {
        std::uint8_t* row = rgba.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const int a = row[4 * x + 3];
            for (int k = 0; k < channels; ++k) {
                const int c = row[4 * x + k];
                in[static_cast<size_t>(channels * x + k)] =
                    static_cast<std::uint8_t>(!premultiplied ? c
                                              : a == 0       ? 0
                                                       : std::min(255, (c * 255 + a / 2) / a));
            }
        }
        colour->Convert(in.data(), out.data(), width);
        for (int x = 0; x < width; ++x)
            for (int k = 0; k < 3; ++k)
                row[4 * x + k] = out[static_cast<size_t>(3 * x + k)];
        RgbaOverWhite(row, result.scanLine(y), width);
        Tell(progress, y, rows);
    }
    return result;
}
