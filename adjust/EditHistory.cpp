#include "EditHistory.h"

#include "CompositionState.h"
#include "FitToImage.h"
#include "InputPanel.h"
#include "PhotoMemory.h"
#include "Rotation.h"
#include "TBitmap.h"
#include "TImage.h"
#include "TPanel.h"
#include "Trimming.h"

#include <QSize>
#include <algorithm>

namespace {

enum class TStepKind { Tone, Turn, Trim };

std::unique_ptr<TBitmap> CopyOf(const TBitmap& bitmap) {
    // Shares the pixels: whichever side is written next makes its own.
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(bitmap);
    return copy;
}

void ExchangePixels(TBitmap& shown, TBitmap& kept) {
    TBitmap held;
    held.Assign(shown);
    shown.Assign(kept);
    kept.Assign(held);
}

std::uint64_t BytesOf(const TBitmap& bitmap) {
    return static_cast<std::uint64_t>(bitmap.Image().sizeInBytes());
}

void Rotate(TBitmap& photo, TTurnDirection direction, QProgressBar& progress) {
    if (direction == TTurnDirection::Right)
        RotateRight(photo, progress);
    else
        RotateLeft(photo, progress);
}

TTurnDirection Opposite(TTurnDirection direction) {
    return direction == TTurnDirection::Right ? TTurnDirection::Left : TTurnDirection::Right;
}

QSize PanelSize(const TPanel& panel) {
    return panel.size();
}

void SetPanelSize(TPanel& panel, QSize size) {
    panel.SetWidth(size.width());
    panel.SetHeight(size.height());
}

bool InputViewShown(const TWindowControls& c) {
    return !c.Panel2->isHidden();
}

void ShowInputView(const TWindowControls& c, bool input) {
    Composition.ViewRequest = input ? 1 : 0;
    c.ShowView();
}

} // namespace

// Each step holds the other side of what it changed: before it while it is
// done, after it once taken back.
struct TEditHistory::Step {
    TStepKind kind = TStepKind::Tone;
    TTurnDirection direction = TTurnDirection::Right; // Turn
    std::unique_ptr<TBitmap> photo;                   // Tone
    std::unique_ptr<TBitmap> view;                    // Tone, Turn: the input picture
    QSize panel;                                      // Tone, Turn
    std::unique_ptr<TBitmap> output;                  // Trim
    // Trim: the view shown before it, and after it (the output view).
    bool inputShownBefore = false;
    bool inputShownAfter = false;
};

TEditHistory::TEditHistory() = default;
TEditHistory::~TEditHistory() = default;

void TEditHistory::TonePass(const TWindowControls& c, const std::function<void(TBitmap&)>& pass) {
    TBitmap& photo = *Composition.WorkBitmap;
    ForgetUndone();
    if (MakeRoomForCopy(photo)) {
        auto step = std::make_unique<Step>();
        step->kind = TStepKind::Tone;
        step->photo = CopyOf(photo);
        step->view = CopyOf(*c.Image2->PictureBitmap());
        step->panel = PanelSize(*c.Panel2);
        // Recorded before the pass: one that fails part way can be taken back.
        Record(std::move(step));
    } else {
        // Nothing older can be reached past a step that cannot be taken back.
        DropOldest(done_);
    }
    pass(photo);
    FitToImage(photo, *c.Image2);
}

void TEditHistory::Turn(const TWindowControls& c, TTurnDirection direction) {
    TBitmap& photo = *Composition.WorkBitmap;
    auto step = std::make_unique<Step>();
    step->kind = TStepKind::Turn;
    step->direction = direction;
    step->view = CopyOf(*c.Image2->PictureBitmap());
    step->panel = PanelSize(*c.Panel2);
    // A turn that fails leaves the photo as it was: nothing to record then.
    Rotate(photo, direction, *c.ProgressBar1);
    SizeInputPanel(*c.Panel2, photo.Width(), photo.Height());
    FitToImage(photo, *c.Image2);
    ForgetUndone();
    Record(std::move(step));
}

