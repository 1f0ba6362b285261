// The window on screens of any density: fonts by pixel size, pictures drawn
// anew at twice the size for screens that show them.
#include "DensePictures.h"
#include "FormFixture.h"
#include "TBitBtn.h"
#include "TImage.h"
#include "TSpeedButton.h"

namespace {

QImage Premultiplied(const QImage& image) {
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The control painted alone on a transparent image of the given density.
QImage Painted(QWidget& control, qreal ratio) {
    QImage image(control.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    control.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    image.setDevicePixelRatio(1.0);
    return image;
}

} // namespace

class DenseScreen : public FormFixture {};

TEST_F(DenseScreen, FontsHaveTheirDesignedPixelSizes) {
    const struct {
        QWidget* control;
        const char* family;
        int pixels;
        bool bold;
    } cases[] = {
        {form.get(), "ＭＳ Ｐゴシック", 12, false},
        {form->SpeedButton1, "ＭＳ Ｐゴシック", 12, false},
        {form->Label4, "ＭＳ Ｐゴシック", 16, true},
        {form->GroupBox3, "ＭＳ Ｐ明朝", 12, false},
        {form->BitBtn2, "ＭＳ Ｐ明朝", 12, false},
        {form->BitBtn6, "ＭＳ Ｐ明朝", 12, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.control->objectName().toStdString());
        const QFont font = c.control->font();
        EXPECT_EQ(font.family(), QString::fromUtf8(c.family));
        EXPECT_EQ(font.pixelSize(), c.pixels)
            << "a point size would follow the desktop's resolution";
        EXPECT_EQ(font.bold(), c.bold);
    }
    EXPECT_EQ(form->Label4->height(), 16);
}

TEST_F(DenseScreen, PicturesAreTheStoredOnesAtOnePixelAndTheDenseOnesAtTwo) {
    int pictures = 0;
    for (TImage* image : form->findChildren<TImage*>()) {
        const QString resource = image->StoredGraphic();
        if (resource.isEmpty())
            continue;
        SCOPED_TRACE(resource.toStdString());
        ++pictures;
        const QImage stored(resource);
        const QImage dense = DoubleDensityPicture(resource);
        ASSERT_FALSE(dense.isNull()) << "no twice-as-dense version";
        ASSERT_EQ(dense.size(), stored.size() * 2);
        EXPECT_EQ(dense.devicePixelRatio(), 2.0);

        // The control may be larger than its picture: compare the picture's part.
        const QRect part(QPoint(), stored.size());
        EXPECT_EQ(Painted(*image, 1.0).copy(part), Premultiplied(stored));
        QImage denseExact = Premultiplied(dense);
        denseExact.setDevicePixelRatio(1.0);
        EXPECT_EQ(Painted(*image, 2.0).copy(QRect(QPoint(), dense.size())), denseExact)
            << "drawn anew, not enlarged";
    }
    EXPECT_EQ(pictures, 3) << "tab strip, switch picture, help picture";
}

TEST_F(DenseScreen, GlyphsHaveADenseVersionForDenseScreens) {
    QList<QAbstractButton*> buttons;
    for (auto* b : form->findChildren<TBitBtn*>())
        buttons.append(b);
    for (auto* b : form->findChildren<TSpeedButton*>())
        buttons.append(b);
    ASSERT_EQ(buttons.size(), 10);
    for (QAbstractButton* button : buttons) {
        SCOPED_TRACE(button->objectName().toStdString());
        const QString glyph = button->property("Glyph").toString();
        const QImage stored(glyph);
        EXPECT_EQ(button->iconSize(), stored.size()) << "the glyph's own size, in logical pixels";
        const QImage atOne = button->icon().pixmap(button->iconSize(), 1.0).toImage();
        EXPECT_EQ(Premultiplied(atOne), Premultiplied(stored));
        QImage atTwo = button->icon().pixmap(button->iconSize(), 2.0).toImage();
        ASSERT_EQ(atTwo.size(), stored.size() * 2);
        atTwo.setDevicePixelRatio(1.0);
        QImage dense = DoubleDensityPicture(glyph);
        dense.setDevicePixelRatio(1.0);
        EXPECT_EQ(Premultiplied(atTwo), Premultiplied(dense)) << "drawn anew, not enlarged";
    }
}
