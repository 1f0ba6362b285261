#pragma once
#include "PhotoStep.h"

// A tone pass, taken back by a copy of the photo kept before it.
class TToneStep : public TPhotoStep {
public:
    // Before the pass, with the copy of the working photo as it is.
    TToneStep(const TWindowControls& controls, QString name, std::unique_ptr<TBitmap> before);
    ~TToneStep() override;

    void Undo(const TWindowControls& controls) override { Exchange(controls); }
    void Redo(const TWindowControls& controls) override { Exchange(controls); }
    QString Name() const override { return name_; }
    std::uint64_t Bytes() const override;
    bool NeedsCopy() const override { return true; }

private:
    void Exchange(const TWindowControls& controls);

    std::unique_ptr<TBitmap> photo_;
    QString name_;
};

// A copy of the photo of its own, in memory from AllocateImage; nullptr when
// the memory is exhausted.
std::unique_ptr<TBitmap> PhotoCopyOf(const TBitmap& photo);
