// "Open With" from a file manager: the built program started with a photo on
// its command line, behind one of Qt's own options and before an argument
// that is not its business.
#include "JpegFixtures.h"
#include "TempDir.h"
#include "TestFileBytes.h"
#include "WaitFor.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr QPoint kView(194 + 168, 83 + 48); // the input view on the screen

QRgb ViewPixel(int x, int y) {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().pixel(kView + QPoint(x, y)) &
           0xFFFFFF;
}

bool Near(QRgb got, QColor want) {
    return std::abs(qRed(got) - want.red()) <= 12 && std::abs(qGreen(got) - want.green()) <= 12 &&
           std::abs(qBlue(got) - want.blue()) <= 12;
}

} // namespace

TEST(OpenWith, ThePhotoOnTheCommandLineOpensAtStart) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") || QGuiApplication::platformName() != "xcb")
        GTEST_SKIP() << "no X server";
    TempDir dir;
    const QColor blue(30, 40, 200), yellow(220, 210, 40);
    QImage photo(200, 100, QImage::Format_RGB888); // left half blue, right half yellow
    QPainter(&photo).fillRect(0, 0, 100, 100, blue);
    QPainter(&photo).fillRect(100, 0, 100, 100, yellow);
    const QString file = dir.File(QStringLiteral("photo.jpg"));
    WriteFileBytes(file, MakeJpeg(photo, {.quality = 95}));

    // A copy, whose settings file (the folder is remembered) lands beside it.
    const QString exe = dir.File(QStringLiteral("tolvane"));
    ASSERT_TRUE(
        QFile::copy(qEnvironmentVariable("TOLVANE_BIN_DIR") + QStringLiteral("/tolvane"), exe));
    QProcess program;
    program.start(exe, {QStringLiteral("-platform"), QStringLiteral("xcb"), file,
                        QStringLiteral("--ignored")});
    ASSERT_TRUE(program.waitForStarted(10000));
    const auto stop = qScopeGuard([&] {
        program.terminate();
        program.waitForFinished(5000);
    });
    // A 602 x 303 view: the photo's halves side by side.
    WaitFor([&] { return Near(ViewPixel(100, 150), blue) && Near(ViewPixel(500, 150), yellow); });
    EXPECT_TRUE(Near(ViewPixel(100, 150), blue));
    EXPECT_TRUE(Near(ViewPixel(500, 150), yellow));
    EXPECT_EQ(ViewPixel(300, 400), 0xC0C0C0u) << "the panel took the photo's proportions";
}
