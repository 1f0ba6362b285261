#pragma once
#include <QString>
#include <utility>

// An open file descriptor, closed on every way out. Moving hands it over.
class TFileHandle {
public:
    TFileHandle() = default;
    explicit TFileHandle(int fd) : fd_(fd) {}
    ~TFileHandle() { Close(); }
    TFileHandle(TFileHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    TFileHandle& operator=(TFileHandle&& other) noexcept {
        if (this != &other) {
            Close();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;

    // open(2) on the file's name as the system spells it.
    static TFileHandle Open(const QString& fileName, int flags, unsigned mode = 0);

    bool IsOpen() const { return fd_ >= 0; }
    int Get() const { return fd_; }
    // 0, or the error that closing reported.
    int Close();

private:
    int fd_ = -1;
};
