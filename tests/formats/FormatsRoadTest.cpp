#include "FormatFixtures.h"
#include "JpegFixtures.h"
#include "JpegSegments.h"
#include "OpenTestSupport.h"
#include "TApplication.h"
#include "TFileDialog.h"
#include "TestFileBytes.h"

#include <QBuffer>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <memory>

namespace {

QByteArray Png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

using FormatsRoad = OpenFixture;

TEST_F(FormatsRoad, APortraitTaggedLyingOnItsSideOpensUprightInAnUprightPanel) {
    const QString path = dir.File(QStringLiteral("IMG_0001.JPG"));
    WriteFileBytes(path, WithExif(MakeJpeg(JpegTestPattern(1200, 801)), ExifOrientationPayload(6)));
    ClickOpen(path);
    EXPECT_EQ(WorkPixels().size(), QSize(801, 1200));
    EXPECT_EQ(form->Panel2->size(), QSize(402, 602));
    EXPECT_EQ(Composition.JpegPicture, nullptr);
    // The turn buttons go on from the upright photo.
    QTest::mouseClick(form->BitBtn7, Qt::LeftButton);
    EXPECT_EQ(WorkPixels().size(), QSize(1200, 801));
}

TEST_F(FormatsRoad, PngAndWebPFilesOpenWhateverTheirNames) {
    const QImage picture = JpegTestPattern(300, 200);
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {{"Screenshot.PNG", Png(picture)}, {"photo.jpg", Png(picture)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Settings.LastOpenFolder.clear();
        const QString path = SubFolder(QStringLiteral("pictures")) + QLatin1Char('/') + QString::fromLatin1(c.name);
        WriteFileBytes(path, c.bytes);
        ClickOpen(path);
        EXPECT_EQ(WorkPixels().convertToFormat(QImage::Format_RGB888), picture);
        EXPECT_EQ(form->Panel2->size(), QSize(602, 402));
        EXPECT_EQ(Settings.LastOpenFolder, QFile::encodeName(QFileInfo(path).absolutePath() + QLatin1Char('/')));
        EXPECT_TRUE(InputViewShown());
    }
}

TEST_F(FormatsRoad, APngTooLargeForTheMemoryFreeIsRefusedLikeAJpeg) {
    ClickOpen(WritePhoto(120, 90));
    const QImage before = WorkPixels();
    const QString path = SubFolder(QStringLiteral("big")) + QStringLiteral("/big.png");
    WriteFileBytes(path, Png(JpegTestPattern(300, 200)));
    QStringList reports;
    TApplication::SetErrorReporter([&](const QString&, const QString& text) { reports.append(text); });
    SetAvailableMemoryReader([] { return MemoryReserve + 1000; });
    ClickOpen(path);
    SetAvailableMemoryReader(nullptr);
    TApplication::SetErrorReporter(nullptr);
    EXPECT_EQ(WorkPixels(), before);
    EXPECT_EQ(Settings.LastOpenFolder, QFile::encodeName(QFileInfo(path).absolutePath() + QLatin1Char('/')));
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains(QStringLiteral("300 × 200"))) << reports[0].toStdString();
    EXPECT_EQ(Composition.JpegPicture, nullptr);
}

TEST_F(FormatsRoad, TheDialogOffersEveryTypeFirstThenJpg) {
    const QString filter = form->OpenDialog1->QtFilter();
    const QStringList filters = filter.split(QStringLiteral(";;"));
    ASSERT_EQ(filters.size(), 2);
    EXPECT_EQ(filters[1].toStdString(), "jpg (*.jpg)");
    EXPECT_EQ(filters[0].toStdString(), "写真ファイル (*.jpg *.jpeg *.jpe *.jfif *.heic *.heif *.hif *.avif *.png "
                                        "*.webp *.gif *.bmp *.tif *.tiff)");
}

// The dialog matches names whatever their case, so each type is offered
// once, in lower case, and the list of them fits in the dialog as it opens.
TEST_F(FormatsRoad, TheDialogShowsPhotosOfEveryTypeWhateverTheCaseOfTheirNames) {
    const QString folder = SubFolder(QStringLiteral("camera"));
    const QStringList photos = {QStringLiteral("IMG_0001.JPG"), QStringLiteral("IMG_0002.HEIC"),
                                QStringLiteral("DSCF0003.HIF"), QStringLiteral("scan.TIFF"),
                                QStringLiteral("Screenshot.Png"), QStringLiteral("photo.avif"),
                                QStringLiteral("anim.gif")};
    for (const QString& name : photos + QStringList{QStringLiteral("notes.txt"), QStringLiteral("clip.MP4")})
        WriteFileBytes(folder + QLatin1Char('/') + name, "x");
    form->OpenDialog1->SetInitialDir(folder);
    const std::unique_ptr<QFileDialog> dialog = form->OpenDialog1->MakeDialog();
    auto* model = dialog->findChild<QFileSystemModel*>();
    if (!model)
        GTEST_SKIP() << "the desktop's own dialog is in use";
    dialog->show();
    const QModelIndex root = model->index(folder);
    QStringList shown;
    // The folder is listed on another thread.
    for (int wait = 0; wait < 100 && shown.size() < photos.size(); ++wait) {
        QTest::qWait(20);
        shown.clear();
        for (int row = 0; row < model->rowCount(root); ++row)
            shown.append(model->fileName(model->index(row, 0, root)));
    }
    shown.sort();
    QStringList expected = photos;
    expected.sort();
    EXPECT_EQ(shown.join(QLatin1Char(' ')).toStdString(), expected.join(QLatin1Char(' ')).toStdString());

    auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    EXPECT_LE(types->fontMetrics().horizontalAdvance(types->itemText(0)), dialog->width()) << types->itemText(0).toStdString();
}
