// The whole road on a real X server, as a person walks it: the built program,
// Qt's own file dialogs typed into with xdotool, open, trim, save.
#include "JpegFixtures.h"
#include "TBitmap.h"
#include "TJPEGImage.h"
#include "TempDir.h"
#include "TestFileBytes.h"
#include "WaitFor.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLibraryInfo>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTranslator>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Without a window manager the client area stands at the designed outer position.
constexpr QPoint kClient(194, 83);
// Button centres in client coordinates: the operations group at (8, 312).
constexpr QPoint kOpenButton(8 + 8 + 60, 312 + 16 + 15);
constexpr QPoint kTrimButton(8 + 8 + 60, 312 + 216 + 15);
constexpr QPoint kSaveButton(8 + 8 + 60, 312 + 248 + 15);
constexpr QPoint kWorkArea(168, 48);

QString Xdo(const QStringList& args) {
    QProcess xdo;
    xdo.start(QStringLiteral("xdotool"), args);
    xdo.waitForFinished(20000);
    return QString::fromLocal8Bit(xdo.readAllStandardOutput()).trimmed();
}

void Click(QPoint client) {
    const QPoint p = kClient + client;
    Xdo({"mousemove", QString::number(p.x()), QString::number(p.y()), "click", "1"});
}

QImage Screen() { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); }

QRgb WorkPixel(const QImage& shot, int x, int y) {
    return shot.pixel(kClient + kWorkArea + QPoint(x, y)) & 0xFFFFFF;
}

// A colour close to the expected one (JPEG twice over, so not exact).
bool Near(QRgb got, QColor want, int tolerance = 24) {
    return std::abs(qRed(got) - want.red()) <= tolerance && std::abs(qGreen(got) - want.green()) <= tolerance &&
           std::abs(qBlue(got) - want.blue()) <= tolerance;
}

// The visible window titled exactly so, or empty.
QString WindowNamed(const QString& title) {
    return Xdo({"search", "--onlyvisible", "--name", "^" + title + "$"}).section(QLatin1Char('\n'), 0, 0);
}

// Types a full path into the file-name box of Qt's dialog and accepts it.
void Answer(const QString& title, const QString& path) {
    QString dialog;
    ASSERT_TRUE(WaitFor([&] { return !(dialog = WindowNamed(title)).isEmpty(); })) << "no dialog " << title.toStdString();
    QTest::qWait(500); // let it settle: the name box takes the focus when shown
    Xdo({"windowfocus", "--sync", dialog});
    Xdo({"type", "--delay", "20", path});
    QTest::qWait(300);
    Xdo({"key", "Return"});
    // A completion popup may take the first Return.
    if (!WaitFor([&] { return WindowNamed(title).isEmpty(); }, 3000)) {
        Xdo({"key", "Return"});
        ASSERT_TRUE(WaitFor([&] { return WindowNamed(title).isEmpty(); })) << "dialog stays open";
    }
}

// A text of Qt's own dialogs as the program shows it: in Japanese where Qt's
// translations are installed.
QString QtText(const char* context, const char* english) {
    static QTranslator* japanese = [] {
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(QStringLiteral("qtbase_ja"),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            return translator;
        delete translator;
        return static_cast<QTranslator*>(nullptr);
    }();
    const QString text = japanese ? japanese->translate(context, english) : QString();
    return text.isEmpty() ? QString::fromUtf8(english) : text;
}

// Where a window stands on the screen, from xdotool.
QRect Geometry(const QString& window) {
    const QString info = Xdo({"getwindowgeometry", window});
    const QString position =
        info.section(QStringLiteral("Position: "), 1).section(QLatin1Char(' '), 0, 0);
    const QString size =
        info.section(QStringLiteral("Geometry: "), 1).section(QLatin1Char('\n'), 0, 0);
    return {position.section(QLatin1Char(','), 0, 0).toInt(),
            position.section(QLatin1Char(','), 1, 1).toInt(),
            size.section(QLatin1Char('x'), 0, 0).toInt(),
            size.section(QLatin1Char('x'), 1, 1).toInt()};
}

const QColor kRed(200, 30, 30), kBlue(30, 40, 200), kGreen(30, 170, 40), kYellow(220, 210, 40);

// Four quarters split at (400, 300).
QImage Quarters() {
    QImage image(800, 600, QImage::Format_RGB888);
    QPainter painter(&image);
    painter.fillRect(0, 0, 400, 300, kRed);
    painter.fillRect(400, 0, 400, 300, kBlue);
    painter.fillRect(0, 300, 400, 300, kGreen);
    painter.fillRect(400, 300, 400, 300, kYellow);
    return image;
}

} // namespace

