#include "Exceptions.h"
#include "Settings.h"
#include "TempDir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override { SetSettingsFileName(file); }
    void TearDown() override { SetSettingsFileName(QString()); }

    void Write(const QByteArray& bytes) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray Read() {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    TempDir dir;
    QString file = dir.File(QStringLiteral("tolvane.settings"));
};

QByteArray Repeat(char c, int n) { return QByteArray(n, c); }

} // namespace

TEST_F(SettingsFile, AnyBytesAPathMayHoldRoundTrip) {
    QByteArray odd;
    for (int i = 1; i <= 127; ++i)
        odd.append(static_cast<char>(i * 2)); // includes invalid UTF-8 and a NUL-free mix
    const QByteArray cases[][2] = {
        {"/home/user/写真/", ""},
        {"", "/srv/出力/"},
        {odd, QByteArray("\xff\xfe/", 3)},
        {Repeat('a', 128), Repeat('b', 128)},
        {QByteArray("a\0b/", 4), "/"},
    };
    for (const auto& c : cases) {
        Settings = {c[0], c[1]};
        SaveSettings();
        Settings = {};
        LoadSettings();
        EXPECT_EQ(Settings.LastOpenFolder, c[0]);
        EXPECT_EQ(Settings.LastSaveFolder, c[1]);
    }
}

TEST_F(SettingsFile, BadFilesStartWithBothFoldersEmpty) {
    Settings = {"/open/", "/save/"};
    SaveSettings();
    const QByteArray good = Read();
    QByteArray badLength = good;
    badLength[8] = static_cast<char>(200); // a length byte beyond the room for the folder
    QByteArray badMagic = good;
    badMagic[0] = 'X';

    const std::pair<const char*, QByteArray> cases[] = {
        {"short", good.left(good.size() - 1)},
        {"oversized", good + "x"},
        {"empty", QByteArray()},
        {"garbage length", badLength},
        {"foreign file", badMagic},
        {"text", QByteArray("LastOpenFolder=/tmp/\n")},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        Write(bytes);
        Settings = {"stale", "stale"};
        LoadSettings();
        EXPECT_TRUE(Settings.LastOpenFolder.isEmpty());
        EXPECT_TRUE(Settings.LastSaveFolder.isEmpty());
    }
    QFile::remove(file);
    Settings = {"stale", "stale"};
    LoadSettings();
    EXPECT_TRUE(Settings.LastOpenFolder.isEmpty()) << "missing file";
}

TEST_F(SettingsFile, AFailedWriteLeavesTheOldFileWhole) {
    Settings = {"/kept/", ""};
    SaveSettings();
    const QByteArray before = Read();

    // A folder of that name cannot be replaced by the settings file.
    const QString blocked = dir.File(QStringLiteral("blocked"));
    ASSERT_TRUE(QDir().mkpath(blocked + QStringLiteral("/inside")));
    SetSettingsFileName(blocked);
    Settings = {"/new/", ""};
    EXPECT_THROW(SaveSettings(), EFCreateError);

    SetSettingsFileName(file);
    EXPECT_EQ(Read(), before);
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files), QStringList{QStringLiteral("tolvane.settings")})
        << "no temporary file is left behind";
}

TEST(FolderCut, KeepsAtMost128BytesWithoutSplittingACharacter) {
    const QByteArray a = "\xe3\x81\x82"; // あ, three bytes
    struct Case {
        const char* name;
        QByteArray folder;
        QByteArray kept;
    };
    const Case cases[] = {
        {"short", "/tmp/", "/tmp/"},
        {"exactly 128", Repeat('x', 128), Repeat('x', 128)},
        {"ascii 200", Repeat('x', 200), Repeat('x', 128)},
        {"character across the cut", Repeat('x', 126) + a + "/", Repeat('x', 126)},
        {"character ending at the cut", Repeat('x', 125) + a + "/", Repeat('x', 125) + a},
        {"not UTF-8", Repeat('\x80', 200), Repeat('\x80', 128)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CutFolder(c.folder), c.kept) << c.name;
}
