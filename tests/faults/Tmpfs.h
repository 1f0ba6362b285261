#pragma once
#include <QString>
#include <cstdint>

// A small tmpfs mounted over a folder for the length of a test, in a mount
// namespace of the test process's own where the system allows one, so that
// nothing stays mounted even if the test dies. Tests run as root; where
// mounting is not permitted, Mounted() is false and Why() says why.
class TmpfsMount {
public:
    TmpfsMount(const QString& folder, std::uint64_t bytes);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool Mounted() const { return mounted_; }
    QString Why() const { return why_; }
    // Remounts read-only; false (with Why()) when the system refuses.
    bool MakeReadOnly();
    // Fills the free room with one file, until the file system says it is full.
    void Fill(const QString& fileName);

private:
    QString folder_;
    bool mounted_ = false;
    QString why_;
};
