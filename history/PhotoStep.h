#pragma once
#include "HistoryStep.h"

#include <QSize>
#include <memory>

class TBitmap;

// A step on the working photo. Besides what the step itself changes, it
// holds the input panel's size and the input view's picture.
class TPhotoStep : public THistoryStep {
public:
    // Takes the input panel's size and picture as they are before the step.
    explicit TPhotoStep(const TWindowControls& controls);
    ~TPhotoStep() override;

    bool OnPhoto() const override { return true; }
    void Outdated() override;

protected:
    // Exchanges the held panel size and picture with the shown ones; once
    // outdated, sizes the panel for the photo and draws the view from it.
    void ExchangeView(const TWindowControls& controls);

private:
    std::unique_ptr<TBitmap> view_;
    QSize panel_;
};

// A copy sharing the pixels: whichever side is written next makes its own.
std::unique_ptr<TBitmap> SharedCopyOf(const TBitmap& bitmap);
// Swaps the pixels of two bitmaps without copying them.
void ExchangePixels(TBitmap& shown, TBitmap& kept);
