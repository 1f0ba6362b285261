#include "FileReplace.h"

#include "Exceptions.h"
#include "ExtendedAttributes.h"
#include "FileInPlace.h"
#include "FileTransfer.h"
#include "SaveJournal.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const QString& fileName, int error) {
    throw EFCreateError(fileName.toStdString(), std::error_code(error, std::generic_category()));
}

// The new content in a temporary file beside the target, renamed over it
// once complete: 0, or the error that stopped it (the target then untouched).
// `content` holds the bytes once they were asked for.
int ReplaceByRename(const QString& fileName, const struct stat* old,
                    const std::function<QByteArray()>& bytes, std::optional<QByteArray>& content) {
    QSaveFile file(fileName);
    file.setDirectWriteFallback(false);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return errno != 0 ? errno : EIO;
    const int fd = file.handle();
    // The replacement keeps the file's mode, all of it, its group where the
    // user may give it that group, and its extended attributes.
    if (old) {
        if (::fchmod(fd, old->st_mode & 07777) != 0)
            return errno;
        if (::fchown(fd, static_cast<uid_t>(-1), old->st_gid) == 0)
            ::fchmod(fd, old->st_mode & 07777); // a new group clears set-group-id
        if (const int error = CopyExtendedAttributes(fileName, fd))
            return error;
        // An ACL sets the group bits; set-group-id may have gone with it.
        struct stat now {};
        if (::fstat(fd, &now) == 0 && (now.st_mode & 07777) != (old->st_mode & 07777))
            ::fchmod(fd, old->st_mode & 07777);
    }
    content = bytes();
    // Written past Qt's buffer and flushed here, so that a full disk or a
    // failing one shows with its error number before the rename (Qt's commit
    // ignores a failed flush to the disk).
    if (const int error = WriteAllAt(fd, content->constData(), content->size(), 0))
        return error;
    if (::fsync(fd) != 0)
        return errno;
    errno = 0;
    if (!file.commit())
        return errno != 0 ? errno : EIO;
    // The rename itself on the disk, in the folder of a link's target.
    const QFileInfo named(fileName);
    SyncFolder(QFileInfo(named.isSymLink() ? named.canonicalFilePath() : named.absoluteFilePath())
                   .absolutePath());
    return 0;
}

// Entries that earlier failed saves of this file left, for the next start to
// put their copies back: the file now holds a whole new content, which the
// copy must not replace. The copies stay where the user was told they are.
void ForgetEarlierSaves(const QString& fileName) {
    struct stat st {};
    if (::stat(QFile::encodeName(fileName).constData(), &st) != 0)
        return;
    const QString name = QFileInfo(fileName).absoluteFilePath();
    for (TSaveJournalEntry& entry : TSaveJournalEntry::Left())
        if (entry.Save().target == name ||
            (entry.Save().device == st.st_dev && entry.Save().inode == st.st_ino))
            entry.Remove();
}

} // namespace

void ReplaceFileContent(const QString& fileName, const std::function<QByteArray()>& bytes) {
    const QByteArray native = QFile::encodeName(fileName);
    // QSaveFile renames over the target whatever the target's own mode, so the
    // user's write protection of an existing file is checked here: a file that
    // the user may not write, or that has no write permission for anybody (the
    // read-only attribute, which even root does not override here).
    const QFileInfo info(fileName);
    const auto anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (info.isDir())
        Fail(fileName, EISDIR);
    if (info.exists() && !(info.permissions() & anyWrite))
        Fail(fileName, EACCES);
    if (info.exists() && ::access(native.constData(), W_OK) != 0)
        Fail(fileName, errno); // not this user's to write, or on a read-only disk
    // A file that a new one would not stand in for (other links, another
    // owner, a folder the user may not write) gets the new bytes in place.
    if (ReplacedInPlace(fileName)) {
        WriteInPlace(fileName, bytes());
        ForgetEarlierSaves(fileName);
        return;
    }
    struct stat old {};
    const bool existed = ::stat(native.constData(), &old) == 0;
    std::optional<QByteArray> content;
    if (const int error = ReplaceByRename(fileName, existed ? &old : nullptr, bytes, content)) {
        if (!existed)
            Fail(fileName, error);
        // The file itself can still take the new bytes where no temporary
        // file could (a full disk with room for a smaller picture) or where
        // one would lose what the file carries.
        if (!content)
            content = bytes();
        WriteInPlace(fileName, *content);
    }
    ForgetEarlierSaves(fileName);
}