TEST(Road, OpenTrimAndSaveThroughTheRealDialogs) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") || QGuiApplication::platformName() != "xcb")
        GTEST_SKIP() << "no X server";
    if (QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("version")}) != 0)
        GTEST_SKIP() << "xdotool is not installed";

    // A copy of the program with its own settings file beside it.
    TempDir dir;
    ASSERT_TRUE(QDir(dir.Path()).mkdir(QStringLiteral("bin")));
    ASSERT_TRUE(QDir(dir.Path()).mkdir(QStringLiteral("out")));
    const QString exe = dir.File(QStringLiteral("bin/tolvane"));
    ASSERT_TRUE(QFile::copy(qEnvironmentVariable("TOLVANE_BIN_DIR") + QStringLiteral("/tolvane"), exe));
    const QString photo = dir.File(QStringLiteral("quarters.jpg"));
    WriteFileBytes(photo, MakeJpeg(Quarters(), {.quality = 95}));

    QProcess program;
    program.start(exe, {});
    ASSERT_TRUE(program.waitForStarted(10000));
    const auto stop = qScopeGuard([&] {
        program.terminate();
        program.waitForFinished(5000);
    });
    ASSERT_TRUE(WaitFor([] { return WorkPixel(Screen(), 300, 300) == 0x57585Du; })) << "no window";

    // Open: the frame is placed over the top-left 419 x 314 of the 602-wide view.
    Click(kOpenButton);
    Answer(QtText("QFileDialog", "Open"), photo);
    ASSERT_TRUE(WaitFor([] { return Near(WorkPixel(Screen(), 500, 50), kBlue); })) << "photo not shown";
    Screen().save(QStringLiteral(TOLVANE_ROAD_SHOTS "_opened.png"));

    // Trim: photo columns 0-556 and rows 0-416 stretched over the output picture.
    Click(kTrimButton);
    ASSERT_TRUE(WaitFor([] {
        const QImage shot = Screen();
        return Near(WorkPixel(shot, 100, 100), kRed) && Near(WorkPixel(shot, 550, 100), kBlue) &&
               Near(WorkPixel(shot, 100, 400), kGreen) && Near(WorkPixel(shot, 550, 400), kYellow);
    })) << "output view not shown";
    Screen().save(QStringLiteral(TOLVANE_ROAD_SHOTS "_trimmed.png"));

    // Save under a name with another extension: written as .jpg.
    Click(kSaveButton);
    Answer(QtText("QFileDialog", "Save As"), dir.File(QStringLiteral("out/result.png")));
    const QString saved = dir.File(QStringLiteral("out/result.jpg"));
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(saved) && QFileInfo(saved).size() > 0; }));
    EXPECT_EQ(QDir(dir.File(QStringLiteral("out"))).entryList(QDir::Files), QStringList{"result.jpg"});

    TJPEGImage jpeg;
    jpeg.LoadFromFile(saved);
    TBitmap bitmap;
    jpeg.AssignTo(bitmap);
    ASSERT_EQ(bitmap.Width(), 600);
    ASSERT_EQ(bitmap.Height(), 450);
    const auto at = [&](int x, int y) {
        const TColor c = bitmap.GetPixel(x, y);
        return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
    };
    EXPECT_TRUE(Near(at(100, 100), kRed));
    EXPECT_TRUE(Near(at(550, 100), kBlue));
    EXPECT_TRUE(Near(at(100, 400), kGreen));
    EXPECT_TRUE(Near(at(550, 400), kYellow));

    // The save folder is remembered in the settings file beside the program.
    const QString settingsFile = dir.File(QStringLiteral("bin/tolvane.settings"));
    const QByteArray settings = ReadFileBytes(settingsFile);
    EXPECT_TRUE(settings.contains(QFile::encodeName(dir.File(QStringLiteral("out/")))));

    // A save that cannot be written says so in a box captioned with the
    // application's title, and remembers nothing.
    Click(kSaveButton);
    Answer(QtText("QFileDialog", "Save As"), dir.File(QStringLiteral("missing/result")));
    QString box;
    ASSERT_TRUE(WaitFor([&] { return !(box = WindowNamed(QStringLiteral("Tolvane"))).isEmpty(); }))
        << "no message box";
    Screen().save(QStringLiteral(TOLVANE_ROAD_SHOTS "_failed.png"));
    // Over the window, not somewhere on the screen.
    const QRect boxPlace = Geometry(box);
    EXPECT_TRUE(QRect(kClient, QSize(781, 684)).contains(boxPlace.center()))
        << "box at " << boxPlace.x() << ", " << boxPlace.y();
    Xdo({"windowfocus", "--sync", box});
    Xdo({"key", "Return"});
    EXPECT_TRUE(WaitFor([] { return WindowNamed(QStringLiteral("Tolvane")).isEmpty(); }));
    EXPECT_EQ(ReadFileBytes(settingsFile), settings);
    EXPECT_FALSE(QFile::exists(dir.File(QStringLiteral("missing"))));
}
