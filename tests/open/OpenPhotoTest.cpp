#include "OpenPhoto.h"
#include "OpenTestSupport.h"
#include "SharedData.h"
#include "TApplication.h"
#include "TCanvas.h"
#include "TJPEGImage.h"
#include "TestFileBytes.h"

#include <QFileInfo>
#include <functional>
#include <iostream>

namespace {

constexpr TColor StoredViewGrey = RGB(87, 88, 93);

// Pixels that differ from their neighbours, so that a pixel taken from the
// wrong place of the photo shows.
QImage NoisyPhoto(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned h = static_cast<unsigned>(x) * 73856093u ^ static_cast<unsigned>(y) * 19349663u;
            image.setPixel(x, y, qRgb(static_cast<int>(h & 0xFF), static_cast<int>((h >> 8) & 0xFF),
                                      static_cast<int>((h >> 16) & 0xFF)));
        }
    return image;
}

TColor PixelOf(const QImage& image, int x, int y) {
    const QRgb c = image.pixel(x, y);
    return RGB(qRed(c), qGreen(c), qBlue(c));
}

// Checks that the view shows the whole photo stretched, by whole pixels, over
// (0, 0, fitted width, fitted height) of its 600 x 600 surface, and that the
// rest of the surface keeps the stored grey.
void ExpectFitted(const QImage& view, const QImage& photo, QSize fitted) {
    ASSERT_EQ(view.size(), QSize(600, 600));
    const auto span = [](int d, int source, int dest) {
        return std::pair<int, int>(static_cast<int>(static_cast<long long>(d) * source / dest),
                                   static_cast<int>((static_cast<long long>(d) + 1) * source / dest));
    };
    int wrong = 0;
    for (int y = 0; y < 600; y += 7)
        for (int x = 0; x < 600; x += 5) {
            const TColor shown = PixelOf(view, x, y);
            if (x >= fitted.width() || y >= fitted.height()) {
                wrong += shown != StoredViewGrey;
                continue;
            }
            // Nearest neighbour: some photo pixel under this view pixel, unmixed.
            const auto [x0, x1] = span(x, photo.width(), fitted.width());
            const auto [y0, y1] = span(y, photo.height(), fitted.height());
            bool found = false;
            for (int sy = y0; sy <= std::min(y1, photo.height() - 1) && !found; ++sy)
                for (int sx = x0; sx <= std::min(x1, photo.width() - 1) && !found; ++sx)
                    found = PixelOf(photo, sx, sy) == shown;
            wrong += !found;
        }
    EXPECT_EQ(wrong, 0) << "view pixels not taken from under them";
}

QByteArray FolderOfFile(const QString& path) {
    return QFile::encodeName(QFileInfo(path).absolutePath() + QLatin1Char('/'));
}

} // namespace

class OpenPhotoRoad : public OpenFixture {
public:
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = SubFolder(QStringLiteral("other")) + QLatin1Char('/') + name;
        WriteFileBytes(path, bytes);
        return path;
    }
    QString Folder(const QString& name) { return SubFolder(QStringLiteral("other/") + name); }
    QString Missing() { return SubFolder(QStringLiteral("other")) + QStringLiteral("/gone.jpg"); }
    QString Good() { return Write(QStringLiteral("good.jpg"), MakeJpeg(JpegTestPattern(64, 48))); }

protected:
    void SetUp() override {
        OpenFixture::SetUp();
        TApplication::SetErrorReporter([this](const QString&, const QString& text) { reports.append(text); });
    }
    void TearDown() override {
        TApplication::SetErrorReporter(nullptr);
        EXPECT_TRUE(reports.isEmpty()) << "opening shows no other message: " << reports.join('\n').toStdString();
        OpenFixture::TearDown();
    }

    QStringList reports;
};

