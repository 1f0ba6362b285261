#include "SelfRun.h"
#include "Settings.h"
#include "TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <iostream>
#include <unistd.h>

namespace {

class SettingsPlace : public ::testing::Test {
protected:
    void TearDown() override {
        SetSettingsFileName(QString());
        Settings = {};
    }
    QString Config() const { return dir.File(QStringLiteral("config")); }
    QString InConfig() const { return Config() + QStringLiteral("/tolvane/tolvane.settings"); }

    TempDir dir;
};

} // namespace

TEST_F(SettingsPlace, BesideTheProgramWhenItsFolderCanBeWritten) {
    const QString program = dir.File(QStringLiteral("program"));
    ASSERT_TRUE(QDir().mkpath(program));
    EXPECT_EQ(SettingsFileFor(program, Config()), program + QStringLiteral("/tolvane.settings"));
    EXPECT_TRUE(
        QDir(program).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty())
        << "the writability probe leaves nothing behind";
}

TEST_F(SettingsPlace, InTheConfigurationFolderOtherwise) {
    // Folders that not even root can write in.
    for (const QString& program : {QStringLiteral("/proc"), dir.File(QStringLiteral("gone"))}) {
        SCOPED_TRACE(program.toStdString());
        EXPECT_EQ(SettingsFileFor(program, Config()), InConfig());
    }
    EXPECT_FALSE(QFileInfo::exists(Config())) << "choosing creates nothing";
}

TEST_F(SettingsPlace, TheConfigurationFolderIsMadeOnTheFirstSave) {
    SetSettingsFileName(SettingsFileFor(QStringLiteral("/proc"), Config()));
    Settings = {"/photos/", "/out/"};
    SaveSettings();
    ASSERT_TRUE(QFileInfo::exists(InConfig()));
    Settings = {};
    LoadSettings();
    EXPECT_EQ(Settings.LastOpenFolder, "/photos/");
    EXPECT_EQ(Settings.LastSaveFolder, "/out/");
}

// Run by the next test as a user who cannot write beside this program.
TEST(SettingsProbe, DISABLED_SavesWhereTheProgramChooses) {
    PROBE_ONLY();
    Settings = {"/photos/", "/out/"};
    SaveSettings();
    std::cout << "settings: " << SettingsFileName().toStdString() << std::endl;
}

TEST_F(SettingsPlace, AnInstalledProgramRunByAUserKeepsThemInTheUsersFolder) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to start this program as user nobody";
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty())
        GTEST_SKIP() << "setpriv (util-linux) is missing";
    const QString program = QCoreApplication::applicationFilePath();
    if (QFileInfo(QFileInfo(program).absolutePath()).permissions() & QFileDevice::WriteOther)
        GTEST_SKIP() << "the test program's folder is writable by anyone";

    // The user's folders, open to nobody.
    ASSERT_TRUE(QDir().mkpath(Config()));
    for (const QString& path : {dir.Path(), Config()})
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                        QFileDevice::WriteOther | QFileDevice::ExeOther);
    QProcessEnvironment env;
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), Config());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), Config());
    const SelfRunResult run =
        RunProbe(QStringLiteral("SettingsProbe.*"), program,
                 {setpriv, QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                  QStringLiteral("--clear-groups")},
                 env);
    // Reaching the test program, its libraries and the sanitizers' files
    // depends on where the checkout lies.
    if (!run.output.contains(QStringLiteral("[ RUN      ] SettingsProbe.")))
        GTEST_SKIP() << "user nobody cannot run " << program.toStdString() << ": "
                     << run.errors.left(300).toStdString();
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString() << run.errors.toStdString();

    EXPECT_EQ(ProbeValue(run, QStringLiteral("settings")), InConfig());
    EXPECT_TRUE(QFileInfo::exists(InConfig()));
}
