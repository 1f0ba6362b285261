#include "PhotoReplaced.h"

#include <algorithm>
#include <vector>

namespace {

std::vector<TPhotoListener*>& Listeners() {
    static std::vector<TPhotoListener*> listeners;
    return listeners;
}

} // namespace

TPhotoListener::TPhotoListener(TPhotoMoment moment, std::function<void()> told)
    : moment_(moment), told_(std::move(told)) {
    Listeners().push_back(this);
}

TPhotoListener::~TPhotoListener() { std::erase(Listeners(), this); }

void NotifyPhotoListeners(TPhotoMoment moment) {
    // A copy: a listener may go away while being told.
    const std::vector<TPhotoListener*> listeners = Listeners();
    for (TPhotoListener* listener : listeners)
        if (std::ranges::find(Listeners(), listener) != Listeners().end() && listener->moment_ == moment &&
            listener->told_)
            listener->told_();
}

