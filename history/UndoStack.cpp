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

bool TUndoStack::DropThroughOldestHolding() {
    const auto oldest = std::ranges::find_if(steps_, [](const auto& s) { return s->Bytes() > 0; });
    if (oldest == steps_.end())
        return false;
    DropOldest(static_cast<std::size_t>(oldest - steps_.begin()) + 1);
    return true;
}

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
