#include "FaultFixture.h"
#include "TestFileBytes.h"
#include "Tmpfs.h"

#include "CompositionState.h"
#include "Exceptions.h"
#include "TBitmap.h"

#include <cstdio>

// The settings file on a disk that cannot take its next version: it stays
// whole, with no temporary file beside it, and the next run reads the old
// record. Nothing is said: an opening stops before decoding and keeps the
// earlier photo; a saving has written the photo; both remember the folder for
// this run only.
class SettingsFaults : public FaultFixture {
protected:
    struct Fault {
        const char* name;
        std::function<bool(TmpfsMount&, const QString& disk)> arrange; // false: skip
    };

    void ExpectWholeAfterEveryWrite(const Fault& fault) {
        SCOPED_TRACE(fault.name);
        TempDir place;
        const QString disk = place.File(QStringLiteral("disk"));
        ASSERT_TRUE(QDir(place.Path()).mkdir(QStringLiteral("disk")));
        TmpfsMount tmpfs(disk, 64 * 1024);
        if (!tmpfs.Mounted()) {
            std::printf("[  SKIPPED ] %s: %s\n", fault.name, tmpfs.Why().toLocal8Bit().constData());
            return;
        }
        TempDir photos;
        Open(WritePhoto(photos.File(QStringLiteral("earlier.jpg")), 80, 60));
        ASSERT_EQ(Composition.WorkBitmap->Width(), 80);
        WriteKnownSettings(disk + QStringLiteral("/tolvane.settings"));
        if (!fault.arrange(tmpfs, disk)) {
            std::printf("[  SKIPPED ] %s: %s\n", fault.name, tmpfs.Why().toLocal8Bit().constData());
            return;
        }
        const QMap<QString, QByteArray> before = FolderContents(disk);
        ASSERT_EQ(before.value(QStringLiteral("tolvane.settings")).size(), 8 + 2 * 129);

        TempDir other;
        Open(WritePhoto(other.File(QStringLiteral("later.jpg")), 40, 30));
        EXPECT_EQ(Composition.WorkBitmap->Width(), 80) << "the earlier photo stays";
        EXPECT_EQ(Settings.LastOpenFolder, QFile::encodeName(other.Path() + QLatin1Char('/')));
        EXPECT_EQ(FolderContents(disk), before);

        SaveAs(photos.File(QStringLiteral("out")));
        EXPECT_TRUE(QFileInfo(photos.File(QStringLiteral("out.jpg"))).size() > 0) << "the photo is saved";
        EXPECT_EQ(Settings.LastSaveFolder, QFile::encodeName(photos.Path() + QLatin1Char('/')));
        EXPECT_EQ(FolderContents(disk), before);
        EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();

        EXPECT_THROW(SaveSettings(), EFCreateError);
        EXPECT_EQ(FolderContents(disk), before);
        LoadSettings();
        EXPECT_EQ(Settings.LastOpenFolder, QByteArray("/earlier/open/")) << "the next run reads the old record";
    }
};

TEST_F(SettingsFaults, AFullDisk) {
    ExpectWholeAfterEveryWrite({"full disk", [](TmpfsMount& tmpfs, const QString& disk) {
                                    tmpfs.Fill(disk + QStringLiteral("/filler"));
                                    return true;
                                }});
}

TEST_F(SettingsFaults, AReadOnlyFileSystem) {
    ExpectWholeAfterEveryWrite(
        {"read-only file system", [](TmpfsMount& tmpfs, const QString&) { return tmpfs.MakeReadOnly(); }});
}

// A folder where the settings file should be: it is neither replaced nor
// emptied.
TEST_F(SettingsFaults, ANameThatIsAFolder) {
    const QString name = dir.File(QStringLiteral("settings-folder"));
    ASSERT_TRUE(QDir(dir.Path()).mkdir(QStringLiteral("settings-folder")));
    WriteFileBytes(name + QStringLiteral("/inside"), "kept");
    SetSettingsFileName(name);
    const QMap<QString, QByteArray> before = FolderContents(dir.Path());
    EXPECT_THROW(SaveSettings(), EFCreateError);
    const QString photo = WritePhoto(dir.File(QStringLiteral("photo.jpg")), 80, 60);
    const QMap<QString, QByteArray> withPhoto = FolderContents(dir.Path());
    const int widthBefore = Composition.WorkBitmap->Width();
    Open(photo);
    EXPECT_EQ(Composition.WorkBitmap->Width(), widthBefore) << "opening stops before decoding";
    EXPECT_EQ(FolderContents(dir.Path()), withPhoto);
    EXPECT_EQ(FolderContents(name), (QMap<QString, QByteArray>{{QStringLiteral("inside"), "kept"}}));
    EXPECT_TRUE(reports.isEmpty());
}
