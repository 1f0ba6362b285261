#pragma once
#include "PhotoStep.h"

class QProgressBar;

enum class TTurnDirection { Right, Left };

// A quarter turn of the working photo, in place (RotateRight, RotateLeft);
// refused before anything changes when the memory cannot hold it.
void Turn(TBitmap& photo, TTurnDirection direction, QProgressBar& progress);

// A quarter turn, taken back by the opposite turn: it holds no photo copy.
class TTurnStep : public TPhotoStep {
public:
    // Before the turn, which the history carries out.
    TTurnStep(const TWindowControls& controls, TTurnDirection direction);

    void Undo(const TWindowControls& controls) override;
    void Redo(const TWindowControls& controls) override;
    QString Name() const override;
    std::uint64_t RoomNeeded() const override;

private:
    void TurnPhoto(const TWindowControls& controls, TTurnDirection direction);

    TTurnDirection direction_;
};
