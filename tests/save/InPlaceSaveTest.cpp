#include "SavedJpeg.h"
#include "TestFileBytes.h"

#include "AsUser.h"
#include "FormFixture.h"
#include "JpegFixtures.h"
#include "StateHome.h"
#include "TApplication.h"
#include "TBitmap.h"
#include "TFileDialog.h"
#include "TImage.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct stat StatOf(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st;
}

void SetMode(const QString& path, mode_t mode) {
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

} // namespace

// Saving over an existing file that a new file would not stand in for.
class SavingInPlace : public FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        TApplication::SetErrorReporter(
            [this](const QString&, const QString& text) { reports.append(text); });
        TFileDialog::SetAnswerer([this](const TFileDialog&) { return answer; });
        // Other users reach the output folder.
        SetMode(out.Path(), 0755);
        TBitmap& picture = *form->Image1->PictureBitmap();
        for (int y = 0; y < picture.Height(); ++y)
            for (int x = 0; x < picture.Width(); ++x)
                picture.SetPixel(x, y, static_cast<TColor>(x * 0x010203 + y * 0x030102) & 0xFFFFFF);
        // What any save of this picture writes.
        const TempDir reference;
        SaveAs(reference.File(QStringLiteral("reference")));
        expected = ReadFileBytes(reference.File(QStringLiteral("reference.jpg")));
        ASSERT_TRUE(ReadSavedJpeg(expected).ok);
    }
    void TearDown() override {
        TFileDialog::SetAnswerer(nullptr);
        TApplication::SetErrorReporter(nullptr);
        FormFixture::TearDown();
    }
    void SaveAs(const QString& name) {
        answer = name;
        form->BitBtn1Click();
    }

    TempDir out;
    std::optional<QString> answer;
    QStringList reports;
    QByteArray expected;
};

TEST_F(SavingInPlace, TheFileStaysTheSameFileWithItsLinksOwnerAndMode) {
    const bool root = ::geteuid() == 0;
    const passwd* nobody = ::getpwnam("nobody");
    const QString photo = out.File(QStringLiteral("photo.jpg"));
    const QString link = out.File(QStringLiteral("link.jpg"));
    const QString closed = out.File(QStringLiteral("closed"));
    const struct Case {
        const char* name;
        bool needsRoot;
        QByteArray old;
        std::function<void()> arrange;
        QString saved; // the file written
        bool byNobody;
        bool sameFile; // the same inode afterwards
    } cases[] = {
        {"a file with another hard link", false, MakeJpeg(JpegTestPattern(64, 48)),
         [&] {
             SetMode(photo, 0640);
             ASSERT_EQ(
                 ::link(QFile::encodeName(photo).constData(), QFile::encodeName(link).constData()),
                 0);
         },
         photo, false, true},
        {"an old file larger than the new picture", false, QByteArray(300000, 'x'),
         [&] {
             ASSERT_EQ(
                 ::link(QFile::encodeName(photo).constData(), QFile::encodeName(link).constData()),
                 0);
         },
         photo, false, true},
        {"a file of another owner", true, MakeJpeg(JpegTestPattern(64, 48)),
         [&] {
             SetMode(photo, 0606);
             ASSERT_EQ(
                 ::chown(QFile::encodeName(photo).constData(), nobody->pw_uid, nobody->pw_gid), 0);
         },
         photo, false, true},
        {"a writable file in a folder the user may not write", true,
         MakeJpeg(JpegTestPattern(64, 48)),
         [&] {
             // The user's own file, in a folder of root's.
             const QByteArray file = QFile::encodeName(closed + QStringLiteral("/photo.jpg"));
             ASSERT_EQ(::chown(file.constData(), nobody->pw_uid, nobody->pw_gid), 0);
             SetMode(closed, 0555);
         },
         closed + QStringLiteral("/photo.jpg"), true, true},
        {"an ordinary file keeps its mode through the rename", false,
         MakeJpeg(JpegTestPattern(64, 48)), [&] { SetMode(photo, 0604); }, photo, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsRoot && (!root || nobody == nullptr)) {
            std::printf("[  SKIPPED ] %s: needs root and a user nobody\n", c.name);
            continue;
        }
        SetMode(out.Path(), 0755);
        QDir(out.Path()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(out.Path()));
        SetMode(out.Path(), 0755);
        ASSERT_TRUE(QDir(out.Path()).mkdir(QStringLiteral("closed")));
        WriteFileBytes(c.saved, c.old);
        c.arrange();
        const struct stat before = StatOf(c.saved);
        const QStringList entries =
            QDir(out.Path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        reports.clear();
        // The saving user's own state folder, which takes the save journal.
        const StateHome state;
        if (c.byNobody) {
            ASSERT_EQ(::chown(QFile::encodeName(state.Path()).constData(), nobody->pw_uid, nobody->pw_gid), 0);
        }
        {
            std::optional<AsUser> user;
            if (c.byNobody) {
                user.emplace(nobody->pw_uid, nobody->pw_gid);
                ASSERT_TRUE(user->Ok());
            }
            SaveAs(c.saved);
        }
        EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(ReadFileBytes(c.saved) == expected)
            << "the new picture, and nothing of the old";
        const struct stat after = StatOf(c.saved);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
        EXPECT_EQ(after.st_nlink, before.st_nlink);
        EXPECT_EQ(after.st_ino == before.st_ino, c.sameFile);
        if (before.st_nlink > 1) {
            EXPECT_TRUE(ReadFileBytes(link) == expected) << "the other link shows the new picture";
        }
        EXPECT_EQ(QDir(out.Path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), entries)
            << "no file left beside it";
        EXPECT_TRUE(state.JournalFiles().isEmpty()) << state.JournalFiles().join(QLatin1Char(' ')).toStdString();
        SetMode(closed, 0755);
    }
}
