#include "FileTransfer.h"

#include "TFileHandle.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

template <typename Data, typename Transfer>
int TransferAll(int fd, Data* data, qint64 size, qint64 offset, Transfer transfer) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t n =
            transfer(fd, data + done, static_cast<size_t>(size - done), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO; // a read past a file that became shorter meanwhile
        done += n;
    }
    return 0;
}

} // namespace

int WriteAllAt(int fd, const char* data, qint64 size, qint64 offset) {
    return TransferAll(fd, data, size, offset, ::pwrite);
}

int ReadAllAt(int fd, char* data, qint64 size, qint64 offset) {
    return TransferAll(fd, data, size, offset, ::pread);
}

int WriteWhole(int fd, const QByteArray& bytes) {
    if (const int error = WriteAllAt(fd, bytes.constData(), bytes.size(), 0))
        return error;
    if (::ftruncate(fd, bytes.size()) != 0 || ::fsync(fd) != 0)
        return errno;
    return 0;
}

int SyncFolder(const QString& folder) {
    TFileHandle handle = TFileHandle::Open(folder, O_RDONLY | O_DIRECTORY);
    if (!handle.IsOpen())
        return errno;
    return ::fsync(handle.Get()) == 0 ? 0 : errno;
}
