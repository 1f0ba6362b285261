#include "EditHistory.h"

#include "CompositionState.h"
#include "FitToImage.h"
#include "InputPanel.h"
#include "PhotoMemory.h"
#include "Rotation.h"
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

std::uint64_t TEditHistory::CopyBudget() { return ProcessMemoryLimit() / 4; }

void TEditHistory::TonePass(const TWindowControls& c, const std::function<void(TBitmap&)>& pass,
                            const QString& name) {
    TBitmap& photo = *Composition.WorkBitmap;
    steps_.ForgetUndone();
    std::unique_ptr<TBitmap> copy = MakeRoomForCopy(photo) ? PhotoCopyOf(photo) : nullptr;
    if (copy) {
        // Recorded before the pass: one that fails part way can be taken back.
        steps_.Push(std::make_unique<TToneStep>(c, name, std::move(copy)));
    } else {
        // No copy can be reached past a change that cannot be taken back.
        steps_.PhotoChangedUnrecorded();
    }
    pass(photo);
    FitToImage(photo, *c.Image2);
}

void TEditHistory::Turn(const TWindowControls& c, TTurnDirection direction) {
    TBitmap& photo = *Composition.WorkBitmap;
    MakeRoomFor(TurnBytes(photo));
    auto step = std::make_unique<TTurnStep>(c, direction);
    // A turn that fails, or that the memory refuses, leaves the photo as it
    // was: nothing to record then.
    ::Turn(photo, direction, *c.ProgressBar1);
    SizeInputPanel(*c.Panel2, photo.Width(), photo.Height());
    FitToImage(photo, *c.Image2);
    steps_.Push(std::move(step));
}

void TEditHistory::Trim(const TWindowControls& c) {
    MakeRoomFor(TrimmingBytes(c));
    // Refused before anything changes: nothing to record then.
    CheckTrimmingMemory(c);
    auto step = std::make_unique<TTrimStep>(c);
    TTrimStep& recorded = *step;
    steps_.Push(std::move(step));
    ::Trim(c);
    recorded.Finished(c);
}

bool TEditHistory::Undo(const TWindowControls& c) {
    MakeRoomFor(steps_.UndoRoom());
    return steps_.Undo(c);
}

bool TEditHistory::Redo(const TWindowControls& c) {
    MakeRoomFor(steps_.RedoRoom());
    return steps_.Redo(c);
}

TToneKeeping TEditHistory::NextTonePass(const TBitmap& photo) const {
    // The rule MakeRoomForCopy follows. The pass first forgets the steps
    // taken back with their copies; the free memory holds the other copies.
    const std::uint64_t copy = BytesOf(photo);
    const std::uint64_t budget = CopyBudget();
    const std::uint64_t undone = steps_.UndoneBytes();
    const std::uint64_t done = steps_.Bytes() - undone;
    const std::uint64_t free = AvailableMemoryFor(copy);
    if (copy > budget)
        return TToneKeeping::NotKept;
    if (done + copy <= budget && 2 * copy <= UsableMemory(free + undone))
        return TToneKeeping::Kept;
    return 2 * copy <= UsableMemory(free + steps_.Bytes()) ? TToneKeeping::DropsOldest : TToneKeeping::NotKept;
}

bool TEditHistory::MakeRoomForCopy(const TBitmap& photo) {
    const std::uint64_t copy = BytesOf(photo);
    if (copy == 0)
        return true;
    const std::uint64_t budget = CopyBudget();
    if (copy > budget)
        return false;
    while (steps_.Bytes() + copy > budget)
        if (!steps_.DropOldestCopy())
            return false;
    // The copy and, beside it, the room a turn takes, within the memory free
    // now; the free memory is read again after each copy let go.
    while (2 * copy > ReadyMemoryFor(copy))
        if (!steps_.DropOldestCopy())
            return false;
    return true;
}

void TEditHistory::MakeRoomFor(std::uint64_t bytes) {
    // Copies go only when the picture then fits; otherwise the check that
    // follows refuses it, and the copies stay.
    if (bytes == 0 || bytes <= UsableMemoryFor(bytes) ||
        bytes > UsableMemory(AvailableMemoryFor(bytes) + steps_.Bytes()))
        return;
    while (bytes > ReadyMemoryFor(bytes) && steps_.DropFarthestCopy()) {
    }
}
