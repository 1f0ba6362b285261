#pragma once
#include <functional>

// Whoever keeps something about the working photo (the history of its steps)
// hears here when an opening has replaced it.
class TPhotoReplacedListener {
public:
    explicit TPhotoReplacedListener(std::function<void()> replaced);
    ~TPhotoReplacedListener();
    TPhotoReplacedListener(const TPhotoReplacedListener&) = delete;
    TPhotoReplacedListener& operator=(const TPhotoReplacedListener&) = delete;

private:
    std::function<void()> replaced_;
    friend void NotifyPhotoReplaced();
};

// Tells every listener, in the order they were made.
void NotifyPhotoReplaced();
