#include "SavedJpeg.h"
#include "TestFileBytes.h"

#include "CompositionState.h"
#include "FailureReason.h"
#include "FormFixture.h"
#include "JpegFixtures.h"
#include "SavePhoto.h"
#include "StateHome.h"
#include "TApplication.h"
#include "TBitmap.h"
#include "TCanvas.h"
#include "TFileDialog.h"
#include "TImage.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

namespace {

struct Report {
    QString title;
    QString text;
};

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                                  QDir::Name);
}

} // namespace

// The window with its save dialog answered by the test and its error report
// recorded. Photos are saved into a folder of their own, apart from the
// settings file.
class Saving : public FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        TApplication::SetErrorReporter(
            [this](const QString& title, const QString& text) { reports.push_back({title, text}); });
        TFileDialog::SetAnswerer([this](const TFileDialog& dialog) -> std::optional<QString> {
            ++asked;
            initialDirs.append(dialog.InitialDir());
            return answer;
        });
    }
    void TearDown() override {
        TFileDialog::SetAnswerer(nullptr);
        TApplication::SetErrorReporter(nullptr);
        FormFixture::TearDown();
    }

    // Chooses the name in the dialog and clicks the save button.
    void SaveAs(std::optional<QString> name) {
        answer = std::move(name);
        form->BitBtn1Click();
    }
    QString SettingsFile() const { return dir.File(QStringLiteral("tolvane.settings")); }

    StateHome state;
    TempDir out;
    std::optional<QString> answer;
    int asked = 0;
    QStringList initialDirs;
    std::vector<Report> reports;
};

