#include "PhotoStep.h"

#include "CompositionState.h"
#include "FitToImage.h"
#include "InputPanel.h"
#include "TBitmap.h"
#include "TImage.h"
#include "TPanel.h"

std::unique_ptr<TBitmap> SharedCopyOf(const TBitmap& bitmap) {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(bitmap);
    return copy;
}

void ExchangePixels(TBitmap& shown, TBitmap& kept) {
    TBitmap held;
    held.Assign(shown);
    shown.Assign(kept);
    kept.Assign(held);
}

TPhotoStep::TPhotoStep(const TWindowControls& c)
    : view_(SharedCopyOf(*c.Image2->PictureBitmap())), panel_(c.Panel2->size()) {}

TPhotoStep::~TPhotoStep() = default;

void TPhotoStep::Outdated() { view_.reset(); }

void TPhotoStep::ExchangeView(const TWindowControls& c) {
    if (!view_) {
        const TBitmap& photo = *Composition.WorkBitmap;
        SizeInputPanel(*c.Panel2, photo.Width(), photo.Height());
        FitToImage(photo, *c.Image2);
        return;
    }
    const QSize shown = c.Panel2->size();
    c.Panel2->SetWidth(panel_.width());
    c.Panel2->SetHeight(panel_.height());
    panel_ = shown;
    ExchangePixels(*c.Image2->PictureBitmap(), *view_);
}
