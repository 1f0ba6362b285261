// The built program on X servers of the test's own: at 96 dots per inch, with
// the desktop's font resolution Xft.dpi at 192 (a 200 % desktop), and with
// Qt's QT_SCALE_FACTOR=2. Everything is checked in the window's logical
// pixels, each of which covers scale x scale device pixels.
#include "WaitFor.h"

#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << "(" << r.x() << ", " << r.y() << ", " << r.width() << " x " << r.height() << ")";
}

namespace {

// The window's designed outer position and client size; without a window
// manager the client area stands at that position.
constexpr QPoint kWindow(194, 83);
constexpr QSize kClient(781, 684);
// The input panel, and the frame on it at start.
constexpr QPoint kPanel(168, 48);
constexpr QRect kFrame(80, 72, 129, 97);

constexpr QRgb kSilver = 0xC0C0C0, kViewGrey = 0x57585D, kRed = 0xFF0000;

// An X server of the test's own, kept alive between its clients (-noreset),
// so the resource set on its root window stays for the program.
class OwnDisplay {
public:
    // xftDpi: the Xft.dpi resource, none when 0.
    explicit OwnDisplay(int xftDpi) {
        server_.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-noreset", "-nolisten", "tcp",
                                               "-screen", "0", "2600x2000x24"});
        if (!server_.waitForStarted(10000))
            return;
        WaitFor([this] { return server_.canReadLine() || server_.state() != QProcess::Running; },
                10000);
        const QByteArray number = server_.readLine().trimmed();
        if (number.isEmpty())
            return;
        name_ = QStringLiteral(":") + QString::fromLatin1(number);
        if (xftDpi > 0)
            Tool(QStringLiteral("xprop"),
                 {"-root", "-f", "RESOURCE_MANAGER", "8s", "-set", "RESOURCE_MANAGER",
                  QStringLiteral("Xft.dpi:\t%1\n").arg(xftDpi)});
    }
    ~OwnDisplay() {
        server_.terminate();
        server_.waitForFinished(5000);
    }
    bool Up() const { return !name_.isEmpty(); }
    const QString& Name() const { return name_; }

    QProcessEnvironment Environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* qtSetting : {"QT_SCALE_FACTOR", "QT_FONT_DPI", "QT_SCREEN_SCALE_FACTORS",
                                      "QT_ENABLE_HIGHDPI_SCALING", "QT_QPA_PLATFORMTHEME"})
            env.remove(QString::fromLatin1(qtSetting));
        env.insert(QStringLiteral("DISPLAY"), name_);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return env;
    }

    // Runs an X client on this display; its standard output.
    QByteArray Tool(const QString& program, const QStringList& args) const {
        QProcess tool;
        tool.setProcessEnvironment(Environment());
        tool.start(program, args);
        tool.waitForFinished(20000);
        return tool.readAllStandardOutput();
    }

    QImage Shot() const {
        return QImage::fromData(Tool(QStringLiteral("import"), {"-window", "root", "png:-"}), "PNG")
            .convertToFormat(QImage::Format_RGB32);
    }

private:
    QProcess server_;
    QString name_;
};

struct Density {
    const char* name;
    int xftDpi;          // 0: no resource
    const char* setting; // "NAME=value" for the program, or nullptr
    int scale;           // device pixels per logical pixel
};

const Density kDensities[] = {
    {"96 dots per inch", 0, nullptr, 1},
    {"Xft.dpi 192", 192, nullptr, 2},
    {"QT_SCALE_FACTOR=2", 0, "QT_SCALE_FACTOR=2", 2},
};

// The program on one display, with device and logical coordinates.
class Running {
public:
    Running(const OwnDisplay& display, const Density& density)
        : display_(display), s_(density.scale) {
        QProcessEnvironment env = display.Environment();
        if (density.setting) {
            const QString setting = QString::fromLatin1(density.setting);
            env.insert(setting.section(QLatin1Char('='), 0, 0),
                       setting.section(QLatin1Char('='), 1));
        }
        program_.setProcessEnvironment(env);
        program_.start(qEnvironmentVariable("TOLVANE_BIN_DIR") + QStringLiteral("/tolvane"), {});
    }
    ~Running() {
        program_.terminate();
        program_.waitForFinished(5000);
    }

    bool Up() {
        if (!program_.waitForStarted(10000))
            return false;
        return WaitFor([this] {
            shot_ = display_.Shot();
            return !shot_.isNull() && Block(QPoint(4, 4)) == kSilver &&
                   Block(kPanel + QPoint(300, 300)) == kViewGrey;
        });
    }

