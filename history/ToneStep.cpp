#include "ToneStep.h"

#include "CompositionState.h"
#include "ImageAllocation.h"
#include "TBitmap.h"

#include <utility>

std::unique_ptr<TBitmap> PhotoCopyOf(const TBitmap& photo) {
    auto copy = std::make_unique<TBitmap>();
    const QImage& pixels = photo.Image();
    if (pixels.isNull()) {
        copy->Assign(photo); // no pixels, only the size
        return copy;
    }
    // Made here rather than when the pass first writes, so that it is made
    // where the memory guard has made room for it, and in the block a
    // photo-sized image let go has left.
    QImage copied = CopyImage(pixels);
    if (copied.isNull())
        return nullptr;
    copy->SetImage(std::move(copied));
    return copy;
}

TToneStep::TToneStep(const TWindowControls& controls, QString name, std::unique_ptr<TBitmap> before)
    : TPhotoStep(controls), photo_(std::move(before)), name_(std::move(name)) {}

TToneStep::~TToneStep() = default;

std::uint64_t TToneStep::Bytes() const {
    return static_cast<std::uint64_t>(photo_->Image().sizeInBytes());
}

void TToneStep::Exchange(const TWindowControls& c) {
    ExchangePixels(*Composition.WorkBitmap, *photo_);
    ExchangeView(c);
}
