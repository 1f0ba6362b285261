#include "TBitmap.h"
#include "TCanvas.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A bitmap of the given format whose pixel (x, y) is RGB(x, y, x ^ y) (8-bit:
// index (x + y) % 4 of a four-grey palette).
std::unique_ptr<TBitmap> MakeBitmap(int w, int h, QImage::Format format) {
    QImage image(w, h, format);
    if (format == QImage::Format_Indexed8) {
        image.setColorTable({qRgb(0, 0, 0), qRgb(85, 85, 85), qRgb(170, 170, 170), qRgb(255, 255, 255)});
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.setPixel(x, y, static_cast<uint>((x + y) % 4));
    } else {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, (x ^ y) & 0xFF));
    }
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetImage(image);
    return bitmap;
}

TColor Expected(int x, int y) { return RGB(x & 0xFF, y & 0xFF, (x ^ y) & 0xFF); }

const QImage::Format kFormats[] = {QImage::Format_RGB888, QImage::Format_RGB32, QImage::Format_Indexed8};

} // namespace

TEST(Bitmap, NewBitmapIsEmptyAndGrowsWhiteInDisplayFormat) {
    TBitmap bitmap;
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 0);
    EXPECT_TRUE(bitmap.Empty());
    bitmap.SetWidth(3200);
    EXPECT_TRUE(bitmap.Empty()); // height still 0: no pixels yet
    EXPECT_EQ(bitmap.GetPixel(0, 0), clInvalid);
    bitmap.SetHeight(3200);
    ASSERT_EQ(bitmap.Width(), 3200);
    ASSERT_EQ(bitmap.Height(), 3200);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf32bit);
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {3199, 0}, {0, 3199}, {3199, 3199}, {1600, 1234}})
        EXPECT_EQ(bitmap.GetPixel(x, y), clWhite) << x << "," << y;
}

TEST(Bitmap, PixelsReadBackInEveryFormat) {
    // 7 wide pads its 24-bit rows; 4 wide does not, so its last pixel ends the pixel memory.
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{7, 5}, {4, 3}, {1, 1}})
        for (const auto format : kFormats) {
            auto bitmap = MakeBitmap(w, h, format);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const TColor want =
                        format == QImage::Format_Indexed8 ? RGB(85, 85, 85) * ((x + y) % 4) : Expected(x, y);
                    ASSERT_EQ(bitmap->GetPixel(x, y), want) << format << " " << w << "x" << h << " " << x << "," << y;
                }
        }
}

TEST(Bitmap, ReadsAndWritesOutsideTheBitmap) {
    for (const auto format : kFormats) {
        auto bitmap = MakeBitmap(6, 4, format);
        const QImage before = bitmap->Image().copy();
        for (const auto& [x, y] : std::vector<std::pair<int, int>>{{6, 0}, {0, 4}, {-1, 0}, {0, -1}, {6, 4}, {-100000, 3}}) {
            EXPECT_EQ(bitmap->GetPixel(x, y), clInvalid) << x << "," << y;
            bitmap->SetPixel(x, y, clRed);
        }
        EXPECT_EQ(bitmap->Image(), before) << format;
    }
}

TEST(Bitmap, WritesResolveSystemColours) {
    struct Case {
        TColor written;
        TColor stored;
    } const cases[] = {
        {clInvalid, clBlack},
        {clWindowText, clBlack},
        {static_cast<TColor>(0x80000005u), clWhite},  // window
        {static_cast<TColor>(0x8000000Fu), clSilver}, // button face
        {static_cast<TColor>(0x800000C8u), clBlack},  // no such index
        {0x123456, 0x123456},
    };
    for (const auto format : {QImage::Format_RGB888, QImage::Format_RGB32}) {
        auto bitmap = MakeBitmap(3, 3, format);
        for (const auto& c : cases) {
            bitmap->SetPixel(1, 2, c.written);
            EXPECT_EQ(bitmap->GetPixel(1, 2), c.stored) << std::hex << c.written;
        }
    }
}

TEST(Bitmap, WritingBackWhatWasReadChangesNothing) {
    for (const auto format : {QImage::Format_RGB888, QImage::Format_RGB32}) {
        auto bitmap = MakeBitmap(40, 30, format);
        const QImage before = bitmap->Image().copy();
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                bitmap->SetPixel(x, y, bitmap->GetPixel(x, y));
        EXPECT_EQ(bitmap->Image(), before);
    }
}

