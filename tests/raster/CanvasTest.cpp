#include "TFont.h"
#include "TBitmap.h"
#include "TCanvas.h"

#include <QFontInfo>
#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

std::unique_ptr<TBitmap> Solid(int w, int h, TColor color, TPixelFormat format = TPixelFormat::pf24bit) {
    QImage image(w, h, format == TPixelFormat::pf24bit ? QImage::Format_RGB888 : QImage::Format_RGB32);
    image.fill(QColor(GetRValue(color), GetGValue(color), GetBValue(color)));
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetImage(image);
    return bitmap;
}

// Every pixel must be `inside` where pred holds, `outside` elsewhere.
void ExpectPixels(const TBitmap& b, const std::function<bool(int, int)>& pred, TColor inside, TColor outside) {
    int wrong = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const TColor want = pred(x, y) ? inside : outside;
            if (b.GetPixel(x, y) != want && ++wrong <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << b.GetPixel(x, y)
                              << " want " << want;
        }
    EXPECT_EQ(wrong, 0);
}

} // namespace

TEST(Canvas, NewCanvasState) {
    TBitmap bitmap;
    TCanvas& c = *bitmap.Canvas();
    EXPECT_EQ(c.Pen.Color, clBlack);
    EXPECT_EQ(c.Pen.Width, 1);
    EXPECT_EQ(c.Brush.Color, clWhite);
    EXPECT_EQ(c.Brush.Style, TBrushStyle::bsSolid);
    EXPECT_EQ(c.Font.Name, "ＭＳ Ｐゴシック");
    EXPECT_EQ(c.Font.Size, 9);
    EXPECT_EQ(c.Font.Charset, SHIFTJIS_CHARSET);
    EXPECT_EQ(c.Font.Color, clWindowText);
}

TEST(Canvas, Rectangles) {
    struct Case {
        const char* name;
        int w, h;
        TColor pen, brush;
        int penWidth;
        TPenStyle penStyle;
        TBrushStyle brushStyle;
        TRect box;
        std::function<bool(int, int)> penPixel;   // takes the pen colour
        std::function<bool(int, int)> brushPixel; // takes the brush colour
    };
    const TColor grey = RGB(9, 9, 9);
    const Case cases[] = {
        {"separator strip", 600, 450, clWhite, clWhite, 1, TPenStyle::psSolid, TBrushStyle::bsSolid,
         Rect(297, 0, 302, 450), [](int x, int) { return x >= 297 && x <= 301; }, nullptr},
        {"thumbnail border", 120, 90, clBlack, clWhite, 1, TPenStyle::psSolid, TBrushStyle::bsSolid,
         Rect(0, 0, 120, 90), [](int x, int y) { return x == 0 || x == 119 || y == 0 || y == 89; },
         [](int x, int y) { return x > 0 && x < 119 && y > 0 && y < 89; }},
        {"frame pen 2", 40, 30, clRed, clWhite, 2, TPenStyle::psSolid, TBrushStyle::bsClear,
         Rect(1, 1, 40, 30), [](int x, int y) { return x <= 1 || x >= 38 || y <= 1 || y >= 28; }, nullptr},
        {"pen 3 centred", 20, 20, clRed, clWhite, 3, TPenStyle::psSolid, TBrushStyle::bsSolid,
         Rect(5, 5, 15, 15),
         [](int x, int y) {
             const bool box = x >= 4 && x <= 15 && y >= 4 && y <= 15;
             return box && (x <= 6 || x >= 13 || y <= 6 || y >= 13);
         },
         [](int x, int y) { return x >= 7 && x <= 12 && y >= 7 && y <= 12; }},
        {"clipped", 10, 10, clRed, clWhite, 1, TPenStyle::psSolid, TBrushStyle::bsSolid, Rect(-5, 5, 5, 20),
         [](int x, int y) { return x < 5 && (y == 5 || (y > 5 && x == 4)); },
         [](int x, int y) { return y > 5 && x < 4; }},
        {"swapped corners", 10, 10, clRed, clWhite, 1, TPenStyle::psSolid, TBrushStyle::bsSolid,
         Rect(7, 7, 2, 2), [](int x, int y) { return x >= 2 && x <= 6 && y >= 2 && y <= 6 && (x == 2 || x == 6 || y == 2 || y == 6); },
         [](int x, int y) { return x >= 3 && x <= 5 && y >= 3 && y <= 5; }},
        {"clear pen", 10, 10, clRed, clWhite, 1, TPenStyle::psClear, TBrushStyle::bsSolid, Rect(2, 2, 5, 5),
         nullptr, [](int x, int y) { return x >= 2 && x < 5 && y >= 2 && y < 5; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto bitmap = Solid(c.w, c.h, grey);
        TCanvas& canvas = *bitmap->Canvas();
        canvas.Pen.Color = c.pen;
        canvas.Pen.Width = c.penWidth;
        canvas.Pen.Style = c.penStyle;
        canvas.Brush.Color = c.brush;
        canvas.Brush.Style = c.brushStyle;
        canvas.Rectangle(c.box);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                const TColor want = c.penPixel && c.penPixel(x, y)       ? c.pen
                                    : c.brushPixel && c.brushPixel(x, y) ? c.brush
                                                                         : grey;
                ASSERT_EQ(bitmap->GetPixel(x, y), want) << x << "," << y;
            }
    }
}

TEST(Canvas, StretchDrawClipsToTheDestination) {
    // 3000 x 2000 photo into (0,0,602,403) of a 600 x 600 picture.
    auto photo = Solid(3000, 2000, clRed);
    auto picture = Solid(600, 600, RGB(1, 2, 3), TPixelFormat::pf32bit);
    picture->Canvas()->StretchDraw(Rect(0, 0, 602, 403), photo.get());
    ExpectPixels(*picture, [](int, int y) { return y <= 402; }, clRed, RGB(1, 2, 3));
}

TEST(Canvas, StretchDrawRepeatsAndDropsWholeRowsAndColumns) {
    // 4 x 2 source of distinct colours, drawn 2x, 1x and 0.5x.
    QImage image(4, 2, QImage::Format_RGB888);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            image.setPixel(x, y, qRgb(10 * x, 100 + y, 0));
    TBitmap source;
    source.SetImage(image);
    for (const int scale2 : {4, 2, 1}) { // destination size = source * scale2 / 2
        auto dest = Solid(2 * scale2 + 3, scale2 + 3, clWhite);
        const int w = 2 * scale2, h = scale2;
        dest->Canvas()->StretchDraw(Rect(1, 1, 1 + w, 1 + h), &source);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int sx = (2 * x + 1) * 4 / (2 * w), sy = (2 * y + 1) * 2 / (2 * h);
                ASSERT_EQ(dest->GetPixel(1 + x, 1 + y), RGB(10 * sx, 100 + sy, 0)) << scale2 << ": " << x << "," << y;
            }
        EXPECT_EQ(dest->GetPixel(0, 0), clWhite);
        EXPECT_EQ(dest->GetPixel(1 + w, 1 + h), clWhite);
    }
}

