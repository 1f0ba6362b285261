// Photo-sized JPEG files with a profile: colour rows converted on the second
// core while the decoder goes on, and that thread settled before the picture
// is freed when the file fails part way.

#include "Exceptions.h"
#include "FormatFixtures.h"
#include "HostileJpeg.h"
#include "JpegFixtures.h"
#include "TBitmap.h"
#include "TColourTransform.h"
#include "TJPEGImage.h"
#include "TPhotoFile.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <jerror.h>
#include <vector>

namespace {

// Horizontal bands, so that every row differs from its neighbours' colours
// at a band's edge; cheap to make and to code at any size.
QImage Bands(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    QPainter painter(&image);
    for (int y = 0; y < height; y += 8)
        painter.fillRect(0, y, width, 8, QColor::fromHsv((y * 7) % 360, 180, 60 + (y / 8) % 160));
    return image;
}

// The picture as the JPEG picture decodes it, its rows then converted with
// the profile one after the other on this thread: every `step`-th row.
void ExpectConvertedRowByRow(const QImage& opened, const QByteArray& file, const QByteArray& profile, int step) {
    TJPEGImage plain;
    plain.LoadFromBytes(file);
    TBitmap decoded;
    plain.AssignTo(decoded);
    const QImage& stored = decoded.Image();
    ASSERT_EQ(opened.size(), stored.size());
    ASSERT_EQ(opened.format(), QImage::Format_RGB888);
    const auto colour = TColourTransform::ToSrgb(profile, TColourInput::Rgb);
    ASSERT_TRUE(colour);
    std::vector<std::uint8_t> row(static_cast<size_t>(3 * stored.width()));
    const int last = stored.height() - 1;
    for (int y = 0;; y = std::min(y + step, last)) {
        colour->Convert(stored.constScanLine(y), row.data(), stored.width());
        ASSERT_EQ(std::memcmp(row.data(), opened.constScanLine(y), row.size()), 0) << "row " << y;
        if (y == last)
            break;
    }
}

} // namespace

// Each row converted exactly once, whatever the thread: bit for bit what one
// thread makes of the decoded rows.
TEST(ThreadedColour, APhotoSizedPictureConvertsAsRowByRowOnOneThread) {
    const QByteArray profile = AdobeRgbProfile();
    const QByteArray photo = MakeJpeg(JpegTestPattern(1280, 900));
    const struct {
        const char* name;
        QByteArray file;
        int step; // rows compared
    } cases[] = {
        {"1280 x 900", WithIcc(photo, profile), 1},
        {"cut in the middle of its data, padded", WithIcc(Cut(photo, static_cast<int>(photo.size() / 2)), profile), 1},
        // Large enough for the pages of the picture to be made ahead of the
        // decoder on a thread of their own, beside the colour rows' thread.
        {"6000 x 4000", WithIcc(MakeJpeg(Bands(6000, 4000)), profile), 61},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectConvertedRowByRow(OpenedPixels(c.file), c.file, profile, c.step);
    }
}

TEST(ThreadedColour, AFileFailingPartWayLeavesTheBitmapAndTheNextOpeningAsTheyWere) {
    const QByteArray profile = AdobeRgbProfile();
    const struct {
        const char* name;
        QByteArray file;
        int code;
    } cases[] = {
        {"a second frame header after the last row", WithIcc(WithSecondFrameHeader(MakeJpeg(JpegTestPattern(1280, 900))), profile), JERR_SOF_DUPLICATE},
        // Declares 24 Mpx from a few kilobytes: refused as soon as the data
        // ends, with both threads of a large picture started.
        {"a few kilobytes declaring 6000 x 4000", WithIcc(WithDeclaredSize(MakeJpeg(Bands(600, 400)), 6000, 4000), profile),
         JERR_INPUT_EOF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TJPEGImage jpeg;
        TPhotoFile file(jpeg);
        TBitmap bitmap;
        bitmap.SetWidth(3);
        bitmap.SetHeight(2);
        const QImage before = bitmap.Image();
        file.LoadFromBytes(c.file);
        try {
            file.AssignTo(bitmap);
            ADD_FAILURE() << "decoded";
        } catch (const EJPEG& e) {
            EXPECT_EQ(e.Code(), c.code);
        }
        EXPECT_EQ(bitmap.Image(), before);
        // The same pictures open the next file as if nothing had happened.
        const QByteArray next = WithIcc(MakeJpeg(JpegTestPattern(1280, 900)), profile);
        file.LoadFromBytes(next);
        file.AssignTo(bitmap);
        ExpectConvertedRowByRow(bitmap.Image(), next, profile, 1);
    }
}
