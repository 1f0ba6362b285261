#include "TrimStep.h"

#include "PhotoStep.h"
#include "TBitmap.h"
#include "TImage.h"
#include "ViewSwitch.h"

TTrimStep::TTrimStep(const TWindowControls& c)
    : output_(SharedCopyOf(*c.Image1->PictureBitmap())), inputShownBefore_(InputViewShown(c)) {}

TTrimStep::~TTrimStep() = default;

void TTrimStep::Finished(const TWindowControls& c) { inputShownAfter_ = InputViewShown(c); }

void TTrimStep::Undo(const TWindowControls& c) { Exchange(c, inputShownBefore_); }

void TTrimStep::Redo(const TWindowControls& c) { Exchange(c, inputShownAfter_); }

void TTrimStep::Exchange(const TWindowControls& c, bool inputShown) {
    ExchangePixels(*c.Image1->PictureBitmap(), *output_);
    RequestView(c, inputShown ? TView::Input : TView::Output);
}
