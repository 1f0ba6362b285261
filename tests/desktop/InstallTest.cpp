#include "SelfRun.h"
#include "TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <memory>

namespace {

const QString AppId = QStringLiteral("io.github.tolvane.Tolvane");
constexpr int IconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// One install of this build into a fresh prefix, shared by the suite.
class InstallTree : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        prefix = new TempDir;
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QStringLiteral(TOLVANE_CMAKE),
                      {QStringLiteral("--install"), QStringLiteral(TOLVANE_BUILD_DIR),
                       QStringLiteral("--prefix"), prefix->Path()});
        installed = install.waitForFinished(120000) &&
                    install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0;
        log = QString::fromLocal8Bit(install.readAll());
    }
    static void TearDownTestSuite() {
        delete prefix;
        prefix = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(installed) << log.toStdString(); }

    static QString Path(const QString& relative) { return prefix->File(relative); }

    // Runs a validator on an installed file; skips when the tool is missing.
    static void ExpectValid(const char* tool, const QString& package, QStringList arguments) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(tool));
        if (program.isEmpty())
            GTEST_SKIP() << tool << " is not installed (Debian package " << package.toStdString()
                         << ")";
        QProcess run;
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.start(program, arguments);
        ASSERT_TRUE(run.waitForFinished(60000));
        EXPECT_EQ(run.exitCode(), 0) << QString::fromLocal8Bit(run.readAll()).toStdString();
    }

    static TempDir* prefix;
    static bool installed;
    static QString log;
};

TempDir* InstallTree::prefix = nullptr;
bool InstallTree::installed = false;
QString InstallTree::log;

// The keys of the [Desktop Entry] group; a line outside any group, a line
// that is neither a comment, a group nor a key, or a repeated key fails.
std::map<QString, QString> DesktopEntry(const QString& file) {
    QFile in(file);
    EXPECT_TRUE(in.open(QIODevice::ReadOnly | QIODevice::Text));
    std::map<QString, QString> keys;
    QString group;
    int line = 0;
    for (const QString& text : QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'))) {
        ++line;
        if (text.isEmpty() || text.startsWith(QLatin1Char('#')))
            continue;
        if (text.startsWith(QLatin1Char('[')) && text.endsWith(QLatin1Char(']'))) {
            group = text.mid(1, text.size() - 2);
            continue;
        }
        const qsizetype eq = text.indexOf(QLatin1Char('='));
        EXPECT_FALSE(group.isEmpty()) << "line " << line << " lies outside any group";
        EXPECT_GT(eq, 0) << "line " << line << " is no key: " << text.toStdString();
        if (group != QStringLiteral("Desktop Entry") || eq <= 0)
            continue;
        const QString key = text.left(eq).trimmed();
        EXPECT_EQ(keys.count(key), 0u) << "repeated key " << key.toStdString();
        keys[key] = text.mid(eq + 1).trimmed();
    }
    return keys;
}

bool HasJapanese(const QString& text) {
    for (const QChar c : text)
        if (c.script() == QChar::Script_Hiragana || c.script() == QChar::Script_Katakana ||
            c.script() == QChar::Script_Han)
            return true;
    return false;
}

} // namespace

TEST_F(InstallTree, PutsTheProgramWithItsHelpAndALinkInBin) {
    const QFileInfo program(Path(QStringLiteral("lib/tolvane/tolvane")));
    EXPECT_TRUE(program.isFile() && program.isExecutable());
    const QFileInfo link(Path(QStringLiteral("bin/tolvane")));
    ASSERT_TRUE(link.isSymLink());
    EXPECT_EQ(QFile::symLinkTarget(link.filePath()), program.canonicalFilePath());
    EXPECT_EQ(std::filesystem::read_symlink(link.filePath().toStdString()).string(),
              "../lib/tolvane/tolvane")
        << "relative: the tree can move";

    const QString help = QStringLiteral(TOLVANE_BUILD_DIR) + QStringLiteral("/bin/help");
    const QStringList pages = QDir(help).entryList(QDir::Files);
    ASSERT_TRUE(pages.contains(QStringLiteral("frame.htm")));
    for (const QString& page : pages) {
        SCOPED_TRACE(page.toStdString());
        QFile built(help + QLatin1Char('/') + page);
        QFile copy(Path(QStringLiteral("lib/tolvane/help/")) + page);
        ASSERT_TRUE(built.open(QIODevice::ReadOnly) && copy.open(QIODevice::ReadOnly));
        EXPECT_EQ(copy.readAll(), built.readAll());
    }
}