    // "x y width height" of the window, in device pixels.
    QRect WindowGeometry() const {
        const QString id = QString::fromLatin1(display_.Tool(QStringLiteral("xdotool"),
                                                             {"search", "--onlyvisible", "--name",
                                                              "^TolvaneＳＴＤ$"}))
                               .section(QLatin1Char('\n'), 0, 0);
        const QString info =
            QString::fromLatin1(display_.Tool(QStringLiteral("xwininfo"), {"-id", id}));
        const auto value = [&](const char* key) {
            const int at = info.indexOf(QLatin1String(key));
            return at < 0 ? -1
                          : info.mid(at + int(qstrlen(key)))
                                .section(QLatin1Char('\n'), 0, 0)
                                .trimmed()
                                .toInt();
        };
        return {value("Absolute upper-left X:"), value("Absolute upper-left Y:"), value("Width:"),
                value("Height:")};
    }

    // The device point at the top-left of a logical point of the client area.
    QPoint Device(QPoint logical) const { return (kWindow + logical) * s_; }
    // The colour of a logical pixel when all its device pixels share it.
    std::optional<QRgb> Block(QPoint logical) const {
        const QPoint d = Device(logical);
        const QRgb first = shot_.pixel(d) & 0xFFFFFF;
        for (int y = 0; y < s_; ++y)
            for (int x = 0; x < s_; ++x)
                if ((shot_.pixel(d + QPoint(x, y)) & 0xFFFFFF) != first)
                    return std::nullopt;
        return first;
    }
    void Refresh() { shot_ = display_.Shot(); }
    const QImage& Shot() const { return shot_; }
    int Scale() const { return s_; }

    void Pointer(const char* action, QPoint logical) {
        const QPoint d = Device(logical);
        display_.Tool(QStringLiteral("xdotool"),
                      {"mousemove", QString::number(d.x()), QString::number(d.y())});
        QTest::qWait(150);
        if (action)
            display_.Tool(QStringLiteral("xdotool"), {QString::fromLatin1(action), "1"});
        QTest::qWait(150);
    }
    QPoint PointerAt() const {
        const QString where =
            QString::fromLatin1(display_.Tool(QStringLiteral("xdotool"), {"getmouselocation"}));
        const auto value = [&](const char* key) {
            return where.section(QLatin1String(key), 1).section(' ', 0, 0).toInt();
        };
        return {value("x:"), value("y:")};
    }

    // The red frame's rectangle in the panel, in logical pixels, from its
    // outermost red device pixels.
    QRect FrameShown() const {
        QRect box;
        const QRect panel(Device(kPanel), QSize(602, 602) * s_);
        for (int y = panel.top(); y <= panel.bottom(); ++y)
            for (int x = panel.left(); x <= panel.right(); ++x)
                if ((shot_.pixel(x, y) & 0xFFFFFF) == kRed)
                    box |= QRect(x, y, 1, 1);
        return {(box.topLeft() - panel.topLeft()) / s_, box.size() / s_};
    }

    // Rows, in logical pixels, that hold dark text pixels within a logical rectangle.
    double InkHeight(const QRect& logical) const {
        int top = -1, bottom = -1;
        const QRect area(Device(logical.topLeft()), logical.size() * s_);
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (qGray(shot_.pixel(x, y)) < 96) {
                    top = top < 0 ? y : top;
                    bottom = y;
                }
        return top < 0 ? 0 : double(bottom - top + 1) / s_;
    }

private:
    const OwnDisplay& display_;
    int s_;
    QProcess program_;
    QImage shot_;
};

