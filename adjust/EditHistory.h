#pragma once
#include "WindowControls.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

class TBitmap;

enum class TTurnDirection { Right, Left };

// What the next tone pass could keep for taking it back.
enum class TToneKeeping {
    Kept,        // a copy of the photo before it, with every older step
    DropsOldest, // a copy, for which the oldest kept copy has to go
    NotKept,     // no copy fits: the pass cannot be taken back
};

// The steps that change the photo (tone passes, quarter turns) or the output
// picture (trimmings), carried out here and recorded so that they can be taken
// back and done again, newest first.
//
// A turn is taken back by the opposite turn. A tone pass is taken back by a
// copy of the photo kept before it, as many as the memory free for photo
// copies allows after a turn's room (PhotoMemory.h); the oldest go first, and
// a step whose copy is gone can no longer be taken back, nor can anything
// before it. A trimming is taken back by the output picture before it.
// Taking a step back or doing it again exchanges what the step changed with
// what it holds: the photo, the input panel's size and picture, or the output
// picture and the view shown (the one a trimming found, or the output view it
// showed); nothing else.
class TEditHistory {
public:
    // Far more than a user takes back; holds the memory of the small copies
    // (the 600 x 600 input picture, the 600 x 450 output) within bounds.
    static constexpr std::size_t MaxSteps = 40;

    TEditHistory();
    ~TEditHistory();
    TEditHistory(const TEditHistory&) = delete;
    TEditHistory& operator=(const TEditHistory&) = delete;

    // The commands, recorded. A tone pass changes the photo with `pass` and
    // redraws the input view; a pass that fails part way can still be taken
    // back. A turn sizes the input panel and redraws the view as well.
    void TonePass(const TWindowControls& c, const std::function<void(TBitmap&)>& pass);
    void Turn(const TWindowControls& c, TTurnDirection direction);
    void Trim(const TWindowControls& c);

    // False, with nothing changed, when there is no step to take.
    bool Undo(const TWindowControls& c);
    bool Redo(const TWindowControls& c);
    bool CanUndo() const { return done_ > 0; }
    bool CanRedo() const { return done_ < steps_.size(); }

    // Another photo replaced the working bitmap: the steps on the photo are
    // forgotten; those on the output picture stay.
    void PhotoReplaced();

    TToneKeeping NextTonePass(const TBitmap& photo) const;

    // Bytes held in kept photo copies.
    std::uint64_t KeptPhotoBytes() const;

private:
    struct Step;

    void Record(std::unique_ptr<Step> step);
    void ForgetUndone();
    // Makes room for a copy of `photo`: false when it cannot be kept at all.
    bool MakeRoomForCopy(const TBitmap& photo);
    void DropOldest(std::size_t count);
    void Exchange(const TWindowControls& c, Step& step, bool back);

    // steps_[0, done_) can be taken back, the newest last; steps_[done_, end)
    // were taken back and can be done again, the next one first.
    std::deque<std::unique_ptr<Step>> steps_;
    std::size_t done_ = 0;
};
