#include "FileInPlace.h"

#include "Exceptions.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

QByteArray Native(const QString& fileName) {
    return QFile::encodeName(fileName);
}

// All `size` bytes from the file's start, through short transfers and
// signals; `transfer` is pread or pwrite.
template <typename Data, typename Transfer>
bool TransferAll(int fd, Data* data, qint64 size, Transfer transfer) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = transfer(fd, data + done, static_cast<size_t>(size - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO; // a read past a file that became shorter meanwhile
            return false;
        }
        done += n;
    }
    return true;
}

bool WriteAll(int fd, const char* data, qint64 size) {
    return TransferAll(fd, data, size, ::pwrite);
}
bool ReadAll(int fd, char* data, qint64 size) {
    return TransferAll(fd, data, size, ::pread);
}

// Closes on every way out; a close that reports an error is the caller's to see.
class TFileHandle {
public:
    explicit TFileHandle(int fd) : fd_(fd) {}
    ~TFileHandle() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    int Get() const { return fd_; }
    bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

[[noreturn]] void Fail(const QString& fileName, int error) {
    errno = error;
    throw EFCreateError(fileName.toStdString());
}

} // namespace

bool ReplacedInPlace(const QString& fileName) {
    struct stat st {};
    if (::stat(Native(fileName).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (st.st_nlink > 1 || st.st_uid != ::geteuid())
        return true;
    // The folder where a new file would be made: that of a link's target.
    const QFileInfo file(fileName);
    const QString target = file.isSymLink() ? file.canonicalFilePath() : file.absoluteFilePath();
    const QByteArray folder = Native(QFileInfo(target).absolutePath());
    return ::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) != 0;
}

void WriteInPlace(const QString& fileName, const QByteArray& bytes) {
    TFileHandle file(::open(Native(fileName).constData(), O_RDWR | O_CLOEXEC));
    if (file.Get() < 0)
        Fail(fileName, errno);
    struct stat st {};
    if (::fstat(file.Get(), &st) != 0)
        Fail(fileName, errno);
    const auto oldSize = static_cast<qint64>(st.st_size);
    QByteArray old(oldSize, Qt::Uninitialized);
    if (old.size() != oldSize)
        Fail(fileName, ENOMEM);
    if (!ReadAll(file.Get(), old.data(), oldSize))
        Fail(fileName, errno);

    const int fd = file.Get();
    // A longer picture first reserves its room, so a full disk is found
    // before any old byte is overwritten (where the file system can reserve).
    if (bytes.size() > oldSize) {
        const int reserved = ::posix_fallocate(fd, 0, bytes.size());
        if (reserved == ENOSPC || reserved == EDQUOT || reserved == EFBIG)
            Fail(fileName, reserved);
    }
    // Written, cut and flushed to the disk before it counts as saved: a
    // disk that fills or fails shows here, while the old content can still
    // be put back.

    const bool written = WriteAll(fd, bytes.constData(), bytes.size()) &&
                         ::ftruncate(fd, bytes.size()) == 0 && ::fsync(fd) == 0;
    if (written) {
        if (!file.Close())
            Fail(fileName, errno);
        return;
    }
    const int error = errno;
    // The old bytes fit where they were; the file is then cut back to them.
    WriteAll(fd, old.constData(), oldSize);
    ::ftruncate(fd, oldSize);
    ::fsync(fd);
    Fail(fileName, error);
}
