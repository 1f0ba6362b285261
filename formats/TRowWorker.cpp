#include "TRowWorker.h"

#include <system_error>

TRowWorker::TRowWorker(std::function<void(int first, int count)> work) : work_(std::move(work)) {
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        // No second thread: Hand works inline.
    }
}

TRowWorker::~TRowWorker() { Finish(); }

void TRowWorker::Hand(int first, int count) noexcept {
    if (!thread_.joinable()) {
        work_(first, count);
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        handed_ = first + count;
    }
    wake_.notify_one();
}

void TRowWorker::Finish() noexcept {
    if (!thread_.joinable())
        return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        finishing_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void TRowWorker::Run() noexcept {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return handed_ > worked_ || finishing_; });
        if (handed_ > worked_) {
            const int first = worked_;
            const int end = handed_;
            worked_ = end;
            lock.unlock();
            work_(first, end - first);
            lock.lock();
        } else if (finishing_) {
            return;
        }
    }
}