namespace {

enum class Outcome {
    Unchanged,     // the file could not be loaded
    InMemoryOnly,  // loaded, but the settings file could not be written
    FolderOnly,    // loaded and remembered, decoding refused
    Opened,
};

struct FailureCase {
    const char* name;
    std::function<QString(OpenPhotoRoad&)> file; // an empty name: the corpus is absent
    Outcome outcome;
    QSize opened = {}; // the photo's size when it opens
    const char* told = nullptr; // the message shown, if any
};

const FailureCase kFailures[] = {
    {"text file named like a photo",
     [](OpenPhotoRoad& t) { return t.Write(QStringLiteral("notes.jpg"), "not a photo\n"); }, Outcome::Unchanged, {},
     "この種類のファイルは開けません (テキスト)"},
    {"PNG named like a JPEG opens as the PNG it is",
     [](OpenPhotoRoad&) { return SharedJpeg(QStringLiteral("png-named-jpg.jpg")); }, Outcome::Opened, {6, 6}},
    {"12-bit samples, refused with the header",
     [](OpenPhotoRoad&) { return SharedJpeg(QStringLiteral("precision-12bit.jpg")); }, Outcome::Unchanged},
    {"file that does not exist", [](OpenPhotoRoad& t) { return t.Missing(); }, Outcome::Unchanged},
    {"folder named like a photo", [](OpenPhotoRoad& t) { return t.Folder(QStringLiteral("album.jpg")); },
     Outcome::Unchanged},
    {"zero-byte file: loads, then fails to decode",
     [](OpenPhotoRoad& t) { return t.Write(QStringLiteral("empty.jpg"), QByteArray()); }, Outcome::FolderOnly},
    {"truncated JPEG opens, the decoder filling the rest",
     [](OpenPhotoRoad&) { return SharedJpeg(QStringLiteral("truncated-baseline.jpg")); }, Outcome::Opened,
     {100, 75}},
    {"settings file not writable", [](OpenPhotoRoad& t) { return t.Good(); }, Outcome::InMemoryOnly},
};

} // namespace

TEST_F(OpenPhotoRoad, OpensAPhotoFittedIntoTheInputView) {
    struct Case {
        QSize photo, panel;
    };
    const Case cases[] = {{{1200, 801}, {602, 402}}, {{801, 1200}, {402, 602}}, {{300, 300}, {602, 602}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.photo.width() << " x " << c.photo.height());
        form->outputimgClick(); // opening shows the input view, the panel hidden until then
        form->SelShape1->setGeometry(40, 50, 60, 70);
        const QString path = dir.File(QStringLiteral("noisy.jpg"));
        const QByteArray bytes = MakeJpeg(NoisyPhoto(c.photo.width(), c.photo.height()));
        WriteFileBytes(path, bytes);
        // A fresh view each time, so what lies outside the fitted area shows.
        TCanvas* surface = form->Image2->Canvas();
        surface->Pen.Color = StoredViewGrey;
        surface->Brush.Color = StoredViewGrey;
        surface->Rectangle(0, 0, 600, 600);

        ClickOpen(path);

        TJPEGImage reference;
        reference.LoadFromBytes(bytes);
        TBitmap decoded;
        reference.AssignTo(decoded);
        EXPECT_EQ(WorkPixels(), decoded.Image()) << "the photo at full size";
        EXPECT_EQ(form->Panel2->size(), c.panel);
        EXPECT_EQ(form->Image2->size(), c.panel) << "the photo view fills the panel";
        ExpectFitted(ViewPixels(), WorkPixels(), c.panel);
        EXPECT_EQ(form->Panel2->pos(), QPoint(168, 48));

        EXPECT_EQ(Settings.LastOpenFolder, FolderOfFile(path));
        EXPECT_EQ(OnDisk().LastOpenFolder, FolderOfFile(path));
        EXPECT_TRUE(InputViewShown());
        EXPECT_EQ(form->SelShape1->geometry(), QRect(0, 0, 419, 314));
        EXPECT_EQ(Composition.JpegPicture, nullptr);
    }
}

TEST_F(OpenPhotoRoad, AFailedOpeningKeepsWhatItHadNotReplaced) {
    const QString settingsFile = SettingsFileName();
    for (const FailureCase& c : kFailures) {
        SCOPED_TRACE(c.name);
        const QString file = c.file(*this);
        if (file.isEmpty()) {
            std::cerr << "skipped, ../shared/testdata/jpeg is not beside this checkout: " << c.name << "\n";
            continue;
        }
        // The earlier state: a photo opened from the fixture's folder, the
        // output view shown and the frame moved.
        SetSettingsFileName(settingsFile);
        ClickOpen(WritePhoto(120, 90));
        const QByteArray before = Settings.LastOpenFolder;
        const QImage photo = WorkPixels();
        const QImage view = ViewPixels();
        const QSize panel = form->Panel2->size();
        form->outputimgClick();
        form->SelShape1->setGeometry(40, 50, 60, 70);

        if (c.outcome == Outcome::InMemoryOnly)
            SetSettingsFileName(Write(QStringLiteral("plain"), "x") + QStringLiteral("/tolvane.settings"));
        ClickOpen(file);
        SetSettingsFileName(settingsFile);
        EXPECT_EQ(reports.join(QLatin1Char('\n')).toStdString(), c.told ? c.told : "");
        reports.clear();

        const bool remembered = c.outcome != Outcome::Unchanged;
        const bool written = remembered && c.outcome != Outcome::InMemoryOnly;
        EXPECT_EQ(Settings.LastOpenFolder, remembered ? FolderOfFile(file) : before);
        EXPECT_EQ(OnDisk().LastOpenFolder, written ? FolderOfFile(file) : before);
        if (c.outcome == Outcome::Opened) {
            EXPECT_EQ(WorkPixels().size(), c.opened);
        } else {
            EXPECT_EQ(WorkPixels(), photo);
            EXPECT_EQ(ViewPixels(), view);
            EXPECT_EQ(form->Panel2->size(), panel);
        }
        EXPECT_TRUE(InputViewShown());
        EXPECT_EQ(form->SelShape1->geometry(), QRect(0, 0, 419, 314));
        EXPECT_EQ(Composition.JpegPicture, nullptr);
    }
}

