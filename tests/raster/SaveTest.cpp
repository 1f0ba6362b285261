#include "Exceptions.h"
#include "JpegFixtures.h"
#include "Oracle.h"
#include "TBitmap.h"
#include "TCanvas.h"
#include "TJPEGImage.h"
#include "TempDir.h"
#include "TestFileBytes.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

std::unique_ptr<TBitmap> FromImage(const QImage& image) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetImage(image);
    return bitmap;
}

// An output picture as the program makes one: display format, white, a photo
// stretched into a cell, separator strips and a label.
std::unique_ptr<TBitmap> OutputPicture() {
    auto photo = FromImage(JpegTestPattern(300, 200));
    auto picture = std::make_unique<TBitmap>();
    picture->SetWidth(600);
    picture->SetHeight(450);
    TCanvas& canvas = *picture->Canvas();
    canvas.StretchDraw(Rect(0, 0, 297, 450), photo.get());
    canvas.Pen.Color = clWhite;
    canvas.Rectangle(297, 0, 302, 450);
    canvas.Font.Size = 16;
    canvas.TextOut(320, 200, "サンプル");
    return picture;
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

} // namespace

TEST(JpegSave, EncodingEqualsTheReferenceEncoder) {
    const QString cjpeg = FindTool(QStringLiteral("cjpeg"));
    if (cjpeg.isEmpty())
        GTEST_SKIP() << "cjpeg (libjpeg-turbo-progs) is not installed";
    QImage grey(64, 48, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 236; ++i)
        table.append(qRgb(i, i, i));
    grey.setColorTable(table);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            grey.setPixel(x, y, static_cast<uint>((x * 3 + y) % 236));
    struct Case {
        const char* name;
        std::function<std::unique_ptr<TBitmap>()> make;
    } const cases[] = {
        {"24-bit photo", [] { return FromImage(JpegTestPattern(600, 450)); }},
        {"display-format output picture", OutputPicture},
        {"8-bit grey", [&] { return FromImage(grey); }},
        {"odd size", [] { return FromImage(JpegTestPattern(1, 17)); }},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto bitmap = c.make();
        TJPEGImage jpeg;
        jpeg.Assign(*bitmap);
        jpeg.SaveToFile(dir.File(QStringLiteral("ours.jpg")));
        ASSERT_TRUE(WritePpm(dir.File(QStringLiteral("pixels.ppm")), bitmap->Image()));
        ASSERT_TRUE(RunTool(cjpeg, {"-quality", "90", "-baseline", "-outfile", dir.File(QStringLiteral("ref.jpg")),
                                    dir.File(QStringLiteral("pixels.ppm"))}));
        const QByteArray ours = ReadFileBytes(dir.File(QStringLiteral("ours.jpg")));
        EXPECT_GT(ours.size(), 100);
        EXPECT_TRUE(ours == ReadFileBytes(dir.File(QStringLiteral("ref.jpg")))) << "bytes differ from cjpeg's";
    }
}

TEST(JpegSave, LoadedPictureWritesItsOwnBytesBack) {
    const QByteArray original = MakeJpeg(JpegTestPattern(30, 20), {75, false, true, 700});
    TempDir dir;
    WriteFileBytes(dir.File(QStringLiteral("in.jpg")), original);
    TJPEGImage jpeg;
    jpeg.LoadFromFile(dir.File(QStringLiteral("in.jpg")));
    TBitmap decoded;
    jpeg.AssignTo(decoded); // decoding keeps the coded bytes
    jpeg.SaveToFile(dir.File(QStringLiteral("out.jpg")));
    EXPECT_TRUE(ReadFileBytes(dir.File(QStringLiteral("out.jpg"))) == original);
}

TEST(JpegSave, EmptyBitmapGivesAnEmptyFile) {
    TempDir dir;
    const QString path = dir.File(QStringLiteral("out.jpg"));
    WriteFileBytes(path, "old contents");
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{0, 0}, {600, 0}, {0, 450}}) {
        TBitmap bitmap;
        bitmap.SetWidth(w);
        bitmap.SetHeight(h);
        TJPEGImage jpeg;
        jpeg.Assign(bitmap);
        jpeg.SaveToFile(path);
        EXPECT_EQ(QFileInfo(path).size(), 0) << w << "x" << h;
        WriteFileBytes(path, "old contents");
    }
    EXPECT_EQ(Entries(dir.Path()), QStringList{QStringLiteral("out.jpg")});
}

TEST(JpegSave, ReplacesAnExistingFile) {
    TempDir dir;
    const QString path = dir.File(QStringLiteral("out.jpg"));
    WriteFileBytes(path, QByteArray(100000, 'x'));
    const auto picture = OutputPicture();
    TJPEGImage jpeg;
    jpeg.Assign(*picture);
    jpeg.SaveToFile(path);
    TJPEGImage back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.Width(), 600);
    EXPECT_EQ(back.Height(), 450);
    EXPECT_EQ(Entries(dir.Path()), QStringList{QStringLiteral("out.jpg")});
}

// A save that cannot complete raises EFCreateError and leaves the folder as it
// was: the old file byte for byte, no temporary file.
void ExpectSaveFails(const TempDir& dir, const QString& target) {
    const auto picture = OutputPicture();
    const QStringList before = Entries(dir.Path());
    const QByteArray old = QFileInfo(target).isFile() ? ReadFileBytes(target) : QByteArray();
    TJPEGImage jpeg;
    jpeg.Assign(*picture);
    try {
        jpeg.SaveToFile(target);
        ADD_FAILURE() << "the save must fail";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "ファイル " + target.toStdString() + " を作成できません");
    }
    EXPECT_EQ(Entries(dir.Path()), before);
    if (QFileInfo(target).isFile()) {
        EXPECT_TRUE(ReadFileBytes(target) == old);
    }
}

TEST(JpegSave, FailedSaveKeepsTheOldFile) {
    struct Case {
        const char* name;
        std::function<QString(const TempDir&)> prepare; // returns the target
    } const cases[] = {
        {"target is a folder",
         [](const TempDir& d) {
             QDir(d.Path()).mkdir(QStringLiteral("photo.jpg"));
             return d.File(QStringLiteral("photo.jpg"));
         }},
        {"read-only existing file",
         [](const TempDir& d) {
             const QString path = d.File(QStringLiteral("photo.jpg"));
             WriteFileBytes(path, "precious");
             QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
             return path;
         }},
        {"folder does not exist", [](const TempDir& d) { return d.File(QStringLiteral("missing/photo.jpg")); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        ExpectSaveFails(dir, c.prepare(dir));
    }
}

// No new file can be made there; an existing one is written in place.
TEST(JpegSave, ANewFileInAReadOnlyFolderFails) {
    if (geteuid() == 0)
        GTEST_SKIP() << "running as root, which writes into read-only folders";
    TempDir dir;
    WriteFileBytes(dir.File(QStringLiteral("photo.jpg")), "precious");
    QFile::setPermissions(dir.Path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    ExpectSaveFails(dir, dir.File(QStringLiteral("new.jpg")));
    EXPECT_EQ(ReadFileBytes(dir.File(QStringLiteral("photo.jpg"))), "precious");
}
