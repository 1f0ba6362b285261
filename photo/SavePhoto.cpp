#include "SavePhoto.h"

#include "Exceptions.h"
#include "FileInPlace.h"
#include "OpenPhoto.h"
#include "TApplication.h"
#include "TFileDialog.h"
#include "TImage.h"
#include "TInterruptedSave.h"
#include "TJPEGImage.h"

#include <QFile>
#include <QMessageBox>
#include <cerrno>
#include <cstring>
#include <new>

namespace {

// Why a file could not be written, as the user reads it: Japanese for the
// reasons met most, the system's own text for the rest.
std::string ReasonText(std::error_code code) {
    if (!code)
        return "unknown error";
    if (code.category() != std::generic_category() && code.category() != std::system_category())
        return code.message();
    switch (code.value()) {
    case ENOSPC:
        return "ディスクの空き容量が足りません。";
    case EACCES:
        return "書き込む権限がありません。";
    case EROFS:
        return "ディスクが読み取り専用です。";
    case EDQUOT:
        return "ディスクの割り当て容量を超えています。";
    case EIO:
        return "ディスクの読み書きでエラーが起きました。";
    case ENOENT:
        return "ファイルまたはフォルダーが見つかりません。";
    case EEXIST:
        return "同じ名前のファイルがすでにあります。";
    default:
        return std::strerror(code.value());
    }
}

std::string KeptAt(const QString& copy) {
    return ("元の内容は " + copy + " に残してあります。").toStdString();
}

// The user is told that the file was not written, with the name and the
// reason, in the application's error report; where the file was left
// damaged, also where its old content is.
void ReportNotWritten(const QString& name, const std::exception& failure) {
    std::string reason;
    if (const auto* notCreated = dynamic_cast<const EFCreateError*>(&failure))
        reason = ReasonText(notCreated->Code());
    else if (dynamic_cast<const std::bad_alloc*>(&failure))
        reason = std::strerror(ENOMEM);
    else
        reason = failure.what();
    if (const auto* kept = dynamic_cast<const EOldContentKept*>(&failure))
        reason += " 元のファイルは途中まで書き換えられたままです。" + KeptAt(kept->Copy()) +
                  "次に起動したときに元に戻します。";
    ReportException(Exception(EFCreateError(name.toStdString()).Message() + ": " + reason));
}

TInterruptedSaveAnswerer& Answerer() {
    static TInterruptedSaveAnswerer answerer;
    return answerer;
}

bool Ask(const QString& question, bool yesByDefault) {
    if (Answerer())
        return Answerer()(question);
    QWidget* owner = TApplication::Instance() ? TApplication::Instance()->MainForm() : nullptr;
    const QString title = TApplication::Instance() ? TApplication::Instance()->Title() : QString();
    return QMessageBox::question(owner, title, question, QMessageBox::Yes | QMessageBox::No,
                                 yesByDefault ? QMessageBox::Yes : QMessageBox::No) ==
           QMessageBox::Yes;
}

QString Question(const TInterruptedSave& save) {
    const QString why = save.State() == TInterruptedSave::TState::Missing
                            ? QStringLiteral("その後ファイルが見つからなくなったため")
                            : QStringLiteral("その後ファイルが変更されているため");
    return QStringLiteral("前回、ファイル %1 "
                          "の保存が途中で止まりました。%2、元の内容は自動では戻していません。\n")
               .arg(save.Target(), why) +
           QString::fromStdString(KeptAt(save.Copy())) + QStringLiteral("元に戻しますか？");
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
        jpeg.SaveToFile(name);
    } catch (const std::exception& failure) {
        // The folder is not remembered: nothing was saved there.
        ReportNotWritten(name, failure);
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

void SettleInterruptedSaves() {
    for (TInterruptedSave& save : RecoverInterruptedSaves()) {
        if (save.State() == TInterruptedSave::TState::NotPutBack) {
            // Kept in the journal: the next start tries again.
            ReportException(Exception(
                QStringLiteral(
                    "前回、ファイル %1 の保存が途中で止まり、元の内容を戻せませんでした: ")
                    .arg(save.Target())
                    .toStdString() +
                ReasonText(save.Failure()) + " " + KeptAt(save.Copy()) +
                "次に起動したときにもう一度戻します。"));
            continue;
        }
        if (!Ask(Question(save), save.State() == TInterruptedSave::TState::Missing)) {
            save.Forget();
            continue;
        }
        try {
            save.PutBack();
        } catch (const EFCreateError& failure) {
            ReportException(Exception(failure.Message() + ": " + ReasonText(failure.Code()) + " " +
                                      KeptAt(save.Copy())));
        }
    }
}

void SetInterruptedSaveAnswerer(TInterruptedSaveAnswerer answerer) {
    Answerer() = std::move(answerer);
}