TEST_F(InstallTree, GivesTheThemeAnIconAtEverySize) {
    for (const int size : IconSizes) {
        SCOPED_TRACE(size);
        const QImage icon(
            Path(QStringLiteral("share/icons/hicolor/%1x%1/apps/tolvane.png").arg(size)));
        EXPECT_EQ(icon.size(), QSize(size, size));
    }
    QFile svg(Path(QStringLiteral("share/icons/hicolor/scalable/apps/tolvane.svg")));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(svg.readAll().contains("<svg"));
}

TEST_F(InstallTree, DesktopEntryStartsTheProgramWithThePhotoItIsGiven) {
    auto entry = DesktopEntry(
        Path(QStringLiteral("share/applications/") + AppId + QStringLiteral(".desktop")));
    EXPECT_EQ(entry[QStringLiteral("Type")], QStringLiteral("Application"));
    EXPECT_EQ(entry[QStringLiteral("Name")], QStringLiteral("Tolvane"));
    EXPECT_TRUE(HasJapanese(entry[QStringLiteral("Comment")]))
        << entry[QStringLiteral("Comment")].toStdString();
    EXPECT_EQ(entry[QStringLiteral("Categories")], QStringLiteral("Graphics;Photography;"));
    // The formats the program opens, so file managers offer it under "Open With".
    EXPECT_EQ(entry[QStringLiteral("MimeType")],
              QStringLiteral("image/jpeg;image/heic;image/heif;image/avif;image/png;image/webp;image/gif;"
                             "image/bmp;image/tiff;"));
    EXPECT_EQ(entry[QStringLiteral("Terminal")], QStringLiteral("false"));
    // One file at a time, handed over as a path; the program it names is
    // what the tree holds.
    EXPECT_EQ(entry[QStringLiteral("Exec")], QStringLiteral("tolvane %f"));
    const QString program = entry[QStringLiteral("Exec")].section(QLatin1Char(' '), 0, 0);
    EXPECT_TRUE(QFileInfo::exists(Path(QStringLiteral("bin/")) + program));
    EXPECT_TRUE(QFileInfo::exists(Path(QStringLiteral("share/icons/hicolor/48x48/apps/")) +
                                  entry[QStringLiteral("Icon")] + QStringLiteral(".png")));
}

TEST_F(InstallTree, MetainfoNamesTheDesktopEntry) {
    QFile file(Path(QStringLiteral("share/metainfo/") + AppId + QStringLiteral(".metainfo.xml")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    std::map<QString, QString> found;
    const QStringList wanted = {QStringLiteral("id"), QStringLiteral("launchable"),
                                QStringLiteral("name"), QStringLiteral("binary")};
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && wanted.contains(xml.name().toString()) &&
            xml.attributes().value(QStringLiteral("xml:lang")).isEmpty())
            found[xml.name().toString()] = xml.readElementText();
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(found[QStringLiteral("id")], AppId);
    EXPECT_EQ(found[QStringLiteral("launchable")], AppId + QStringLiteral(".desktop"));
    EXPECT_EQ(found[QStringLiteral("name")], QStringLiteral("Tolvane"));
    EXPECT_EQ(found[QStringLiteral("binary")], QStringLiteral("tolvane"));
}

TEST_F(InstallTree, AppStreamAcceptsTheMetainfo) {
    ExpectValid(
        "appstreamcli", QStringLiteral("appstream"),
        {QStringLiteral("validate"), QStringLiteral("--no-net"),
         Path(QStringLiteral("share/metainfo/") + AppId + QStringLiteral(".metainfo.xml"))});
}

TEST_F(InstallTree, DesktopFileUtilsAcceptTheEntry) {
    ExpectValid("desktop-file-validate", QStringLiteral("desktop-file-utils"),
                {Path(QStringLiteral("share/applications/") + AppId + QStringLiteral(".desktop"))});
}

// Run by the next test through a link, as bin/tolvane runs the program.
TEST(ProgramFolderProbe, DISABLED_PrintsIt) {
    PROBE_ONLY();
    std::cout << "folder: " << QCoreApplication::applicationDirPath().toStdString() << std::endl;
}

TEST(ProgramFolder, IsTheLinkedProgramsOwnWhenStartedThroughALink) {
    TempDir dir;
    const QString program = QCoreApplication::applicationFilePath();
    const QString link = dir.File(QStringLiteral("tolvane"));
    ASSERT_TRUE(QFile::link(program, link));
    const SelfRunResult run = RunProbe(QStringLiteral("ProgramFolderProbe.*"), link);
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_EQ(ProbeValue(run, QStringLiteral("folder")), QFileInfo(program).canonicalPath())
        << "the help page and the settings are looked for there";
}
