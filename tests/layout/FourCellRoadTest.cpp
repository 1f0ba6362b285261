#include "CompositionState.h"
#include "FormFixture.h"
#include "JpegFixtures.h"
#include "OpenPhoto.h"
#include "TBitmap.h"
#include "TFileDialog.h"
#include "TJPEGImage.h"
#include "TestFileBytes.h"

#include <QTest>

namespace {

struct Quarter {
    int cell;
    QRect area; // the cell in the output picture, without the separator strips
    QColor colour;
};

// Layout 6 numbers its quarters down each column.
const Quarter kQuarters[] = {
    {15, QRect(0, 0, 297, 222), QColor(200, 40, 40)},
    {16, QRect(0, 227, 297, 223), QColor(40, 160, 40)},
    {17, QRect(302, 0, 298, 222), QColor(40, 60, 200)},
    {18, QRect(302, 227, 298, 223), QColor(220, 200, 40)},
};

QColor Mean(const TBitmap& bitmap, const QRect& area) {
    long long r = 0, g = 0, b = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const TColor c = bitmap.GetPixel(x, y);
            r += GetRValue(c);
            g += GetGValue(c);
            b += GetBValue(c);
        }
    const long long n = static_cast<long long>(area.width()) * area.height();
    return QColor(static_cast<int>(r / n), static_cast<int>(g / n), static_cast<int>(b / n));
}

bool Near(const QColor& a, const QColor& b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

using FourCellRoad = FormFixture;

TEST_F(FourCellRoad, FourPhotosComposedCellByCellAndSaved) {
    while (Composition.LayoutKind != 6)
        QTest::mouseClick(form->SpeedButton1, Qt::LeftButton);

    for (size_t i = 0; i < std::size(kQuarters); ++i) {
        const Quarter& q = kQuarters[i];
        if (i > 0)
            QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
        ASSERT_EQ(Composition.CurrentCell, q.cell);

        QImage photo(800, 600, QImage::Format_RGB888);
        photo.fill(q.colour);
        const QString file = dir.File(QStringLiteral("photo%1.jpg").arg(i));
        WriteFileBytes(file, MakeJpeg(photo));
        OpenPhotoFile(form->Controls(), {Settings.LastOpenFolder, SaveSettings}, file);
        ASSERT_EQ(Composition.WorkBitmap->Width(), 800);
        QTest::mouseClick(form->BitBtn3, Qt::LeftButton);
    }

    const QString saved = dir.File(QStringLiteral("composed.jpg"));
    TFileDialog::SetAnswerer([&](const TFileDialog&) { return std::optional<QString>(saved); });
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    TFileDialog::SetAnswerer(nullptr);

    TJPEGImage jpeg;
    jpeg.LoadFromFile(saved);
    TBitmap decoded;
    jpeg.AssignTo(decoded);
    ASSERT_EQ(decoded.Width(), 600);
    ASSERT_EQ(decoded.Height(), 450);
    for (const Quarter& q : kQuarters) {
        SCOPED_TRACE(q.cell);
        // Away from the edges of the quarter, where the coder blurs into the strips.
        const QRect inside = q.area.adjusted(8, 8, -8, -8);
        EXPECT_TRUE(Near(Mean(decoded, inside), q.colour, 4)) << Mean(decoded, inside).name().toStdString();
    }
    // The strips between the quarters are white.
    EXPECT_TRUE(Near(Mean(decoded, QRect(298, 20, 3, 180)), Qt::white, 12));
    EXPECT_TRUE(Near(Mean(decoded, QRect(20, 223, 250, 3)), Qt::white, 12));
    EXPECT_TRUE(Near(Mean(decoded, QRect(330, 223, 250, 3)), Qt::white, 12));
}
