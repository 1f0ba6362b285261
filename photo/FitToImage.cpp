#include "FitToImage.h"

#include "TCanvas.h"
#include "TImage.h"

void FitToImage(const TBitmap& bitmap, TImage& image) {
    const TRect rect = Rect(0, 0, image.width(), image.height());
    image.Canvas()->StretchDraw(rect, &bitmap);
}
