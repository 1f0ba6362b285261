#include "TInterruptedSave.h"

#include "Exceptions.h"
#include "FileReplace.h"
#include "FileTransfer.h"
#include "TFileHandle.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Native(const QString& fileName) {
    return QFile::encodeName(fileName);
}

std::error_code Code(int error) {
    return {error, std::generic_category()};
}

// The copy's content where it is the whole old content; empty otherwise.
std::optional<QByteArray> WholeCopy(const TPendingSave& save) {
    QFile copy(save.copy);
    if (!copy.open(QIODevice::ReadOnly) || copy.size() != save.oldSize)
        return std::nullopt;
    const QByteArray bytes = copy.readAll();
    if (bytes.size() != save.oldSize || ContentHash(bytes) != save.oldHash)
        return std::nullopt;
    return bytes;
}

bool IsTheFile(const struct stat& st, const TPendingSave& save) {
    return st.st_dev == save.device && st.st_ino == save.inode;
}

// The save's writes to the file all follow the copy closely; a file whose
// status changed well after the copy was made was changed by someone else.
constexpr qint64 ChangedLaterSeconds = 60;

bool ChangedAfterTheSave(const struct stat& file, const TPendingSave& save) {
    struct stat copy {};
    return ::stat(Native(save.copy).constData(), &copy) == 0 &&
           file.st_ctim.tv_sec > copy.st_mtim.tv_sec + ChangedLaterSeconds;
}

// Writes the old content over the file itself, keeping it the same file: 0 or the error.
int PutBackInPlace(const TPendingSave& save, const QByteArray& old) {
    TFileHandle file = TFileHandle::Open(save.target, O_RDWR);
    if (!file.IsOpen())
        return errno;
    struct stat st {};
    if (::fstat(file.Get(), &st) != 0)
        return errno;
    if (!IsTheFile(st, save))
        return ESTALE;
    return WriteWhole(file.Get(), old);
}

void Settle(TSaveJournalEntry& entry) {
    ::unlink(Native(entry.Save().copy).constData());
    entry.Remove();
}

} // namespace

void TInterruptedSave::PutBack() {
    const TPendingSave& save = entry_.Save();
    const std::optional<QByteArray> old = WholeCopy(save);
    if (!old)
        throw EFCreateError(save.target.toStdString(), Code(ENOENT));
    struct stat st {};
    if (::stat(Native(save.target).constData(), &st) == 0 && IsTheFile(st, save)) {
        if (const int error = PutBackInPlace(save, *old))
            throw EFCreateError(save.target.toStdString(), Code(error));
    } else {
        ReplaceFileContent(save.target, [&] { return *old; });
    }
    Settle(entry_);
}

void TInterruptedSave::Forget() {
    entry_.Remove();
}

std::vector<TInterruptedSave> RecoverInterruptedSaves() {
    std::vector<TInterruptedSave> left;
    for (TSaveJournalEntry& entry : TSaveJournalEntry::Left()) {
        const TPendingSave& save = entry.Save();
        struct stat st {};
        const bool exists = ::stat(Native(save.target).constData(), &st) == 0;
        if (exists) {
            QFile file(save.target);
            const QByteArray now = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            const bool whole = file.error() == QFileDevice::NoError &&
                               ((now.size() == save.newSize && ContentHash(now) == save.newHash) ||
                                (now.size() == save.oldSize && ContentHash(now) == save.oldHash));
            if (whole) {
                Settle(entry);
                continue;
            }
        }
        // The file is not touched before its copy is whole: without a whole
        // copy there is nothing to put back.
        const std::optional<QByteArray> old = WholeCopy(save);
        if (!old) {
            Settle(entry);
            continue;
        }
        if (!exists) {
            left.push_back(
                TInterruptedSave(std::move(entry), TInterruptedSave::TState::Missing, {}));
        } else if (!IsTheFile(st, save) || ChangedAfterTheSave(st, save)) {
            left.push_back(
                TInterruptedSave(std::move(entry), TInterruptedSave::TState::Changed, {}));
        } else if (const int error = PutBackInPlace(save, *old)) {
            left.push_back(TInterruptedSave(std::move(entry), TInterruptedSave::TState::NotPutBack,
                                            Code(error)));
        } else {
            Settle(entry);
        }
    }
    return left;
}
