#pragma once
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Works through batches of rows on a second thread while the caller goes on
// making the next ones (the other core converts colours while the decoder
// runs). Rows are handed top to bottom without gaps; the work function must
// not throw. Without a second thread the work is done on handing.
class TRowWorker {
public:
    explicit TRowWorker(std::function<void(int first, int count)> work);
    ~TRowWorker();
    TRowWorker(const TRowWorker&) = delete;
    TRowWorker& operator=(const TRowWorker&) = delete;

    // Rows [first, first + count) are ready for the work.
    void Hand(int first, int count) noexcept;
    // Returns once every handed row is worked; no rows may be handed after.
    void Finish() noexcept;

private:
    void Run() noexcept;

    std::function<void(int first, int count)> work_;
    std::mutex mutex_;
    std::condition_variable wake_;
    int handed_ = 0; // rows [0, handed_) handed
    int worked_ = 0; // rows [0, worked_) taken by the worker
    bool finishing_ = false;
    std::thread thread_;
};