TEST_F(OpenPhotoRoad, CancellingReadsAndWritesNothingButShowsTheInputView) {
    const QImage photo = WorkPixels();
    form->outputimgClick();
    form->SelShape1->setGeometry(40, 50, 60, 70);
    ClickOpen(std::nullopt);
    EXPECT_FALSE(QFileInfo::exists(SettingsFileName()));
    EXPECT_TRUE(Settings.LastOpenFolder.isEmpty());
    EXPECT_EQ(WorkPixels(), photo);
    EXPECT_EQ(form->Panel2->size(), QSize(600, 600));
    EXPECT_TRUE(InputViewShown());
    EXPECT_EQ(form->SelShape1->geometry(), QRect(0, 0, 419, 314));
}

TEST_F(OpenPhotoRoad, TheNextOpeningOffersTheRememberedFolder) {
    // Nothing remembered yet: the dialog keeps whatever folder it had.
    form->OpenDialog1->SetInitialDir(QStringLiteral("/earlier"));
    EXPECT_EQ(ClickOpen(std::nullopt), QStringLiteral("/earlier"));

    // A folder path of 200 bytes: the first 128 are kept, and offered even
    // though no such folder exists.
    const QString prefix = dir.Path() + QLatin1Char('/');
    const QString folder = prefix + QString(199 - static_cast<int>(prefix.toUtf8().size()), QLatin1Char('d'));
    ASSERT_EQ(QFile::encodeName(folder + QLatin1Char('/')).size(), 200);
    QDir().mkpath(folder);
    WriteFileBytes(folder + QStringLiteral("/p.jpg"), MakeJpeg(JpegTestPattern(32, 24)));
    ClickOpen(folder + QStringLiteral("/p.jpg"));
    const QByteArray kept = QFile::encodeName(folder).left(128);
    EXPECT_EQ(Settings.LastOpenFolder, kept);
    EXPECT_EQ(OnDisk().LastOpenFolder, kept);
    EXPECT_EQ(WorkPixels().size(), QSize(32, 24));
    EXPECT_EQ(ClickOpen(std::nullopt), QFile::decodeName(kept));
}

TEST(RememberedFolder, KeepsTheFolderPartCutTo128BytesWithoutSplittingACharacter) {
    const QString a126 = QLatin1Char('/') + QString(125, QLatin1Char('a'));
    const struct {
        QString file;
        QByteArray folder;
    } cases[] = {
        {QStringLiteral("/home/u/写真/a.jpg"), "/home/u/写真/"},
        {QStringLiteral("a.jpg"), ""},
        {QStringLiteral("/a.jpg"), "/"},
        {a126 + QStringLiteral("b/c.jpg"), (a126 + QStringLiteral("b/")).toUtf8()},   // exactly 128
        {a126 + QStringLiteral("bc/d.jpg"), (a126 + QStringLiteral("bc")).toUtf8()},  // 129: cut
        {a126 + QStringLiteral("写/d.jpg"), a126.toUtf8()},                          // 3-byte character across 128
        {a126 + QStringLiteral("b写/d.jpg"), (a126 + QStringLiteral("b")).toUtf8()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FolderOf(c.file), c.folder) << c.file.toStdString();
}

TEST_F(OpenPhotoRoad, OpeningLeavesTheCompositionAndTheOutputPictureAlone) {
    for (int i = 0; i < 5; ++i)
        QTest::mouseClick(form->SpeedButton1, Qt::LeftButton);
    QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
    const int layout = Composition.LayoutKind, step = Composition.PositionStep, cell = Composition.CurrentCell;
    ASSERT_EQ(cell, 13);
    form->Image1->Canvas()->SetPixel(10, 20, clRed);
    const QImage output = OutputPixels();

    const std::optional<QString> answers[] = {WritePhoto(64, 48), Missing(), std::nullopt};
    for (const auto& answer : answers) {
        form->outputimgClick();
        ClickOpen(answer);
        EXPECT_EQ(Composition.LayoutKind, layout);
        EXPECT_EQ(Composition.PositionStep, step);
        EXPECT_EQ(Composition.CurrentCell, cell);
        EXPECT_EQ(OutputPixels(), output);
        EXPECT_TRUE(InputViewShown());
        EXPECT_EQ(form->SelShape1->geometry(), QRect(300, 0, 209, 157));
    }
}
