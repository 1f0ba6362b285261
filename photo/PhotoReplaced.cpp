#include "PhotoReplaced.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

std::vector<TPhotoReplacedListener*>& Listeners() {
    static std::vector<TPhotoReplacedListener*> listeners;
    return listeners;
}

} // namespace

TPhotoReplacedListener::TPhotoReplacedListener(std::function<void()> replaced)
    : replaced_(std::move(replaced)) {
    Listeners().push_back(this);
}

TPhotoReplacedListener::~TPhotoReplacedListener() { std::erase(Listeners(), this); }

void NotifyPhotoReplaced() {
    // A copy: a listener may go away while being told.
    const std::vector<TPhotoReplacedListener*> listeners = Listeners();
    for (TPhotoReplacedListener* listener : listeners)
        if (std::ranges::find(Listeners(), listener) != Listeners().end() && listener->replaced_)
            listener->replaced_();
}