TEST(Canvas, StretchDrawConvertsBetweenFormats) {
    QImage grey(2, 1, QImage::Format_Indexed8);
    grey.setColorTable({qRgb(0, 0, 0), qRgb(128, 128, 128), qRgb(255, 255, 255)});
    grey.setPixel(0, 0, 1);
    grey.setPixel(1, 0, 2);
    TBitmap paletted;
    paletted.SetImage(grey);
    for (const auto format : {QImage::Format_RGB888, QImage::Format_RGB32}) {
        TBitmap dest;
        dest.SetImage(QImage(2, 1, format));
        dest.Canvas()->StretchDraw(Rect(0, 0, 2, 1), &paletted);
        EXPECT_EQ(dest.GetPixel(0, 0), RGB(128, 128, 128));
        EXPECT_EQ(dest.GetPixel(1, 0), clWhite);
        // colour back onto the paletted bitmap: nearest grey
        auto colour = Solid(2, 1, RGB(200, 120, 120));
        TBitmap target;
        target.Assign(paletted);
        target.Canvas()->StretchDraw(Rect(0, 0, 2, 1), colour.get());
        EXPECT_EQ(target.GetPixel(0, 0), RGB(128, 128, 128));
        EXPECT_EQ(paletted.GetPixel(1, 0), clWhite) << "the assigned source stays";
    }
}

TEST(Canvas, StretchDrawWithoutSourceOrWithAnEmptyRectangleDrawsNothing) {
    auto source = Solid(5, 5, clRed);
    auto dest = Solid(10, 10, clWhite);
    dest->AcknowledgeChange();
    dest->Canvas()->StretchDraw(Rect(0, 0, 10, 10), nullptr);
    dest->Canvas()->StretchDraw(Rect(8, 8, 2, 2), source.get());
    dest->Canvas()->StretchDraw(Rect(3, 3, 3, 9), source.get());
    dest->Canvas()->StretchDraw(Rect(20, 20, 30, 30), source.get());
    ExpectPixels(*dest, [](int, int) { return false; }, clRed, clWhite);
}

