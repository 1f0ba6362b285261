// "tolvane PHOTO": the photo named on the command line opens at start as a
// dropped one does; a file that does not open leaves the start state.
#include "DesktopSupport.h"
#include "TestFileBytes.h"

#include <QDir>

namespace {

class StartPhoto : public DesktopWindow {
protected:
    void ExpectStartState() {
        EXPECT_EQ(PhotoSize(), QSize(3200, 3200));
        EXPECT_EQ(form->Panel2->size(), QSize(600, 600));
        EXPECT_EQ(Frame(), QRect(80, 72, 129, 97)) << "the frame keeps its designed place";
        EXPECT_TRUE(InputViewShown());
        EXPECT_TRUE(Settings.LastOpenFolder.isEmpty());
    }
};

} // namespace

TEST_F(StartPhoto, AFileThatDoesNotOpenLeavesTheStartState) {
    const QString damaged = dir.File(QStringLiteral("damaged.jpg"));
    WriteFileBytes(damaged, MakeJpeg(JpegTestPattern(64, 48)).left(24)); // cut before the picture
    const QString text = dir.File(QStringLiteral("notes.jpg"));
    WriteFileBytes(text, "not a photo\n");
    ASSERT_TRUE(QDir(dir.Path()).mkdir(QStringLiteral("folder.jpg")));
    const struct {
        const char* name;
        QString path;
    } cases[] = {
        {"a damaged photo", damaged},
        {"a text file", text},
        {"a missing file", dir.File(QStringLiteral("missing.jpg"))},
        {"a folder", dir.File(QStringLiteral("folder.jpg"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        form->OpenStartPhoto(c.path);
        ExpectStartState();
    }
    EXPECT_TRUE(dialogs.isEmpty());
    // Only the file of no photo type is told.
    EXPECT_EQ(reports, QStringList(QStringLiteral("この種類のファイルは開けません (テキスト)")));
}

TEST_F(StartPhoto, APhotoOpensAsADroppedOneDoes) {
    const QString photo = WritePhoto(400, 300, QStringLiteral("photo.jpg"));
    form->OpenStartPhoto(photo);
    EXPECT_EQ(PhotoSize(), QSize(400, 300));
    EXPECT_EQ(form->Panel2->size(), QSize(602, 452));
    EXPECT_EQ(Frame(), QRect(0, 0, 419, 314)) << "placed at cell 1";
    EXPECT_TRUE(InputViewShown());
    EXPECT_EQ(Settings.LastOpenFolder, FolderOf(photo));
    EXPECT_TRUE(dialogs.isEmpty());
    EXPECT_TRUE(reports.isEmpty());
}
