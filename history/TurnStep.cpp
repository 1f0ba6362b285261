#include "TurnStep.h"

#include "CompositionState.h"
#include "Rotation.h"
#include "TBitmap.h"

void Turn(TBitmap& photo, TTurnDirection direction, QProgressBar& progress) {
    if (direction == TTurnDirection::Right)
        RotateRight(photo, progress);
    else
        RotateLeft(photo, progress);
}

TTurnStep::TTurnStep(const TWindowControls& controls, TTurnDirection direction)
    : TPhotoStep(controls), direction_(direction) {}

void TTurnStep::Undo(const TWindowControls& c) {
    TurnPhoto(c, direction_ == TTurnDirection::Right ? TTurnDirection::Left : TTurnDirection::Right);
}

void TTurnStep::Redo(const TWindowControls& c) { TurnPhoto(c, direction_); }

QString TTurnStep::Name() const {
    return direction_ == TTurnDirection::Right ? QStringLiteral("右回転") : QStringLiteral("左回転");
}

std::uint64_t TTurnStep::RoomNeeded() const { return TurnBytes(*Composition.WorkBitmap); }

void TTurnStep::TurnPhoto(const TWindowControls& c, TTurnDirection direction) {
    // Turned first: a turn that fails changes nothing, and the step stays.
    Turn(*Composition.WorkBitmap, direction, *c.ProgressBar1);
    ExchangeView(c);
}