TEST(Canvas, StretchDrawOntoItselfReadsThePixelsBeforeTheDraw) {
    QImage image(4, 1, QImage::Format_RGB888);
    for (int x = 0; x < 4; ++x)
        image.setPixel(x, 0, qRgb(x, 0, 0));
    TBitmap bitmap;
    bitmap.SetImage(image);
    bitmap.SetPixel(0, 0, RGB(0, 0, 0)); // live write pointers
    bitmap.Canvas()->StretchDraw(Rect(1, 0, 5, 1), &bitmap); // shifted one to the right
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(bitmap.GetPixel(x, 0), RGB(std::max(x - 1, 0), 0, 0)) << x;
}

TEST(Canvas, FontPixelHeight) {
    struct Case {
        int size, pixels;
    } const cases[] = {{9, 12}, {16, 21}, {8, 11}, {12, 16}, {3, 4}};
    for (const auto& c : cases) {
        TFont font;
        font.Size = c.size;
        EXPECT_EQ(font.PixelHeight(), c.pixels) << c.size;
        EXPECT_EQ(ToQFont(font).pixelSize(), c.pixels);
    }
}

TEST(Canvas, JapaneseFacesMapOntoInstalledFonts) {
    struct Case {
        const char* face;
        const char* family;
    } const cases[] = {{"ＭＳ Ｐゴシック", "IPAPGothic"}, {"ＭＳ ゴシック", "IPAGothic"},
                       {"ＭＳ Ｐ明朝", "IPAPMincho"},    {"ＭＳ 明朝", "IPAMincho"}};
    for (const auto& c : cases) {
        TFont font;
        font.Name = c.face;
        EXPECT_EQ(QFontInfo(ToQFont(font)).family(), QString::fromLatin1(c.family)) << c.face;
    }
}

TEST(Canvas, TextOutFillsItsCellsAndAdvancesThePen) {
    auto bitmap = Solid(200, 40, RGB(50, 60, 70));
    TCanvas& canvas = *bitmap->Canvas();
    canvas.Font.Size = 16;
    canvas.Font.Color = clWindowText;
    canvas.Brush.Color = clRed;
    const std::string text = "位置 1";
    const int width = canvas.TextWidth(text);
    const int height = canvas.TextHeight(text);
    ASSERT_GT(width, 20);
    ASSERT_GE(height, 21);
    canvas.TextOut(10, 5, text);
    EXPECT_EQ(canvas.PenPos, (TPoint{10 + width, 5}));
    int ink = 0;
    for (int y = 0; y < bitmap->Height(); ++y)
        for (int x = 0; x < bitmap->Width(); ++x) {
            const bool cell = x >= 10 && x < 10 + width && y >= 5 && y < 5 + height;
            const TColor c = bitmap->GetPixel(x, y);
            if (!cell)
                ASSERT_EQ(c, RGB(50, 60, 70)) << x << "," << y;
            else if (c == clBlack)
                ++ink;
            else
                ASSERT_EQ(c, clRed) << "no antialiasing: " << x << "," << y;
        }
    EXPECT_GT(ink, 30);

    // A clear brush keeps the background.
    auto clear = Solid(200, 40, RGB(50, 60, 70));
    clear->Canvas()->Font.Size = 16;
    clear->Canvas()->Brush.Style = TBrushStyle::bsClear;
    clear->Canvas()->TextOut(10, 5, text);
    int background = 0, black = 0;
    for (int y = 5; y < 5 + height; ++y)
        for (int x = 10; x < 10 + width; ++x) {
            const TColor c = clear->GetPixel(x, y);
            background += c == RGB(50, 60, 70);
            black += c == clBlack;
        }
    EXPECT_EQ(black, ink);
    EXPECT_EQ(background + black, width * height);
}

TEST(Canvas, TextOnAPalettedBitmapTakesNearestColours) {
    QImage image(60, 30, QImage::Format_Indexed8);
    image.setColorTable({qRgb(0, 0, 0), qRgb(128, 128, 128), qRgb(255, 255, 255)});
    image.fill(2);
    TBitmap bitmap;
    bitmap.SetImage(image);
    bitmap.Canvas()->Brush.Color = RGB(120, 130, 140);
    bitmap.Canvas()->TextOut(0, 0, "AB");
    bool sawGrey = false, sawBlack = false;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x) {
            const TColor c = bitmap.GetPixel(x, y);
            sawGrey |= c == RGB(128, 128, 128);
            sawBlack |= c == clBlack;
        }
    EXPECT_TRUE(sawGrey && sawBlack);
    EXPECT_EQ(bitmap.GetPixel(59, 29), clWhite);
}
