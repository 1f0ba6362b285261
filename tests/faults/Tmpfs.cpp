#include "Tmpfs.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

namespace {

// Once per process: a private copy of the mount table, so mounts made here are
// seen by nobody else and vanish with the process. Without it they are
// ordinary mounts, undone by the destructor.
void PrivateMounts() {
    static const bool done = [] {
        return unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    }();
    (void)done;
}

QString Reason(const char* call) { return QStringLiteral("%1: %2").arg(QLatin1String(call), QString::fromLocal8Bit(std::strerror(errno))); }

} // namespace

TmpfsMount::TmpfsMount(const QString& folder, std::uint64_t bytes) : folder_(folder) {
    PrivateMounts();
    const QByteArray options = "size=" + QByteArray::number(static_cast<qulonglong>(bytes));
    mounted_ = mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                     options.constData()) == 0;
    if (!mounted_)
        why_ = Reason("mount");
}

TmpfsMount::~TmpfsMount() {
    if (mounted_)
        umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
}

bool TmpfsMount::MakeReadOnly() {
    if (mount(nullptr, QFile::encodeName(folder_).constData(), nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV,
              nullptr) == 0)
        return true;
    why_ = Reason("remount read-only");
    return false;
}

void TmpfsMount::Fill(const QString& fileName) {
    const int fd = open(QFile::encodeName(fileName).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    const std::vector<char> block(4096, 'x');
    while (write(fd, block.data(), block.size()) > 0) {
    }
    // The last pages may still take a few bytes.
    while (write(fd, block.data(), 1) > 0) {
    }
    close(fd);
}
