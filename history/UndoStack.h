#pragma once
#include "HistoryStep.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

// The steps that can be taken back, the newest last, and those taken back,
// which can be done again until a new step is pushed. It holds at most
// MaxSteps; whoever pushes keeps their photo-sized memory within its budget
// with the dropping below.
//
// A step that needs its photo copy is reached only through the steps between
// it and now: when one goes with its copy, those that need copies beyond it
// (older ones for a step done, newer ones for one taken back) go too, and the
// other photo steps beyond it stay, outdated. Turns are taken back by the
// opposite turn whatever passes lie between; trimmings act on the output
// picture alone and always stay.
class TUndoStack {
public:
    explicit TUndoStack(std::size_t maxSteps) : maxSteps_(maxSteps) {}

    // Forgets the steps taken back, then records the step as done; the
    // oldest go beyond MaxSteps.
    void Push(std::unique_ptr<THistoryStep> step);

    // False, with nothing changed, when there is no step to take or the step
    // fails (it then stays where it was and the failure goes on).
    bool Undo(const TWindowControls& controls);
    bool Redo(const TWindowControls& controls);
    bool CanUndo() const { return done_ > 0; }
    bool CanRedo() const { return done_ < steps_.size(); }
    // The names of the step Undo and Redo would take; empty when none.
    QString UndoName() const;
    QString RedoName() const;

    void ForgetUndone();
    // Drops the `count` oldest steps (all of them beyond the count held).
    void DropOldest(std::size_t count);
    // The oldest copy of the steps done goes; false when they hold none.
    bool DropOldestCopy();
    // The copy farthest from now goes: the newest of the steps taken back
    // (which the next step forgets anyway), else the oldest done; false when
    // there is none.
    bool DropFarthestCopy();
    // Every copy goes.
    void DropCopies();
    // The photo was changed by a step that cannot be taken back: the steps
    // done that need copies go, the other photo steps done are outdated.
    void PhotoChangedUnrecorded();
    // Forgets the steps on the photo, keeping the others in their order.
    void ForgetPhotoSteps();

    // The room that taking back or doing again the next step makes.
    std::uint64_t UndoRoom() const;
    std::uint64_t RedoRoom() const;

    std::uint64_t Bytes() const;
    // What the steps taken back hold, freed by the next push.
    std::uint64_t UndoneBytes() const;

private:
    // Drops the steps that need copies at `index` and beyond it (older ones
    // or newer ones), outdating the other photo steps there.
    void DropBeyond(std::size_t index, bool older);
    // Drops the step at `index`, which needs its copy, as described above.
    void DropCopyAt(std::size_t index);

    std::size_t maxSteps_;
    // steps_[0, done_) can be taken back, the newest last; steps_[done_, end)
    // were taken back and can be done again, the next one first.
    std::deque<std::unique_ptr<THistoryStep>> steps_;
    std::size_t done_ = 0;
};