void TEditHistory::Trim(const TWindowControls& c) {
    auto step = std::make_unique<Step>();
    step->kind = TStepKind::Trim;
    step->output = CopyOf(*c.Image1->PictureBitmap());
    step->inputShownBefore = InputViewShown(c);
    Step& recorded = *step;
    ForgetUndone();
    Record(std::move(step));
    ::Trim(c);
    recorded.inputShownAfter = InputViewShown(c);
}

bool TEditHistory::Undo(const TWindowControls& c) {
    if (!CanUndo())
        return false;
    Exchange(c, *steps_[done_ - 1], true);
    --done_;
    return true;
}

bool TEditHistory::Redo(const TWindowControls& c) {
    if (!CanRedo())
        return false;
    Exchange(c, *steps_[done_], false);
    ++done_;
    return true;
}

void TEditHistory::Exchange(const TWindowControls& c, Step& step, bool back) {
    switch (step.kind) {
    case TStepKind::Tone:
        ExchangePixels(*Composition.WorkBitmap, *step.photo);
        break;
    case TStepKind::Turn:
        // Done first: a turn that fails changes nothing, and the step stays.
        Rotate(*Composition.WorkBitmap, back ? Opposite(step.direction) : step.direction,
               *c.ProgressBar1);
        break;
    case TStepKind::Trim: {
        ExchangePixels(*c.Image1->PictureBitmap(), *step.output);
        // The view as the trimming found it, or as it left it.
        ShowInputView(c, back ? step.inputShownBefore : step.inputShownAfter);
        return;
    }
    }
    const QSize panel = PanelSize(*c.Panel2);
    SetPanelSize(*c.Panel2, step.panel);
    step.panel = panel;
    ExchangePixels(*c.Image2->PictureBitmap(), *step.view);
}

void TEditHistory::PhotoReplaced() {
    std::size_t done = 0;
    std::deque<std::unique_ptr<Step>> kept;
    for (std::size_t i = 0; i < steps_.size(); ++i) {
        if (steps_[i]->kind != TStepKind::Trim)
            continue;
        if (i < done_)
            ++done;
        kept.push_back(std::move(steps_[i]));
    }
    steps_ = std::move(kept);
    done_ = done;
}

TToneKeeping TEditHistory::NextTonePass(const TBitmap& photo) const {
    // The free memory holds the kept copies already; the pass frees those of
    // the steps taken back, then needs one copy more and a turn's room.
    std::uint64_t undone = 0;
    for (std::size_t i = done_; i < steps_.size(); ++i)
        if (steps_[i]->photo)
            undone += BytesOf(*steps_[i]->photo);
    const std::uint64_t need = 2 * BytesOf(photo);
    const std::uint64_t usable = UsableMemory();
    if (need <= usable + undone)
        return TToneKeeping::Kept;
    return need <= usable + KeptPhotoBytes() ? TToneKeeping::DropsOldest : TToneKeeping::NotKept;
}

std::uint64_t TEditHistory::KeptPhotoBytes() const {
    std::uint64_t held = 0;
    for (const auto& step : steps_)
        if (step->photo)
            held += BytesOf(*step->photo);
    return held;
}

bool TEditHistory::MakeRoomForCopy(const TBitmap& photo) {
    // The copy and, beside it, the room a turn takes, within the memory free
    // now; the free memory is read again after each copy let go.
    const std::uint64_t need = 2 * BytesOf(photo);
    while (need > UsableMemory()) {
        const auto oldest =
            std::ranges::find_if(steps_, [](const auto& s) { return s->photo != nullptr; });
        if (oldest == steps_.end())
            return false;
        DropOldest(static_cast<std::size_t>(oldest - steps_.begin()) + 1);
    }
    return true;
}

void TEditHistory::Record(std::unique_ptr<Step> step) {
    steps_.push_back(std::move(step));
    done_ = steps_.size();
    if (steps_.size() > MaxSteps)
        DropOldest(steps_.size() - MaxSteps);
}

void TEditHistory::ForgetUndone() {
    steps_.resize(done_);
}

void TEditHistory::DropOldest(std::size_t count) {
    count = std::min(count, steps_.size());
    steps_.erase(steps_.begin(), steps_.begin() + static_cast<std::ptrdiff_t>(count));
    done_ -= std::min(done_, count);
}
