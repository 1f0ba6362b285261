#include "SavePhoto.h"

#include "Exceptions.h"
#include "OpenPhoto.h"
#include "TApplication.h"
#include "TFileDialog.h"
#include "TImage.h"
#include "TJPEGImage.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <new>
#include <unistd.h>

namespace {

constexpr auto AnyWrite = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;

// The system's reason why the output file could not be written. The JPEG
// service refuses some names before touching the disk (a folder of that name,
// a write-protected file), which leaves no error number behind, so those are
// told apart here; otherwise the number left by the failed call is the reason.
std::string WriteFailureReason(const QString& name, int error) {
    const QFileInfo file(name);
    const QFileInfo folder(file.absolutePath());
    if (file.isDir())
        error = EISDIR;
    else if (!folder.exists())
        error = ENOENT;
    else if (!folder.isDir())
        error = ENOTDIR;
    else if (file.exists() && !(file.permissions() & AnyWrite))
        error = EACCES; // write-protected for everybody
    else if (file.exists() && ::access(QFile::encodeName(file.filePath()).constData(), W_OK) != 0)
        error = errno; // write-protected for this user, or on a read-only disk
    else if (!file.exists() && ::access(QFile::encodeName(folder.filePath()).constData(), W_OK) != 0)
        error = errno; // an existing file is written in place where its folder is closed
    return error != 0 ? std::strerror(error) : "unknown error";
}

// The user is told that the file was not written, with the name and the
// reason, in the application's error report.
void ReportNotWritten(const QString& name, const std::exception& failure, int error) {
    std::string reason;
    if (dynamic_cast<const EFCreateError*>(&failure))
        reason = WriteFailureReason(name, error);
    else if (dynamic_cast<const std::bad_alloc*>(&failure))
        reason = std::strerror(ENOMEM);
    else
        reason = failure.what();
    ReportException(Exception(EFCreateError(name.toStdString()).Message() + ": " + reason));
}

} // namespace

void SavePhoto(const TWindowControls& controls, TRememberedFolder lastSaveFolder) {
    TSaveDialog& dialog = *controls.SaveDialog1;
    if (!lastSaveFolder.Folder.isEmpty())
        dialog.SetInitialDir(QFile::decodeName(lastSaveFolder.Folder));
    if (!dialog.Execute())
        return;

    const QString name = WithJpgExtension(dialog.FileName());
    try {
        TJPEGImage jpeg;
        jpeg.Assign(*controls.Image1->PictureBitmap());
        // Encoded in memory, then written beside the target and renamed over
        // it, or into the existing file where a new file would not stand in
        // for it: a failed save leaves an earlier file as it was either way.
        errno = 0;
        jpeg.SaveToFile(name);
    } catch (const std::exception& failure) {
        // The folder is not remembered: nothing was saved there.
        ReportNotWritten(name, failure, errno);
        return;
    }

    lastSaveFolder.Folder = FolderOf(name);
    try {
        lastSaveFolder.SaveSettings();
    } catch (const std::exception&) {
        // The photo is saved; the folder is remembered for this run only.
    }
}

QString WithJpgExtension(const QString& fileName) {
    // Only "/" separates folders here; a colon is part of a file name.
    const qsizetype nameStart = fileName.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot >= nameStart ? fileName.left(dot) : fileName;
    return stem + QStringLiteral(".jpg");
}