bool HaveTools() {
    for (const char* tool : {"Xvfb", "xprop", "xdotool", "xwininfo", "import"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    return true;
}

QString ShotName(const Density& d) {
    return QStringLiteral(TOLVANE_SHOTS "_%1x%2.png").arg(d.scale).arg(d.xftDpi);
}

} // namespace

TEST(HiDpi, TheWindowScalesWithTheScreenAndKeepsItsPixelsAt96Dpi) {
    if (!HaveTools())
        GTEST_SKIP() << "needs Xvfb, xprop, xdotool, xwininfo and ImageMagick's import";
    // Label4's text "６００×４５０", 16 pixels high.
    const QRect label(8 + 24, 88 + 184, 96, 16);
    double inkAt96 = 0;
    for (const Density& d : kDensities) {
        SCOPED_TRACE(d.name);
        const OwnDisplay display(d.xftDpi);
        ASSERT_TRUE(display.Up()) << "no X server of the test's own";
        Running program(display, d);
        ASSERT_TRUE(program.Up()) << "no window";
        program.Shot().save(ShotName(d));
        const int s = d.scale;

        EXPECT_EQ(program.WindowGeometry(), QRect(kWindow * s, kClient * s));

        // The frame's pen covers two logical pixels, the photo view shows
        // through inside; each logical pixel is a block of one colour.
        const QPoint frame = kPanel + kFrame.topLeft();
        const struct {
            QPoint at;
            QRgb colour;
        } pixels[] = {
            {{4, 4}, kSilver},
            {kPanel + QPoint(599, 599), kViewGrey},
            {frame, kRed},
            {frame + QPoint(1, 1), kRed},
            {frame + QPoint(2, 2), kViewGrey},
            {frame + QPoint(128, 96), kRed},
            {frame + QPoint(126, 94), kViewGrey},
            {{168 + 10, 43 + 2}, 0x848F82}, // the input tab's underline
        };
        for (const auto& p : pixels)
            EXPECT_EQ(program.Block(p.at), p.colour) << p.at.x() << ", " << p.at.y();

        // The switch picture, drawn from the picture made for this density:
        // every opaque pixel exactly as stored.
        const QImage picture(s == 1 ? QStringLiteral(TOLVANE_RESOURCES "/Image7.png")
                                    : QStringLiteral(TOLVANE_RESOURCES "/Image7@2x.png"));
        ASSERT_EQ(picture.size(), QSize(124, 62) * s);
        int opaque = 0, differing = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb want = picture.pixel(x, y);
                if (qAlpha(want) != 255)
                    continue;
                ++opaque;
                differing += (program.Shot().pixel(program.Device({14, 8}) + QPoint(x, y)) &
                              0xFFFFFF) != (want & 0xFFFFFF);
            }
        EXPECT_GT(opaque, picture.width() * picture.height() / 2);
        EXPECT_EQ(differing, 0) << "the picture is not the one made for this density";

        // Texts keep their designed pixel size in logical pixels.
        const double ink = program.InkHeight(label);
        if (s == 1)
            inkAt96 = ink;
        EXPECT_GT(ink, 8);
        EXPECT_NEAR(ink, inkAt96, 1.0);
    }
}

TEST(HiDpi, TheFrameIsDraggedAndConfinedInLogicalPixels) {
    if (!HaveTools())
        GTEST_SKIP() << "needs Xvfb, xprop, xdotool, xwininfo and ImageMagick's import";
    const QPoint frame = kPanel + kFrame.topLeft();
    std::optional<QRect> resizedAt96, movedAt96;
    for (const Density& d : kDensities) {
        SCOPED_TRACE(d.name);
        const OwnDisplay display(d.xftDpi);
        ASSERT_TRUE(display.Up());
        Running program(display, d);
        ASSERT_TRUE(program.Up());

        // The right edge's band is 5 logical pixels wide whatever the scale:
        // a drag from 3 pixels inside the right edge widens the frame by the
        // logical distance moved.
        const QPoint edge = frame + QPoint(kFrame.width() - 3, kFrame.height() / 2);
        program.Pointer(nullptr, edge - QPoint(1, 0));
        program.Pointer("mousedown", edge);
        program.Pointer(nullptr, edge + QPoint(20, 0));
        program.Pointer(nullptr, edge + QPoint(40, 0));
        program.Pointer("mouseup", edge + QPoint(40, 0));
        program.Refresh();
        const QRect resized = program.FrameShown();
        EXPECT_EQ(resized.left(), kFrame.left());
        EXPECT_EQ(resized.top(), kFrame.top());
        EXPECT_EQ(resized.width(), kFrame.width() + 40);
        if (!resizedAt96)
            resizedAt96 = resized;
        EXPECT_EQ(resized, *resizedAt96) << "the same drag in logical pixels gives the same frame";

        // Moving it far beyond the top-left of the screen: the frame stops at
        // the panel's corner and the pointer is held inside the panel.
        const QPoint inside = kPanel + resized.center();
        program.Pointer(nullptr, inside);
        program.Pointer("mousedown", inside);
        program.Pointer(nullptr, inside - QPoint(100, 100));
        program.Pointer(nullptr, -kWindow + QPoint(2, 2));
        const QPoint pointer = program.PointerAt();
        const QRect panelOnScreen(program.Device(kPanel), QSize(600, 600) * d.scale);
        EXPECT_TRUE(panelOnScreen.adjusted(-d.scale, -d.scale, d.scale, d.scale).contains(pointer))
            << "pointer at " << pointer.x() << ", " << pointer.y();
        program.Pointer("mouseup", kPanel + QPoint(10, 10));
        program.Refresh();
        // Each move first gives the frame the cell's proportion, so its
        // height follows the widened width.
        const QRect moved = program.FrameShown();
        EXPECT_EQ(moved.topLeft(), QPoint(0, 0));
        EXPECT_EQ(moved.width(), resized.width());
        EXPECT_EQ(program.Block(kPanel), kRed);
        if (!movedAt96)
            movedAt96 = moved;
        EXPECT_EQ(moved, *movedAt96);
    }
}
