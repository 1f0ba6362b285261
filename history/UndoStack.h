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
    // Drops the oldest step that holds memory, with every step before it,
    // which could no longer be reached; false when none holds any.
    bool DropThroughOldestHolding();
    // Forgets the steps on the photo, keeping the others in their order.
    void ForgetPhotoSteps();
    // Every step done, as when a step that cannot be taken back is carried out.
    void DropDone() { DropOldest(done_); }

    std::uint64_t Bytes() const;
    // What the steps taken back hold, freed by the next push.
    std::uint64_t UndoneBytes() const;

private:
    std::size_t maxSteps_;
    // steps_[0, done_) can be taken back, the newest last; steps_[done_, end)
    // were taken back and can be done again, the next one first.
    std::deque<std::unique_ptr<THistoryStep>> steps_;
    std::size_t done_ = 0;
};
