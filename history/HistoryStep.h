#pragma once
#include "WindowControls.h"

#include <QString>
#include <cstdint>

// One step that can be taken back and done again. It holds the other side of
// what it changed: the state before it while it is done, the state after it
// once taken back. Taking a step back or doing it again exchanges the two; a
// step that fails doing so has changed nothing and stays where it was.
class THistoryStep {
public:
    virtual ~THistoryStep() = default;

    virtual void Undo(const TWindowControls& controls) = 0;
    virtual void Redo(const TWindowControls& controls) = 0;

    // What the user calls the step, as the button that made it says it.
    virtual QString Name() const = 0;
    // The photo-sized memory it holds, which the history keeps within bounds;
    // the small copies of the views do not count.
    virtual std::uint64_t Bytes() const { return 0; }
    // A step on the working photo, forgotten once another photo replaces it;
    // the others act on the output picture.
    virtual bool OnPhoto() const = 0;
    // A step taken back and done again only with the photo copy it holds (a
    // tone pass); the others need none and outlive the copies.
    virtual bool NeedsCopy() const { return false; }
    // The photo was changed past the step by what the history no longer
    // holds (a pass that kept no copy, a step that went with its copy): the
    // step still turns the photo, but the view it holds is no longer the
    // photo's, and it redraws the view instead.
    virtual void Outdated() {}
    // Photo-sized memory that taking the step back or doing it again makes
    // (a turn's new picture).
    virtual std::uint64_t RoomNeeded() const { return 0; }
};
