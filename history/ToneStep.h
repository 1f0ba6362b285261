#pragma once
#include "PhotoStep.h"

// A tone pass, taken back by a copy of the photo kept before it.
class TToneStep : public TPhotoStep {
public:
    // Before the pass: keeps a copy of the working photo.
    TToneStep(const TWindowControls& controls, QString name);
    ~TToneStep() override;

    void Undo(const TWindowControls& controls) override { Exchange(controls); }
    void Redo(const TWindowControls& controls) override { Exchange(controls); }
    QString Name() const override { return name_; }
    std::uint64_t Bytes() const override;

private:
    void Exchange(const TWindowControls& controls);

    std::unique_ptr<TBitmap> photo_;
    QString name_;
};
