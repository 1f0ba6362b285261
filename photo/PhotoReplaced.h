#pragma once
#include <functional>
#include <utility>

// When an opening tells whoever keeps something about the working photo (the
// history of its steps).
enum class TPhotoMoment {
    Opening,  // a photo has loaded and its memory is about to be checked:
              // memory that can be given up for it is given up now
    Replaced, // the photo has replaced the working one
};

class TPhotoListener {
public:
    TPhotoListener(TPhotoMoment moment, std::function<void()> told);
    ~TPhotoListener();
    TPhotoListener(const TPhotoListener&) = delete;
    TPhotoListener& operator=(const TPhotoListener&) = delete;

private:
    TPhotoMoment moment_;
    std::function<void()> told_;
    friend void NotifyPhotoListeners(TPhotoMoment moment);
};

class TPhotoOpeningListener : public TPhotoListener {
public:
    explicit TPhotoOpeningListener(std::function<void()> opening)
        : TPhotoListener(TPhotoMoment::Opening, std::move(opening)) {}
};

class TPhotoReplacedListener : public TPhotoListener {
public:
    explicit TPhotoReplacedListener(std::function<void()> replaced)
        : TPhotoListener(TPhotoMoment::Replaced, std::move(replaced)) {}
};

// Tells every listener of that moment, in the order they were made.
void NotifyPhotoListeners(TPhotoMoment moment);
inline void NotifyPhotoOpening() { NotifyPhotoListeners(TPhotoMoment::Opening); }
inline void NotifyPhotoReplaced() { NotifyPhotoListeners(TPhotoMoment::Replaced); }
