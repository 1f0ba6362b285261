#include "FailureReason.h"
#include "FaultFixture.h"
#include "TestFileBytes.h"
#include "Tmpfs.h"

#include "FileInPlace.h"
#include "SavePhoto.h"
#include "TBitmap.h"
#include "TCanvas.h"
#include "TImage.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Raises the file-size limit back when it goes out of scope.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit small = old_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
};

void Note(const char* what, const QString& how) {
    std::printf("[  NOTE    ] %s: %s\n", what, how.toLocal8Bit().constData());
}

} // namespace

class SaveFaults : public FaultFixture {
protected:
    void SetUp() override {
        FaultFixture::SetUp();
        WriteKnownSettings(dir.File(QStringLiteral("tolvane.settings")));
        FillWithDetail();
    }

    // Detail that codes to far more bytes than the small disk holds.
    void FillWithDetail() {
        TBitmap& picture = *form->Image1->PictureBitmap();
        for (int y = 0; y < picture.Height(); ++y)
            for (int x = 0; x < picture.Width(); ++x)
                picture.SetPixel(x, y, static_cast<TColor>((x * 7919u + y * 104729u) * 2654435761u) & 0xFFFFFF);
    }

    // Saves under `chosen` and checks what a failed save promises: the user
    // is told which file and why, the output folder and the settings folder
    // are byte for byte as they were, the remembered folder is unchanged.
    void ExpectFailedSave(const QString& chosen, const QString& folder, int error,
                          std::function<void()> betweenDialogAndWrite = {}) {
        QMap<QString, QByteArray> outBefore;
        QMap<QString, QByteArray> settingsBefore;
        answer = [&] {
            if (betweenDialogAndWrite)
                betweenDialogAndWrite();
            outBefore = FolderContents(folder);
            settingsBefore = FolderContents(dir.Path());
            return std::optional<QString>(chosen);
        };
        form->BitBtn1Click();

        EXPECT_EQ(FolderContents(folder), outBefore) << "nothing lost, nothing left behind";
        EXPECT_EQ(FolderContents(dir.Path()), settingsBefore) << "the settings file is whole";
        EXPECT_EQ(Settings.LastSaveFolder, QByteArray("/earlier/save/"));
        ASSERT_EQ(reports.size(), 1);
        const QString target = WithJpgExtension(chosen);
        EXPECT_TRUE(reports[0].startsWith(QStringLiteral("ファイル ") + target + QStringLiteral(" を作成できません")))
            << reports[0].toStdString();
        EXPECT_TRUE(reports[0].contains(FailureReason(error))) << reports[0].toStdString();
    }

    // Saves as "photo" on the small disk, filled up; where no disk can be
    // mounted, a file-size limit of `limitBytes` stands in for it.
    void SaveOntoAFullDisk(TmpfsMount& tmpfs, const QString& disk, rlim_t limitBytes) {
        if (tmpfs.Mounted()) {
            Note("full disk", QStringLiteral("a 64 KiB tmpfs"));
            tmpfs.Fill(disk + QStringLiteral("/filler"));
            ExpectFailedSave(disk + QStringLiteral("/photo"), disk, ENOSPC);
        } else {
            Note("full disk", QStringLiteral("a file-size limit, since ") + tmpfs.Why());
            FileSizeLimit limit(limitBytes);
            ExpectFailedSave(disk + QStringLiteral("/photo"), disk, EFBIG);
        }
    }

    TempDir out;
    const QByteArray oldPicture = MakeJpeg(JpegTestPattern(64, 48));
};

