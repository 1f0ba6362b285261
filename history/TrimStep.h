#pragma once
#include "HistoryStep.h"

#include <memory>

class TBitmap;

// A trimming, taken back by the output picture before it; it also brings
// back the view the trimming found, and doing it again the one it left.
class TTrimStep : public THistoryStep {
public:
    // Before the trimming.
    explicit TTrimStep(const TWindowControls& controls);
    ~TTrimStep() override;

    // After the trimming, however far it came: the view it left.
    void Finished(const TWindowControls& controls);

    void Undo(const TWindowControls& controls) override;
    void Redo(const TWindowControls& controls) override;
    QString Name() const override { return QStringLiteral("トリミング"); }
    bool OnPhoto() const override { return false; }

private:
    void Exchange(const TWindowControls& controls, bool inputShown);

    std::unique_ptr<TBitmap> output_;
    bool inputShownBefore_ = false;
    bool inputShownAfter_ = false;
};
