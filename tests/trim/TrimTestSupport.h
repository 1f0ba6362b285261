#pragma once
#include "CompositionState.h"
#include "FormFixture.h"
#include "TApplication.h"
#include "TBitmap.h"
#include "TCanvas.h"
#include "TImage.h"
#include "TSelShape.h"

#include <QImage>
#include <optional>

// A photo whose every pixel tells where it lies: colour (x + 1) + (y + 1) * 4096,
// so no pixel of it is black or white.
inline std::unique_ptr<TBitmap> CoordinatePhoto(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const TColor c = (x + 1) | ((y + 1) << 12);
            line[x] = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
        }
    }
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetImage(image);
    return bitmap;
}

struct PhotoPoint {
    int X;
    int Y;
};

// The photo pixel a colour of CoordinatePhoto came from; nothing for black,
// white and any other colour the pattern never has.
inline std::optional<PhotoPoint> PhotoPointOf(TColor c) {
    const int x = (c & 0xFFF) - 1;
    const int y = ((c >> 12) & 0xFFF) - 1;
    if (c == clBlack || c == clWhite || x < 0 || y < 0)
        return std::nullopt;
    return PhotoPoint{x, y};
}

// Inclusive rectangles, as pixel ranges.
struct Area {
    int X1, Y1, X2, Y2;
    bool Contains(int x, int y) const { return x >= X1 && x <= X2 && y >= Y1 && y <= Y2; }
};

// A main window whose error report is recorded, so nothing may go to a
// message box unnoticed.
class TrimFixture : public FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        TApplication::SetErrorReporter(
            [this](const QString&, const QString& text) { reports.append(text); });
    }
    void TearDown() override {
        EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
        TApplication::SetErrorReporter(nullptr);
        FormFixture::TearDown();
    }

    // The photo, shown in a view viewWidth wide.
    void OpenPattern(int width, int height, int viewWidth) {
        Composition.WorkBitmap = CoordinatePhoto(width, height);
        const int viewHeight = std::max(1, height * viewWidth / width);
        form->Panel2->resize(viewWidth, viewHeight);
        form->Image2->resize(viewWidth, viewHeight);
    }
    void PlaceFrame(int left, int top, int width, int height) {
        form->SelShape1->SetLeft(left);
        form->SelShape1->SetTop(top);
        form->SelShape1->SetWidth(width);
        form->SelShape1->SetHeight(height);
    }
    void Choose(int layout, int cell) {
        Composition.LayoutKind = layout;
        Composition.CurrentCell = cell;
    }
    void FillOutput(TColor color) {
        TCanvas& canvas = *form->Image1->Canvas();
        canvas.Pen.Color = color;
        canvas.Brush.Color = color;
        canvas.Rectangle(0, 0, 600, 450);
    }
    TColor OutputPixel(int x, int y) { return form->Image1->PictureBitmap()->GetPixel(x, y); }

    QStringList reports;
};