// A disk without room for the photo: the earlier photo of that name stays and
// no partly written copy is left, whether the write stops part way or the
// whole picture is small enough to wait in Qt's write buffer until the end.
TEST_F(SaveFaults, AFullDiskKeepsTheEarlierPhoto) {
    const struct {
        const char* name;
        bool detailed;
    } cases[] = {{"detail past the room left", true}, {"a small white picture", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        reports.clear();
        if (c.detailed) {
            FillWithDetail();
        } else {
            TCanvas& canvas = *form->Image1->Canvas();
            canvas.Pen.Color = canvas.Brush.Color = clWhite;
            canvas.Rectangle(0, 0, 600, 450);
        }
        TempDir place;
        const QString disk = place.File(QStringLiteral("disk"));
        ASSERT_TRUE(QDir(place.Path()).mkdir(QStringLiteral("disk")));
        TmpfsMount tmpfs(disk, 64 * 1024);
        WriteFileBytes(disk + QStringLiteral("/photo.jpg"), oldPicture);
        SaveOntoAFullDisk(tmpfs, disk, c.detailed ? 4096 : 0);
    }
}

TEST_F(SaveFaults, AReadOnlyFileSystemKeepsTheEarlierPhoto) {
    const QString disk = out.File(QStringLiteral("disk"));
    ASSERT_TRUE(QDir(out.Path()).mkdir(QStringLiteral("disk")));
    TmpfsMount tmpfs(disk, 1024 * 1024);
    if (!tmpfs.Mounted())
        GTEST_SKIP() << "no read-only folder for root without a mount: " << tmpfs.Why().toStdString();
    WriteFileBytes(disk + QStringLiteral("/photo.jpg"), oldPicture);
    if (!tmpfs.MakeReadOnly())
        GTEST_SKIP() << tmpfs.Why().toStdString();
    ExpectFailedSave(disk + QStringLiteral("/photo.png"), disk, EROFS);
}

TEST_F(SaveFaults, ATargetNameThatIsAFolderKeepsTheFolder) {
    ASSERT_TRUE(QDir(out.Path()).mkpath(QStringLiteral("photo.jpg")));
    WriteFileBytes(out.File(QStringLiteral("photo.jpg/inside.jpg")), oldPicture);
    ExpectFailedSave(out.File(QStringLiteral("photo")), out.Path(), EISDIR);
    EXPECT_EQ(ReadFileBytes(out.File(QStringLiteral("photo.jpg/inside.jpg"))), oldPicture);
}

// The folder was there when the user chose the name and is gone when the
// photo is written.
TEST_F(SaveFaults, AFolderRemovedAfterTheDialogMakesNothing) {
    const QString gone = out.File(QStringLiteral("gone"));
    ASSERT_TRUE(QDir(out.Path()).mkdir(QStringLiteral("gone")));
    WriteFileBytes(gone + QStringLiteral("/photo.jpg"), oldPicture);
    ExpectFailedSave(gone + QStringLiteral("/photo"), out.Path(), ENOENT,
                     [&] { ASSERT_TRUE(QDir(gone).removeRecursively()); });
    EXPECT_FALSE(QFileInfo::exists(gone)) << "the folder is not made again";
}

// A file with a second link is written in place; a disk that fills part way
// through gets the old bytes back under both names, the same file still.
TEST_F(SaveFaults, AFullDiskDuringAnInPlaceWriteKeepsTheEarlierPhoto) {
    TempDir place;
    const QString disk = place.File(QStringLiteral("disk"));
    ASSERT_TRUE(QDir(place.Path()).mkdir(QStringLiteral("disk")));
    TmpfsMount tmpfs(disk, 64 * 1024);
    const QString photo = disk + QStringLiteral("/photo.jpg");
    const QString link = disk + QStringLiteral("/link.jpg");
    // Larger than a page, so that the new bytes overwrite old ones before
    // the disk is found full.
    const QByteArray old = MakeJpeg(JpegTestPattern(400, 300));
    ASSERT_GT(old.size(), 8192);
    WriteFileBytes(photo, old);
    ASSERT_EQ(::chmod(QFile::encodeName(photo).constData(), 0640), 0);
    ASSERT_EQ(::link(QFile::encodeName(photo).constData(), QFile::encodeName(link).constData()), 0);
    struct stat before{};
    ASSERT_EQ(::stat(QFile::encodeName(photo).constData(), &before), 0);
    SaveOntoAFullDisk(tmpfs, disk, static_cast<rlim_t>(old.size()) + 1);
    struct stat after{};
    ASSERT_EQ(::stat(QFile::encodeName(photo).constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_nlink, 2u);
    EXPECT_EQ(after.st_mode, before.st_mode);
}

// A full disk leaves no room for a temporary file, but an own file there
// still takes a picture smaller than its old one, written in place; the copy
// of its old content waits in the journal's folder meanwhile.
TEST_F(SaveFaults, AFullDiskStillTakesASmallerPicture) {
    TCanvas& canvas = *form->Image1->Canvas();
    canvas.Pen.Color = canvas.Brush.Color = clWhite;
    canvas.Rectangle(0, 0, 600, 450);
    SaveAs(out.File(QStringLiteral("reference")));
    const QByteArray expected = ReadFileBytes(out.File(QStringLiteral("reference.jpg")));
    ASSERT_TRUE(reports.isEmpty());

    TempDir place;
    const QString disk = place.File(QStringLiteral("disk"));
    ASSERT_TRUE(QDir(place.Path()).mkdir(QStringLiteral("disk")));
    TmpfsMount tmpfs(disk, 64 * 1024);
    if (!tmpfs.Mounted())
        GTEST_SKIP() << "no small disk to fill: " << tmpfs.Why().toStdString();
    const QString photo = disk + QStringLiteral("/photo.jpg");
    const QByteArray old = MakeJpeg(JpegTestPattern(400, 300));
    ASSERT_GT(old.size(), expected.size());
    WriteFileBytes(photo, old);
    struct stat before{};
    ASSERT_EQ(::stat(QFile::encodeName(photo).constData(), &before), 0);
    tmpfs.Fill(disk + QStringLiteral("/filler"));

    SaveAs(disk + QStringLiteral("/photo"));
    EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(ReadFileBytes(photo) == expected) << "the same bytes as any save of the picture";
    struct stat after{};
    ASSERT_EQ(::stat(QFile::encodeName(photo).constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(FolderContents(disk).keys(), (QStringList{QStringLiteral("filler"), QStringLiteral("photo.jpg")}));
    EXPECT_TRUE(state.JournalFiles().isEmpty()) << state.JournalFiles().join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(Settings.LastSaveFolder, QFile::encodeName(disk + QLatin1Char('/')));
}

// The reason the user reads is the one of the step that failed, carried with
// the failure: Japanese for the common ones, the system's text for the rest.
TEST_F(SaveFaults, TheReasonComesWithTheFailure) {
    struct HookReset {
        ~HookReset() { SetInPlaceStageHook(nullptr); }
    } reset;
    const QString photo = out.File(QStringLiteral("photo.jpg"));
    WriteFileBytes(photo, oldPicture);
    ASSERT_EQ(::link(QFile::encodeName(photo).constData(), QFile::encodeName(out.File(QStringLiteral("link.jpg"))).constData()), 0);
    for (const int error : {ENOSPC, EACCES, EROFS, EDQUOT, EIO, ENOENT, EEXIST, ENAMETOOLONG}) {
        SCOPED_TRACE(std::strerror(error));
        // The first write over the old content fails.
        SetInPlaceStageHook([error](TInPlaceStage stage) { return stage == TInPlaceStage::CopyMade ? error : 0; });
        reports.clear();
        ExpectFailedSave(photo, out.Path(), error);
        ASSERT_EQ(reports.size(), 1);
        EXPECT_TRUE(reports[0].startsWith(QStringLiteral("ファイル ") + photo + QStringLiteral(" を作成できません: ") +
                                          FailureReason(error)))
            << reports[0].toStdString();
        EXPECT_TRUE(state.JournalFiles().isEmpty());
    }
}
