#pragma once
#include "PhotoReplaced.h"
#include "TurnStep.h"
#include "UndoStack.h"
#include "WindowControls.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>

class TBitmap;

// What the next tone pass could keep for taking it back.
enum class TToneKeeping {
    Kept,        // a copy of the photo before it, with every older step
    DropsOldest, // a copy, for which the oldest kept copy has to go
    NotKept,     // no copy fits: the pass cannot be taken back
};

// The window's commands that change the photo (tone passes, quarter turns)
// or the output picture (trimmings), carried out here and recorded as steps
// that can be taken back and done again.
//
// A tone pass keeps a copy of the photo before it: the copies stay within a
// budget of a quarter of the memory the process may use (the least of the
// machine's memory and its control groups' limits), and each is kept only
// while the memory free holds it and a turn's room beside it (PhotoMemory.h).
// The oldest go first; a pass whose copy is gone can no longer be taken back,
// nor can an older one. Turns (taken back by the opposite turn) and trimmings
// need no copy and stay (UndoStack.h). The copies are given up before a new
// photo's memory is checked, and when a turn or trimming fits only without
// them. Taking back a step changes only what the step changed: the photo with
// the input panel's size and picture, or the output picture with the view
// shown.
class TEditHistory {
public:
    // Far more than a user takes back; holds the memory of the small copies
    // (the 600 x 600 input picture, the 600 x 450 output) within bounds.
    static constexpr std::size_t MaxSteps = 40;

    TEditHistory();
    TEditHistory(const TEditHistory&) = delete;
    TEditHistory& operator=(const TEditHistory&) = delete;

    // The commands, recorded. A tone pass changes the photo with `pass` and
    // redraws the input view; a pass that fails part way can still be taken
    // back. A turn sizes the input panel and redraws the view as well.
    void TonePass(const TWindowControls& c, const std::function<void(TBitmap&)>& pass,
                  const QString& name = QStringLiteral("トーン"));
    void Turn(const TWindowControls& c, TTurnDirection direction);
    void Trim(const TWindowControls& c);

    // False, with nothing changed, when there is no step to take.
    bool Undo(const TWindowControls& c);
    bool Redo(const TWindowControls& c);
    bool CanUndo() const { return steps_.CanUndo(); }
    bool CanRedo() const { return steps_.CanRedo(); }
    QString UndoName() const { return steps_.UndoName(); }
    QString RedoName() const { return steps_.RedoName(); }

    // An opening is about to check the memory for a new photo: the copies
    // go. Another photo replaced the working bitmap: the steps on the photo
    // are forgotten; those on the output picture stay. Heard from every
    // opening.
    void PhotoOpening() { steps_.DropCopies(); }
    void PhotoReplaced() { steps_.ForgetPhotoSteps(); }

    TToneKeeping NextTonePass(const TBitmap& photo) const;

    // Bytes held in kept photo copies, and the most they may take.
    std::uint64_t KeptPhotoBytes() const { return steps_.Bytes(); }
    static std::uint64_t CopyBudget();

private:
    // Makes room for a copy of `photo`: false when it cannot be kept at all.
    bool MakeRoomForCopy(const TBitmap& photo);
    // Lets copies go, the farthest from now first, while a photo-sized
    // picture of `bytes` does not fit in the memory free and would once they
    // have gone.
    void MakeRoomFor(std::uint64_t bytes);

    TUndoStack steps_{MaxSteps};
    TPhotoOpeningListener opening_{[this] { PhotoOpening(); }};
    TPhotoReplacedListener opened_{[this] { PhotoReplaced(); }};
};
