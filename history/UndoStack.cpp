#include "UndoStack.h"

#include <algorithm>
#include <numeric>

namespace {

template <typename It>
std::uint64_t BytesHeld(It first, It last) {
    return std::accumulate(first, last, std::uint64_t{0},
                           [](std::uint64_t sum, const auto& s) { return sum + s->Bytes(); });
}

} // namespace

void TUndoStack::Push(std::unique_ptr<THistoryStep> step) {
    ForgetUndone();
    steps_.push_back(std::move(step));
    done_ = steps_.size();
    if (steps_.size() > maxSteps_)
        DropOldest(steps_.size() - maxSteps_);
}

bool TUndoStack::Undo(const TWindowControls& controls) {
    if (!CanUndo())
        return false;
    steps_[done_ - 1]->Undo(controls);
    --done_;
    return true;
}

bool TUndoStack::Redo(const TWindowControls& controls) {
    if (!CanRedo())
        return false;
    steps_[done_]->Redo(controls);
    ++done_;
    return true;
}

QString TUndoStack::UndoName() const { return CanUndo() ? steps_[done_ - 1]->Name() : QString(); }

QString TUndoStack::RedoName() const { return CanRedo() ? steps_[done_]->Name() : QString(); }

void TUndoStack::ForgetUndone() { steps_.resize(done_); }

void TUndoStack::DropOldest(std::size_t count) {
    count = std::min(count, steps_.size());
    steps_.erase(steps_.begin(), steps_.begin() + static_cast<std::ptrdiff_t>(count));
    done_ -= std::min(done_, count);
}

void TUndoStack::DropBeyond(std::size_t index, bool older) {
    std::deque<std::unique_ptr<THistoryStep>> kept;
    std::size_t keptDone = 0;
    for (std::size_t i = 0; i < steps_.size(); ++i) {
        std::unique_ptr<THistoryStep>& step = steps_[i];
        if (older ? i <= index : i >= index) {
            if (step->NeedsCopy())
                continue;
            if (step->OnPhoto())
                step->Outdated();
        }
        if (i < done_)
            ++keptDone;
        kept.push_back(std::move(step));
    }
    steps_ = std::move(kept);
    done_ = keptDone;
}

void TUndoStack::DropCopyAt(std::size_t index) { DropBeyond(index, index < done_); }

bool TUndoStack::DropOldestCopy() {
    for (std::size_t i = 0; i < done_; ++i)
        if (steps_[i]->NeedsCopy()) {
            DropCopyAt(i);
            return true;
        }
    return false;
}

bool TUndoStack::DropFarthestCopy() {
    for (std::size_t i = steps_.size(); i > done_; --i)
        if (steps_[i - 1]->NeedsCopy()) {
            DropCopyAt(i - 1);
            return true;
        }
    return DropOldestCopy();
}

void TUndoStack::DropCopies() {
    // The oldest taken back and the newest done: every copy beyond them goes too.
    for (std::size_t i = done_; i < steps_.size(); ++i)
        if (steps_[i]->NeedsCopy()) {
            DropCopyAt(i);
            break;
        }
    for (std::size_t i = done_; i > 0; --i)
        if (steps_[i - 1]->NeedsCopy()) {
            DropCopyAt(i - 1);
            break;
        }
}

void TUndoStack::PhotoChangedUnrecorded() {
    if (done_ > 0)
        DropBeyond(done_ - 1, true);
}

std::uint64_t TUndoStack::UndoRoom() const { return CanUndo() ? steps_[done_ - 1]->RoomNeeded() : 0; }

std::uint64_t TUndoStack::RedoRoom() const { return CanRedo() ? steps_[done_]->RoomNeeded() : 0; }

void TUndoStack::ForgetPhotoSteps() {
    std::size_t done = 0;
    std::deque<std::unique_ptr<THistoryStep>> kept;
    for (std::size_t i = 0; i < steps_.size(); ++i) {
        if (steps_[i]->OnPhoto())
            continue;
        if (i < done_)
            ++done;
        kept.push_back(std::move(steps_[i]));
    }
    steps_ = std::move(kept);
    done_ = done;
}

std::uint64_t TUndoStack::Bytes() const { return BytesHeld(steps_.begin(), steps_.end()); }

std::uint64_t TUndoStack::UndoneBytes() const {
    return BytesHeld(steps_.begin() + static_cast<std::ptrdiff_t>(done_), steps_.end());
}
