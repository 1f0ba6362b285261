#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Without a window manager the client area stands at the designed outer position.
constexpr QPoint kClient(194, 83);

QRgb At(const QImage& shot, int x, int y) { return shot.pixel(kClient.x() + x, kClient.y() + y) & 0xFFFFFF; }

} // namespace

TEST(WindowSmoke, TheWindowComesUpOnARealXServer) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") || QGuiApplication::platformName() != "xcb")
        GTEST_SKIP() << "no X server";
    const QString exe = qEnvironmentVariable("TOLVANE_BIN_DIR") + QStringLiteral("/tolvane");
    QProcess program;
    program.start(exe, {});
    ASSERT_TRUE(program.waitForStarted(10000)) << exe.toStdString();

    // Silver background, the dark grey input view at 168, 48 and the red frame
    // at 80, 72 of the input panel.
    QImage shot;
    QElapsedTimer timer;
    timer.start();
    bool up = false;
    while (!up && timer.elapsed() < 20000) {
        QTest::qWait(200);
        shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        up = At(shot, 4, 4) == 0xC0C0C0 && At(shot, 168 + 300, 48 + 300) == 0x57585Du;
    }
    shot.save(QStringLiteral(TOLVANE_SCREENSHOT));
    program.terminate();
    program.waitForFinished(5000);

    ASSERT_TRUE(up) << "screenshot in " TOLVANE_SCREENSHOT;
    EXPECT_EQ(At(shot, 4, 4), 0xC0C0C0u);
    EXPECT_EQ(At(shot, 168 + 300, 48 + 300), 0x57585Du);
    EXPECT_EQ(At(shot, 168 + 80, 48 + 72), 0xFF0000u) << "the frame's top-left corner is red";
    EXPECT_EQ(At(shot, 168 + 80 + 128, 48 + 72 + 96), 0xFF0000u) << "and its bottom-right";
    EXPECT_EQ(At(shot, 168 + 80 + 60, 48 + 72 + 40), 0x57585Du) << "the photo shows through";
}