TEST(Bitmap, PalettedWriteStoresNearestEntry) {
    auto bitmap = MakeBitmap(4, 1, QImage::Format_Indexed8);
    struct Case {
        TColor written;
        TColor stored;
    } const cases[] = {
        {clRed, RGB(85, 85, 85)}, // (255,0,0): distance to 85-grey is smallest
        {clWhite, clWhite},
        {RGB(200, 160, 150), RGB(170, 170, 170)},
        {RGB(40, 40, 40), RGB(0, 0, 0)},
        {RGB(43, 43, 43), RGB(85, 85, 85)},
        {clRed, RGB(85, 85, 85)}, // again, now from the cache
    };
    for (const auto& c : cases) {
        bitmap->SetPixel(2, 0, c.written);
        EXPECT_EQ(bitmap->GetPixel(2, 0), c.stored) << std::hex << c.written;
    }
    EXPECT_EQ(bitmap->PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(bitmap->Image().colorCount(), 4);
}

TEST(Bitmap, AssignSharesUntilEitherSideChanges) {
    for (const bool writeSource : {false, true}) {
        auto source = MakeBitmap(5, 5, QImage::Format_RGB888);
        TBitmap dest;
        source->SetPixel(0, 0, clRed); // the source has live write pointers
        dest.Assign(*source);
        EXPECT_EQ(dest.Width(), 5);
        EXPECT_EQ(dest.PixelFormat(), TPixelFormat::pf24bit);
        EXPECT_EQ(dest.Image().constBits(), source->Image().constBits()) << "shared until a change";
        TBitmap& written = writeSource ? *source : dest;
        TBitmap& other = writeSource ? dest : *source;
        written.SetPixel(1, 1, clWhite);
        written.Canvas()->Rectangle(3, 3, 5, 5);
        EXPECT_EQ(written.GetPixel(1, 1), clWhite);
        EXPECT_EQ(other.GetPixel(1, 1), Expected(1, 1)) << "writeSource=" << writeSource;
        EXPECT_EQ(other.GetPixel(4, 4), Expected(4, 4));
        EXPECT_EQ(other.GetPixel(0, 0), clRed);
        // and the other side can still be written without touching the first
        other.SetPixel(2, 2, clBlack);
        EXPECT_EQ(written.GetPixel(2, 2), Expected(2, 2));
    }
}

TEST(Bitmap, QImageTakenFromBitmapIsASnapshot) {
    auto bitmap = MakeBitmap(3, 3, QImage::Format_RGB32);
    bitmap->SetPixel(0, 0, clRed);
    const QImage snapshot = bitmap->Image();
    bitmap->SetPixel(1, 1, clRed);
    EXPECT_EQ(snapshot.pixel(1, 1), qRgb(1, 1, 0));
}

TEST(Bitmap, ChangeListenerFiresOncePerBurst) {
    TBitmap bitmap;
    int calls = 0;
    bitmap.SetOnChange([&] { ++calls; });
    bitmap.SetWidth(10);
    bitmap.SetHeight(10);
    EXPECT_EQ(calls, 1);
    bitmap.AcknowledgeChange();
    bitmap.GetPixel(1, 1); // a read is not a change
    EXPECT_EQ(calls, 1);
    for (int i = 0; i < 100; ++i)
        bitmap.SetPixel(i % 10, i / 10, clRed);
    EXPECT_EQ(calls, 2);
    // each kind of write after an acknowledgement counts
    TBitmap other;
    other.SetWidth(2);
    other.SetHeight(2);
    const std::function<void(TBitmap&)> writes[] = {
        [](TBitmap& b) { b.SetPixel(0, 0, clBlack); },
        [](TBitmap& b) { b.Canvas()->Rectangle(0, 0, 2, 2); },
        [](TBitmap& b) { b.Canvas()->TextOut(0, 0, "A"); },
        [&](TBitmap& b) { b.Canvas()->StretchDraw(Rect(0, 0, 5, 5), &other); },
        [](TBitmap& b) { b.SetWidth(12); },
        [](TBitmap& b) { b.SetHeight(12); },
        [&](TBitmap& b) { b.Assign(other); },
        [](TBitmap& b) { b.SetImage(QImage(4, 4, QImage::Format_RGB888)); },
    };
    for (const auto& write : writes) {
        bitmap.AcknowledgeChange();
        const int before = calls;
        write(bitmap);
        EXPECT_EQ(calls, before + 1);
    }
}

TEST(Bitmap, ListenerSeesThePixelsBeforeTheWriteThatNotifiesIt) {
    for (const auto format : kFormats) {
        auto bitmap = MakeBitmap(4, 4, format);
        const auto original = MakeBitmap(4, 4, format);
        ASSERT_NE(original->GetPixel(2, 1), clBlack);
        ASSERT_NE(original->GetPixel(3, 3), clBlack);
        QImage seen;
        int calls = 0;
        // A listener that keeps what it sees and at once asks to hear of the next write.
        bitmap->SetOnChange([&] {
            seen = bitmap->Image();
            ++calls;
            bitmap->AcknowledgeChange();
        });
        bitmap->SetPixel(2, 1, clBlack);
        bitmap->SetPixel(3, 3, clBlack);
        EXPECT_EQ(calls, 2) << format;
        EXPECT_EQ(bitmap->GetPixel(2, 1), clBlack);
        EXPECT_EQ(bitmap->GetPixel(3, 3), clBlack);
        // the copy taken during the second notification has the first write only
        TBitmap copy;
        copy.SetImage(seen);
        EXPECT_EQ(copy.GetPixel(2, 1), clBlack) << format;
        EXPECT_EQ(copy.GetPixel(3, 3), original->GetPixel(3, 3)) << format;
        bitmap->SetOnChange(nullptr);
    }
}

TEST(Bitmap, AWriteWhoseListenerShrinksTheBitmapIsDropped) {
    for (const auto format : kFormats) {
        auto bitmap = MakeBitmap(64, 64, format);
        bitmap->SetOnChange([&] { bitmap->SetHeight(2); });
        bitmap->SetPixel(10, 40, clBlack); // now outside: must not land past the pixels
        bitmap->SetOnChange(nullptr);
        EXPECT_EQ(bitmap->Height(), 2) << format;
        EXPECT_EQ(bitmap->GetPixel(10, 40), clInvalid);
    }
}

TEST(Bitmap, ResizeKeepsTopLeftAndFillsWithBrushColour) {
    for (const auto format : {QImage::Format_RGB888, QImage::Format_Indexed8}) {
        auto bitmap = MakeBitmap(4, 3, format);
        const TColor kept = bitmap->GetPixel(1, 2);
        bitmap->Canvas()->Brush.Color = format == QImage::Format_Indexed8 ? clWhite : clRed;
        bitmap->SetWidth(6);
        bitmap->SetHeight(5);
        bitmap->SetWidth(5);
        EXPECT_EQ(bitmap->Width(), 5);
        EXPECT_EQ(bitmap->Height(), 5);
        EXPECT_EQ(bitmap->Image().format(), format);
        EXPECT_EQ(bitmap->GetPixel(1, 2), kept);
        const TColor fill = bitmap->Canvas()->Brush.Color;
        EXPECT_EQ(bitmap->GetPixel(4, 0), fill);
        EXPECT_EQ(bitmap->GetPixel(0, 4), fill);
        EXPECT_EQ(bitmap->GetPixel(4, 4), fill);
        if (format == QImage::Format_Indexed8) {
            EXPECT_EQ(bitmap->Image().colorCount(), 4);
        }
    }
    TBitmap plain; // no canvas: white
    plain.SetImage(QImage(1, 1, QImage::Format_RGB888));
    plain.SetWidth(2);
    EXPECT_EQ(plain.GetPixel(1, 0), clWhite);
    EXPECT_FALSE(plain.HasCanvas());
}

TEST(Bitmap, ScanLineWritesDetachAndCountAsAChange) {
    auto source = MakeBitmap(4, 3, QImage::Format_RGB888);
    TBitmap copy;
    copy.Assign(*source);
    int calls = 0;
    copy.SetOnChange([&] { ++calls; });
    uchar* row = copy.ScanLine(2);
    row[0] = 0xFF; // red of (0, 2)
    row[1] = row[2] = 0;
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(copy.GetPixel(0, 2), clRed);
    EXPECT_EQ(source->GetPixel(0, 2), Expected(0, 2));
}