TEST(FileNameRule, ExtensionBecomesJpg) {
    const struct {
        const char* chosen;
        const char* saved;
    } cases[] = {
        {"/d/photo", "/d/photo.jpg"},
        {"/d/photo.png", "/d/photo.jpg"},
        {"/d/photo.", "/d/photo.jpg"},
        {"/d/a.b.jpeg", "/d/a.b.jpg"},
        {"/d/photo.JPG", "/d/photo.jpg"},
        {"/d/photo.jpg", "/d/photo.jpg"},
        {"/d/dir.old/photo", "/d/dir.old/photo.jpg"}, // a dot in a folder is no extension
        {"/d/c:photo", "/d/c:photo.jpg"},             // a colon is part of the name
        {"/d/x:y.png", "/d/x:y.jpg"},
        {"/d/写真.bmp", "/d/写真.jpg"},
        {"photo", "photo.jpg"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithJpgExtension(QString::fromUtf8(c.chosen)), QString::fromUtf8(c.saved)) << c.chosen;
}

// The output picture goes out as a 600 x 450 baseline JPEG at quality 90,
// under the name with ".jpg"; the picture and the view stay as they were.
TEST_F(Saving, WritesTheOutputPictureAsBaselineJpegAtQuality90) {
    TCanvas& canvas = *form->Image1->Canvas();
    for (int i = 0; i < 6; ++i) {
        const TColor colors[] = {RGB(200, 30, 30), RGB(30, 160, 40), RGB(20, 40, 190)};
        canvas.Pen.Color = canvas.Brush.Color = colors[i % 3];
        canvas.Rectangle(i * 100, 0, i * 100 + 100, 450);
    }
    const QImage before = form->Image1->PictureBitmap()->Image().copy();

    SaveAs(out.File(QStringLiteral("photo.png")));
    ASSERT_TRUE(reports.empty()) << reports[0].text.toStdString();
    EXPECT_EQ(Entries(out.Path()), QStringList{QStringLiteral("photo.jpg")});

    const SavedJpeg saved = ReadSavedJpeg(ReadFileBytes(out.File(QStringLiteral("photo.jpg"))));
    ASSERT_TRUE(saved.ok);
    EXPECT_EQ(saved.width, 600);
    EXPECT_EQ(saved.height, 450);
    EXPECT_EQ(saved.components, 3);
    EXPECT_EQ(saved.frameMarker, 0xC0) << "baseline";
    EXPECT_EQ(saved.quant, ReferenceQuantTables(90));
    // Lossy, but each stripe keeps its colour.
    long worst = 0;
    const TBitmap& picture = *form->Image1->PictureBitmap();
    for (int y = 0; y < 450; ++y) {
        for (int x = 0; x < 600; ++x) {
            if (x % 100 < 4 || x % 100 > 95)
                continue; // stripe edges ring
            const TColor c = picture.GetPixel(x, y);
            const unsigned char* p = &saved.rgb[(static_cast<size_t>(y) * 600 + x) * 3];
            worst = std::max({worst, std::labs(p[0] - GetRValue(c)), std::labs(p[1] - GetGValue(c)),
                              std::labs(p[2] - GetBValue(c))});
        }
    }
    EXPECT_LE(worst, 8);
    EXPECT_EQ(form->Image1->PictureBitmap()->Image(), before);
    EXPECT_TRUE(form->Panel2->isVisible()) << "the input view stays";
}

TEST_F(Saving, BeforeAnyTrimmingSavesTheWhitePicture) {
    SaveAs(out.File(QStringLiteral("white")));
    const SavedJpeg saved = ReadSavedJpeg(ReadFileBytes(out.File(QStringLiteral("white.jpg"))));
    ASSERT_TRUE(saved.ok);
    EXPECT_EQ(saved.width, 600);
    EXPECT_EQ(saved.height, 450);
    EXPECT_GE(*std::min_element(saved.rgb.begin(), saved.rgb.end()), 250);
}

// The save folder is remembered, in memory and in the settings file, and the
// next dialog starts there; the open folder is not touched.
TEST_F(Saving, RemembersTheFolderForTheNextDialog) {
    Settings.LastOpenFolder = "/photos/";
    ASSERT_TRUE(QDir(out.Path()).mkdir(QStringLiteral("sub")));
    SaveAs(out.File(QStringLiteral("sub/first")));
    const QByteArray folder = QFile::encodeName(out.File(QStringLiteral("sub/")));
    EXPECT_EQ(Settings.LastSaveFolder, folder);
    EXPECT_TRUE(QFile::exists(out.File(QStringLiteral("sub/first.jpg"))));

    LoadSettings(); // as the next run reads it
    EXPECT_EQ(Settings.LastSaveFolder, folder);
    EXPECT_EQ(Settings.LastOpenFolder, QByteArray("/photos/"));

    SaveAs(std::nullopt);
    ASSERT_EQ(initialDirs.size(), 2);
    EXPECT_EQ(initialDirs[1], QFile::decodeName(folder));
}

TEST_F(Saving, RemembersTheFirst128BytesOfALongFolder) {
    QString path = out.Path();
    while (QFile::encodeName(path).size() <= 140)
        path += QStringLiteral("/folder-with-a-long-name");
    ASSERT_TRUE(QDir().mkpath(path));
    SaveAs(path + QStringLiteral("/deep"));
    EXPECT_TRUE(QFile::exists(path + QStringLiteral("/deep.jpg")));
    EXPECT_EQ(Settings.LastSaveFolder, QFile::encodeName(path + QLatin1Char('/')).left(128));
}

TEST_F(Saving, ReplacesAnExistingFileWithoutAQuestion) {
    WriteFileBytes(out.File(QStringLiteral("a.jpg")), "an older picture");
    SaveAs(out.File(QStringLiteral("a.png")));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(Entries(out.Path()), QStringList{QStringLiteral("a.jpg")});
    EXPECT_TRUE(ReadSavedJpeg(ReadFileBytes(out.File(QStringLiteral("a.jpg")))).ok);
}

TEST_F(Saving, CancellingWritesAndSaysNothing) {
    Settings.LastSaveFolder = QFile::encodeName(out.Path() + QLatin1Char('/'));
    SaveAs(std::nullopt);
    EXPECT_EQ(initialDirs, QStringList{out.Path() + QLatin1Char('/')});
    EXPECT_TRUE(Entries(out.Path()).isEmpty());
    EXPECT_FALSE(QFile::exists(SettingsFile()));
    EXPECT_EQ(Settings.LastSaveFolder, QFile::encodeName(out.Path() + QLatin1Char('/')));
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(form->Panel2->isVisible());
}

// A save that fails tells the user which file and why, leaves an earlier file
// of that name byte for byte, leaves no temporary file behind and keeps the
// remembered folder and the settings file as they were.
TEST_F(Saving, AFailedSaveKeepsTheOldFileAndTellsTheUser) {
    const QByteArray oldPicture = MakeJpeg(JpegTestPattern(64, 48));
    const QByteArray previousFolder = "/previous/";
    struct Case {
        const char* name;
        const char* chosen;   // relative to the output folder
        const char* target;   // what the save would have written
        std::function<void()> arrange;
        int error;            // the reason the user is told
        bool needsNoRoot;     // permissions that root overrides
    };
    const QString photo = out.File(QStringLiteral("photo.jpg"));
    // Detail that codes to far more bytes than the size limit below.
    TBitmap& picture = *form->Image1->PictureBitmap();
    for (int y = 0; y < 450; ++y)
        for (int x = 0; x < 600; ++x)
            picture.SetPixel(x, y, static_cast<TColor>((x * 7919u + y * 104729u) * 2654435761u) & 0xFFFFFF);
    rlimit oldLimit{};
    const Case cases[] = {
        {"a folder of that name", "photo", "photo.jpg",
         [&] {
             QDir(out.Path()).mkdir(QStringLiteral("photo.jpg"));
             WriteFileBytes(photo + QStringLiteral("/inside"), oldPicture);
         },
         EISDIR, false},
        {"a missing folder", "missing/photo", "missing/photo.jpg", [] {}, ENOENT, false},
        {"a write-protected file", "photo.png", "photo.jpg",
         [&] {
             WriteFileBytes(photo, oldPicture);
             QFile::setPermissions(photo, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
         },
         EACCES, false},
        // (an existing file there is written in place, see InPlaceSaveTest)
        {"a new name in a read-only folder", "photo", "photo.jpg",
         [&] { QFile::setPermissions(out.Path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner); },
         EACCES, true},
        // The file-size limit stops the write part way, as a full disk does.
        {"the write stops part way", "photo", "photo.jpg",
         [&] {
             WriteFileBytes(photo, oldPicture);
             std::signal(SIGXFSZ, SIG_IGN);
             getrlimit(RLIMIT_FSIZE, &oldLimit);
             rlimit small = oldLimit;
             small.rlim_cur = 4096;
             setrlimit(RLIMIT_FSIZE, &small);
         },
         EFBIG, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsNoRoot && geteuid() == 0) {
            std::printf("[  SKIPPED ] %s: root writes into read-only folders\n", c.name);
            continue;
        }
        // A clean output folder for each case.
        QFile::setPermissions(out.Path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        for (const QString& entry : Entries(out.Path())) {
            QFile::setPermissions(out.File(entry), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                       QFileDevice::ExeOwner);
            QFileInfo(out.File(entry)).isDir() ? QDir(out.File(entry)).removeRecursively()
                                               : QFile::remove(out.File(entry));
        }
        reports.clear();
        Settings.LastSaveFolder = previousFolder;

        c.arrange();
        const QStringList entriesBefore = Entries(out.Path());
        SaveAs(out.File(QString::fromUtf8(c.chosen)));
        if (c.error == EFBIG)
            setrlimit(RLIMIT_FSIZE, &oldLimit);

        EXPECT_EQ(Entries(out.Path()), entriesBefore) << "no file made, none left behind";
        if (QFileInfo(photo).isFile()) {
            EXPECT_EQ(ReadFileBytes(photo), oldPicture);
        }
        if (QFileInfo(photo).isDir()) {
            EXPECT_EQ(Entries(photo), QStringList{QStringLiteral("inside")});
        }
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].title, QStringLiteral("Tolvane"));
        const QString target = out.File(QString::fromUtf8(c.target));
        EXPECT_TRUE(reports[0].text.startsWith(QStringLiteral("ファイル ") + target + QStringLiteral(" を作成できません")))
            << reports[0].text.toStdString();
        EXPECT_TRUE(reports[0].text.contains(FailureReason(c.error)))
            << reports[0].text.toStdString();
        EXPECT_EQ(Settings.LastSaveFolder, previousFolder);
        EXPECT_FALSE(QFile::exists(SettingsFile()));
    }
}

// Once the photo is written, a settings file that cannot be written is not
// the user's business: the folder is remembered for this run only.
TEST_F(Saving, UnwritableSettingsAfterAGoodSaveStaySilent) {
    SetSettingsFileName(dir.File(QStringLiteral("missing/tolvane.settings")));
    SaveAs(out.File(QStringLiteral("kept")));
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(ReadSavedJpeg(ReadFileBytes(out.File(QStringLiteral("kept.jpg")))).ok);
    EXPECT_EQ(Settings.LastSaveFolder, QFile::encodeName(out.Path() + QLatin1Char('/')));
    EXPECT_FALSE(QFile::exists(dir.File(QStringLiteral("missing"))));
}
