#include "FormatFixtures.h"
#include "JpegFixtures.h"
#include "JpegSegments.h"
#include "OpenTestSupport.h"
#include "TApplication.h"
#include "TFileDialog.h"
#include "TestFileBytes.h"

#include <QBuffer>
#include <QFileInfo>

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
    EXPECT_EQ(filters[1], QStringLiteral("jpg (*.jpg)"));
    for (const char* pattern : {"*.jpg", "*.JPG", "*.jpeg", "*.heic", "*.HEIC", "*.heif", "*.png", "*.PNG", "*.webp"})
        EXPECT_TRUE(filters[0].split(QLatin1Char(' ')).contains(QString::fromLatin1(pattern)) ||
                    filters[0].contains(QStringLiteral("(") + QString::fromLatin1(pattern) + QLatin1Char(' ')))
            << pattern;
    EXPECT_TRUE(filters[0].startsWith(QStringLiteral("写真ファイル (")));
    EXPECT_FALSE(filters[0].contains(QLatin1Char(';')));
}
