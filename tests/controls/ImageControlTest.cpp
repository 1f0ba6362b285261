#include "Exceptions.h"
#include "TCanvas.h"
#include "TFileDialog.h"
#include "TImage.h"
#include "TPanel.h"
#include "TProgressBar.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

TEST(ImageControl, AnEmptyPictureGetsAWhiteSurfaceOfTheControlsSizeThatKeepsItsSize) {
    TImage image;
    image.resize(600, 450);
    TCanvas* canvas = image.Canvas();
    ASSERT_NE(canvas, nullptr);
    TBitmap& bitmap = canvas->Bitmap();
    EXPECT_EQ(bitmap.Width(), 600);
    EXPECT_EQ(bitmap.Height(), 450);
    EXPECT_EQ(bitmap.GetPixel(0, 0), clWhite);
    EXPECT_EQ(bitmap.GetPixel(599, 449), clWhite);

    image.resize(300, 450);
    EXPECT_EQ(image.Canvas(), canvas) << "the same surface is handed out again";
    EXPECT_EQ(bitmap.Width(), 600);
}

TEST(ImageControl, OnlyABitmapCanBeDrawnOn) {
    TImage image;
    QImage graphic(10, 10, QImage::Format_ARGB32);
    graphic.fill(Qt::transparent);
    image.Picture().SetGraphic(graphic);
    try {
        image.Canvas();
        FAIL() << "no EInvalidOperation";
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "ビットマップを持っている時のみイメージの変更が可能です");
    }
    // Asking for the picture's bitmap replaces the other graphic by an empty bitmap.
    TBitmap* bitmap = image.PictureBitmap();
    EXPECT_TRUE(bitmap->Empty());
    EXPECT_FALSE(image.Picture().HasOtherGraphic());
}

TEST(ImageControl, ShowsItsBitmapUnscaledFromTheTopLeftAndRepaintsAfterAChange) {
    QWidget parent;
    parent.resize(40, 30);
    parent.setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0, 0, 255));
    parent.setPalette(palette);
    TImage image(&parent);
    image.setGeometry(0, 0, 40, 30);
    TBitmap* bitmap = image.PictureBitmap();
    bitmap->SetWidth(20);
    bitmap->SetHeight(10);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));

    bitmap->SetPixel(3, 4, clRed);
    QImage shot = parent.grab().toImage();
    EXPECT_EQ(shot.pixelColor(3, 4), QColor(255, 0, 0)) << "the write was shown";
    EXPECT_EQ(shot.pixelColor(19, 9), QColor(255, 255, 255));
    EXPECT_EQ(shot.pixelColor(25, 5), QColor(0, 0, 255)) << "beside the bitmap the parent shows";
    EXPECT_EQ(shot.pixelColor(5, 20), QColor(0, 0, 255));
}

TEST(ImageControl, AClickIsALeftPressAndReleaseInside) {
    TImage image;
    image.resize(50, 50);
    QSignalSpy clicks(&image, &TImage::OnClick);
    QTest::mouseClick(&image, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseClick(&image, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mousePress(&image, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(&image, Qt::LeftButton, {}, QPoint(80, 10)); // released outside
    EXPECT_EQ(clicks.count(), 1);
}

TEST(Panel, ChildrenAlignedToTheClientAreaFollowItsSize) {
    TPanel panel;
    panel.resize(600, 600);
    TImage fill(&panel);
    fill.SetAlignClient(true);
    TImage fixed(&panel);
    fixed.setGeometry(5, 5, 10, 10);
    panel.SetWidth(602); // hidden: no resize event arrives before it is shown
    panel.SetHeight(452);
    EXPECT_EQ(fill.geometry(), QRect(0, 0, 602, 452));
    EXPECT_EQ(fixed.geometry(), QRect(5, 5, 10, 10));
}

TEST(FileDialog, FiltersTakeQtsFormAndAnswersComeFromTheSeam) {
    TOpenDialog dialog;
    dialog.SetFilter(QStringLiteral("jpg|*.jpg"));
    EXPECT_EQ(dialog.QtFilter(), QStringLiteral("jpg (*.jpg)"));
    dialog.SetFilter(QStringLiteral("jpg|*.jpg|all|*"));
    EXPECT_EQ(dialog.QtFilter(), QStringLiteral("jpg (*.jpg);;all (*)"));

    QString seenDir;
    TFileDialog::SetAnswerer([&](const TFileDialog& d) -> std::optional<QString> {
        seenDir = d.InitialDir();
        return QStringLiteral("/tmp/a.jpg");
    });
    dialog.SetInitialDir(QStringLiteral("/srv/photos/"));
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName(), QStringLiteral("/tmp/a.jpg"));
    EXPECT_EQ(seenDir, QStringLiteral("/srv/photos/"));

    TFileDialog::SetAnswerer([](const TFileDialog&) { return std::optional<QString>(); });
    EXPECT_FALSE(dialog.Execute()) << "cancelled";
    TFileDialog::SetAnswerer(nullptr);
}

TEST(ProgressBar, ShowsItsPositionWithoutText) {
    TProgressBar bar;
    bar.setGeometry(0, 0, 137, 16);
    bar.setRange(0, 3150);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    EXPECT_FALSE(bar.isTextVisible());
    EXPECT_TRUE(bar.text().isEmpty());
    const QImage empty = bar.grab().toImage();
    for (int i = 0; i < 3150; ++i) // one step a row, as a pixel pass drives it
        bar.setValue(i);
    EXPECT_EQ(bar.value(), 3149);
    EXPECT_NE(bar.grab().toImage(), empty) << "the bar moved";
    bar.setValue(1575);
    bar.setTextVisible(true);
    EXPECT_EQ(bar.text(), QStringLiteral("50%")) << "asked to, it shows Qt's text";
}
