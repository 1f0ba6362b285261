#include "EditHistory.h"

#include "CompositionState.h"
#include "FitToImage.h"
#include "InputPanel.h"
#include "PhotoMemory.h"
#include "TBitmap.h"
#include "TImage.h"
#include "TPanel.h"
#include "ToneStep.h"
#include "TrimStep.h"
#include "Trimming.h"

namespace {

std::uint64_t BytesOf(const TBitmap& bitmap) {
    return static_cast<std::uint64_t>(bitmap.Image().sizeInBytes());
}

} // namespace

TEditHistory::TEditHistory() = default;

void TEditHistory::TonePass(const TWindowControls& c, const std::function<void(TBitmap&)>& pass,
                            const QString& name) {
    TBitmap& photo = *Composition.WorkBitmap;
    steps_.ForgetUndone();
    if (MakeRoomForCopy(photo)) {
        // Recorded before the pass: one that fails part way can be taken back.
        steps_.Push(std::make_unique<TToneStep>(c, name));
    } else {
        // Nothing older can be reached past a step that cannot be taken back.
        steps_.DropDone();
    }
    pass(photo);
    FitToImage(photo, *c.Image2);
}

void TEditHistory::Turn(const TWindowControls& c, TTurnDirection direction) {
    TBitmap& photo = *Composition.WorkBitmap;
    auto step = std::make_unique<TTurnStep>(c, direction);
    // A turn that fails leaves the photo as it was: nothing to record then.
    ::Turn(photo, direction, *c.ProgressBar1);
    SizeInputPanel(*c.Panel2, photo.Width(), photo.Height());
    FitToImage(photo, *c.Image2);
    steps_.Push(std::move(step));
}

void TEditHistory::Trim(const TWindowControls& c) {
    auto step = std::make_unique<TTrimStep>(c);
    TTrimStep& recorded = *step;
    steps_.Push(std::move(step));
    ::Trim(c);
    recorded.Finished(c);
}

TToneKeeping TEditHistory::NextTonePass(const TBitmap& photo) const {
    // The free memory holds the kept copies already; the pass frees those of
    // the steps taken back, then needs one copy more and a turn's room.
    const std::uint64_t need = 2 * BytesOf(photo);
    const std::uint64_t usable = UsableMemory();
    if (need <= usable + steps_.UndoneBytes())
        return TToneKeeping::Kept;
    return need <= usable + steps_.Bytes() ? TToneKeeping::DropsOldest : TToneKeeping::NotKept;
}

bool TEditHistory::MakeRoomForCopy(const TBitmap& photo) {
    // The copy and, beside it, the room a turn takes, within the memory free
    // now; the free memory is read again after each copy let go.
    const std::uint64_t need = 2 * BytesOf(photo);
    while (need > UsableMemory())
        if (!steps_.DropThroughOldestHolding())
            return false;
    return true;
}
