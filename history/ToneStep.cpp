#include "ToneStep.h"

#include "CompositionState.h"
#include "TBitmap.h"

#include <utility>

TToneStep::TToneStep(const TWindowControls& controls, QString name)
    : TPhotoStep(controls), photo_(SharedCopyOf(*Composition.WorkBitmap)), name_(std::move(name)) {}

TToneStep::~TToneStep() = default;

std::uint64_t TToneStep::Bytes() const {
    return static_cast<std::uint64_t>(photo_->Image().sizeInBytes());
}

void TToneStep::Exchange(const TWindowControls& c) {
    ExchangePixels(*Composition.WorkBitmap, *photo_);
    ExchangeView(c);
}
