#include "FileInPlace.h"

#include "FileTransfer.h"
#include "SaveJournal.h"
#include "TFileHandle.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TInPlaceStageHook& StageHook() {
    static TInPlaceStageHook hook;
    return hook;
}

int Stage(TInPlaceStage stage) {
    return StageHook() ? StageHook()(stage) : 0;
}

QByteArray Native(const QString& fileName) {
    return QFile::encodeName(fileName);
}

[[noreturn]] void Fail(const QString& fileName, int error) {
    throw EFCreateError(fileName.toStdString(), std::error_code(error, std::generic_category()));
}

// The file itself where the name is a link to it.
QFileInfo RealFile(const QString& fileName) {
    const QFileInfo file(fileName);
    return QFileInfo(file.isSymLink() ? file.canonicalFilePath() : file.absoluteFilePath());
}

bool MayMakeFilesIn(const QString& folder) {
    return ::faccessat(AT_FDCWD, Native(folder).constData(), W_OK | X_OK, AT_EACCESS) == 0;
}

// A stop after the first part leaves a mix of old and new bytes: the moment
// the copy is there for.
constexpr qint64 FirstPart = 64 * 1024;

int Overwrite(int fd, const QByteArray& bytes) {
    const qint64 first = std::min<qint64>(bytes.size(), FirstPart);
    if (const int error = WriteAllAt(fd, bytes.constData(), first, 0))
        return error;
    if (const int error = Stage(TInPlaceStage::PartWritten))
        return error;
    if (const int error = WriteAllAt(fd, bytes.constData() + first, bytes.size() - first, first))
        return error;
    if (::ftruncate(fd, bytes.size()) != 0 || ::fsync(fd) != 0)
        return errno;
    return 0;
}

// A new file holding `old`, on the disk together with its name.
int WriteCopy(const QString& copy, const QByteArray& old) {
    TFileHandle file = TFileHandle::Open(copy, O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (!file.IsOpen())
        return errno;
    int error = WriteWhole(file.Get(), old);
    if (!error)
        error = file.Close();
    if (!error)
        error = SyncFolder(QFileInfo(copy).absolutePath());
    if (error)
        ::unlink(Native(copy).constData());
    return error;
}

// Copies the old content durably, with the journal entry that names the copy
// written first (a stop while copying leaves nothing unknown behind): beside
// the file where its folder takes a new file, else (or when that copy fails,
// as on a full disk) in the journal's folder. 0 or the first error.
int KeepOldContent(const QString& fileName, const struct stat& st, const QByteArray& old,
                   const QByteArray& bytes, TSaveJournalEntry& entry, QString& copy) {
    const QString id = QString::number(QRandomGenerator::system()->generate64(), 16);
    const QFileInfo file = RealFile(fileName);
    // The file's name stays readable in the copy's, with its extension.
    const QString name = id + QLatin1Char('-') + file.fileName().right(64);
    QStringList places;
    if (MayMakeFilesIn(file.absolutePath()))
        places << file.absolutePath() + QStringLiteral("/.") + name;
    places << SaveJournalFolder() + QLatin1Char('/') + name;

    TPendingSave save;
    save.target = QFileInfo(fileName).absoluteFilePath();
    save.device = st.st_dev;
    save.inode = st.st_ino;
    save.oldSize = old.size();
    save.oldHash = ContentHash(old);
    save.newSize = bytes.size();
    save.newHash = ContentHash(bytes);
    int firstError = 0;
    for (const QString& place : places) {
        save.copy = place;
        int error = entry.Write(id, save);
        if (!error)
            error = Stage(TInPlaceStage::Journalled);
        if (!error)
            error = WriteCopy(place, old);
        if (!error) {
            copy = place;
            return 0;
        }
        if (!firstError)
            firstError = error;
    }
    entry.Remove();
    return firstError;
}

} // namespace

void SetInPlaceStageHook(TInPlaceStageHook hook) {
    StageHook() = std::move(hook);
}

bool ReplacedInPlace(const QString& fileName) {
    struct stat st {};
    if (::stat(Native(fileName).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (st.st_nlink > 1 || st.st_uid != ::geteuid())
        return true;
    // The folder where a new file would be made: that of a link's target.
    return !MayMakeFilesIn(RealFile(fileName).absolutePath());
}

void WriteInPlace(const QString& fileName, const QByteArray& bytes) {
    TFileHandle file = TFileHandle::Open(fileName, O_RDWR);
    if (!file.IsOpen())
        Fail(fileName, errno);
    const int fd = file.Get();
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        Fail(fileName, errno);
    const auto oldSize = static_cast<qint64>(st.st_size);
    QByteArray old(oldSize, Qt::Uninitialized);
    if (old.size() != oldSize)
        Fail(fileName, ENOMEM);
    if (const int error = ReadAllAt(fd, old.data(), oldSize, 0))
        Fail(fileName, error);

    // A longer content first reserves its room past the file's end, so that a
    // full disk is found before anything is made or overwritten (where the
    // file system can reserve); the file keeps its size meanwhile.
    if (bytes.size() > oldSize && ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, bytes.size()) != 0) {
        const int error = errno;
        if (error == ENOSPC || error == EDQUOT || error == EFBIG) {
            struct stat now {};
            if (::fstat(fd, &now) == 0 && now.st_blocks > st.st_blocks)
                ::ftruncate(fd, oldSize); // gives back the room reserved part way
            Fail(fileName, error);
        }
    }

    TSaveJournalEntry entry;
    QString copy;
    if (const int error = KeepOldContent(fileName, st, old, bytes, entry, copy))
        Fail(fileName, error);

    // Written, cut and flushed to the disk before it counts as saved: a disk
    // that fills or fails shows here, while the old content can still be put
    // back.
    int error = Stage(TInPlaceStage::CopyMade);
    if (!error)
        error = Overwrite(fd, bytes);
    if (!error) {
        Stage(TInPlaceStage::Written);
        ::unlink(Native(copy).constData());
        Stage(TInPlaceStage::CopyRemoved);
        entry.Remove();
        return;
    }
    // The old bytes fit where they were (unless overwriting allocates, as on
    // btrfs or ZFS); the file is then cut back to them.
    if (WriteWhole(fd, old) == 0) {
        ::unlink(Native(copy).constData());
        entry.Remove();
        Fail(fileName, error);
    }
    // The entry stays, for the next start to put the copy back.
    throw EOldContentKept(fileName, std::error_code(error, std::generic_category()), copy);
}
