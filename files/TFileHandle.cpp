#include "TFileHandle.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

TFileHandle TFileHandle::Open(const QString& fileName, int flags, unsigned mode) {
    return TFileHandle(::open(QFile::encodeName(fileName).constData(), flags | O_CLOEXEC, mode));
}

int TFileHandle::Close() {
    if (fd_ < 0)
        return 0;
    return ::close(std::exchange(fd_, -1)) == 0 ? 0 : errno;
}
