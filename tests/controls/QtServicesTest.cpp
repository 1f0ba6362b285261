#include "TApplication.h"
#include "TFileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QLibraryInfo>
#include <gtest/gtest.h>

TEST(FileDialogs, TheShownDialogBelongsToTheWindowWithTheFilterAndFolderOfTheControl) {
    QWidget window;
    TOpenDialog open(&window);
    TSaveDialog save(&window);
    const struct {
        TFileDialog* control;
        QFileDialog::AcceptMode mode;
    } cases[] = {
        {&open, QFileDialog::AcceptOpen},
        {&save, QFileDialog::AcceptSave},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode == QFileDialog::AcceptOpen ? "open" : "save");
        c.control->SetFilter(QStringLiteral("jpg|*.jpg"));
        c.control->SetInitialDir(QDir::tempPath());
        const std::unique_ptr<QFileDialog> dialog = c.control->MakeDialog();
        EXPECT_EQ(dialog->parentWidget(), &window);
        EXPECT_EQ(dialog->acceptMode(), c.mode);
        EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("jpg (*.jpg)")});
        EXPECT_EQ(QDir(dialog->directory()).canonicalPath(),
                  QDir(QDir::tempPath()).canonicalPath());
        if (c.mode == QFileDialog::AcceptSave) {
            EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite))
                << "replaces without asking";
        }
        EXPECT_FALSE(dialog->testOption(QFileDialog::DontUseNativeDialog))
            << "the desktop's own dialog where its platform theme offers one";
    }
}

TEST(FileDialogs, AFolderThatIsGoneFallsBackToItsNearestParent) {
    QWidget window;
    TOpenDialog open(&window);
    open.SetInitialDir(QDir::tempPath() + QStringLiteral("/no-such-folder/deeper"));
    EXPECT_EQ(QDir(open.MakeDialog()->directory()).canonicalPath(),
              QDir(QDir::tempPath()).canonicalPath());
}

TEST(QtTranslations, QtsOwnTextsSpeakJapanese) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFile::exists(folder + QStringLiteral("/qtbase_ja.qm")))
        GTEST_SKIP() << "qtbase_ja.qm is not installed in " << folder.toStdString();
    ASSERT_TRUE(TApplication::Instance()->LoadQtTranslations());
    const struct {
        const char* context;
        const char* english;
    } texts[] = {
        {"QFileDialog", "Open"},         {"QFileDialog", "Save As"},
        {"QFileDialog", "File &name:"},  {"QPlatformTheme", "Cancel"},
        {"QWidgetTextControl", "&Copy"},
    };
    for (const auto& t : texts) {
        SCOPED_TRACE(t.english);
        const QString shown = QCoreApplication::translate(t.context, t.english);
        EXPECT_NE(shown, QString::fromUtf8(t.english));
        EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](QChar c) {
            return c.unicode() >= 0x3000;
        })) << shown.toStdString();
    }
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Open"), QStringLiteral("開く"));
}

TEST(CommandLine, TheFirstArgumentLeftIsThePhotoAsAnAbsolutePath) {
    const QString here = QDir::currentPath();
    const struct {
        QStringList arguments; // as left after Qt took its own options
        QString photo;
    } cases[] = {
        {{"tolvane"}, {}},
        {{"tolvane", ""}, {}},
        {{"tolvane", "/photos/a.jpg"}, "/photos/a.jpg"},
        {{"tolvane", "a.jpg", "b.jpg", "--other"}, here + "/a.jpg"},
        {{"tolvane", "../photos/./a.jpg"}, QDir::cleanPath(here + "/../photos/a.jpg")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        EXPECT_EQ(TApplication::PhotoArgument(c.arguments), c.photo);
    }
}
