#include "FileReplace.h"

#include "Exceptions.h"
#include "FileInPlace.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <sys/stat.h>
#include <unistd.h>

void ReplaceFileContent(const QString& fileName, const std::function<QByteArray()>& bytes) {
    const std::string name = fileName.toStdString();
    // QSaveFile renames over the target whatever the target's own mode, so the
    // user's write protection of an existing file is checked here: a file that
    // the user may not write, or that has no write permission for anybody (the
    // read-only attribute, which even root does not override here).
    const QFileInfo info(fileName);
    const auto anyWrite = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (info.isDir() || (info.exists() && (!info.isWritable() || !(info.permissions() & anyWrite))))
        throw EFCreateError(name);
    // A file that a new one would not stand in for (other links, another
    // owner, a folder the user may not write) gets the new bytes in place.
    if (ReplacedInPlace(fileName)) {
        WriteInPlace(fileName, bytes());
        return;
    }
    // Elsewhere the new bytes go to a temporary file beside the target, which
    // replaces the target only once complete: a failure leaves the earlier
    // file as it was.
    struct stat old{};
    const bool existed = ::stat(QFile::encodeName(fileName).constData(), &old) == 0;
    QSaveFile file(fileName);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        throw EFCreateError(name);
    // The replacement keeps the file's mode, all of it, and its group where
    // the user may give it that group.
    if (existed) {
        if (::fchmod(file.handle(), old.st_mode & 07777) != 0)
            throw EFCreateError(name);
        if (::fchown(file.handle(), static_cast<uid_t>(-1), old.st_gid) == 0)
            ::fchmod(file.handle(), old.st_mode & 07777); // a new group clears set-group-id
    }
    const QByteArray content = bytes();
    // Qt's commit renames over the target even when bytes still in its write
    // buffer could not be written (a full disk): a small picture would then
    // replace the earlier file with an empty one. Flushed and checked first.
    if (file.write(content) != content.size() || !file.flush() || !file.commit())
        throw EFCreateError(name);
}
