// A save in place stopped at any moment (the program killed, the power lost)
// leaves the old content or the new one whole, at the latest once the next
// start has settled it; what cannot be settled silently is asked.
#include "FailureReason.h"
#include "FileInPlace.h"
#include "FileReplace.h"
#include "FormFixture.h"
#include "JpegFixtures.h"
#include "SavePhoto.h"
#include "StateHome.h"
#include "TApplication.h"
#include "TBitmap.h"
#include "TFileDialog.h"
#include "TImage.h"
#include "TInterruptedSave.h"
#include "TestFileBytes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Lists read as names in failure messages.
static void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '{' << list.join(QStringLiteral(", ")).toStdString() << '}';
}

namespace {

// A content that differs from another made with another seed at every byte.
QByteArray Content(int size, int seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + seed) % 251);
    return bytes;
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                  QDir::Name);
}

ino_t InodeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// Saves `bytes` over `file` in a child process that the stage hook kills with
// SIGKILL at `stage`. Where `besideFails`, the copy beside the file fails as
// on a full disk, so that it goes to the journal's folder. True when the
// child died of that kill.
bool SaveKilledAt(const QString& file, const QByteArray& bytes, TInPlaceStage stage,
                  bool besideFails = false) {
    const pid_t child = ::fork();
    if (child == 0) {
        int journalled = 0;
        SetInPlaceStageHook([&](TInPlaceStage now) {
            if (now == TInPlaceStage::Journalled && besideFails && journalled++ == 0)
                return ENOSPC;
            if (now == stage)
                ::raise(SIGKILL);
            return 0;
        });
        try {
            ReplaceFileContent(file, [&] { return bytes; });
        } catch (...) {
            ::_exit(2);
        }
        ::_exit(0);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFSIGNALED(status) &&
           WTERMSIG(status) == SIGKILL;
}

// A photo with a second link, which saves therefore write in place.
struct LinkedPhoto {
    explicit LinkedPhoto(const QByteArray& old) {
        WriteFileBytes(photo, old);
        EXPECT_EQ(::link(QFile::encodeName(photo).constData(), QFile::encodeName(link).constData()),
                  0);
        inode = InodeOf(photo);
    }
    // The copies of old contents left beside the photo.
    QStringList CopiesBeside() const {
        QStringList copies = Entries(out.Path());
        copies.removeAll(QStringLiteral("photo.jpg"));
        copies.removeAll(QStringLiteral("link.jpg"));
        return copies;
    }

    TempDir out;
    QString photo = out.File(QStringLiteral("photo.jpg"));
    QString link = out.File(QStringLiteral("link.jpg"));
    ino_t inode = 0;
};

rlimit FileSizeLimit() {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    return limit;
}

const QByteArray OldContent = Content(150000, 1);
const QByteArray NewContent = Content(120000, 2);

} // namespace

TEST(InterruptedSave, AKillAtAnyMomentLeavesTheOldOrTheNewContentWhole) {
    const struct {
        const char* name;
        TInPlaceStage stage;
        bool besideFails;
        bool newContent; // what the file holds once settled
    } cases[] = {
        {"journal written, no copy yet", TInPlaceStage::Journalled, false, false},
        {"copy made, file untouched", TInPlaceStage::CopyMade, false, false},
        {"part of the new content written", TInPlaceStage::PartWritten, false, false},
        {"part written, the copy in the journal's folder", TInPlaceStage::PartWritten, true, false},
        {"new content on the disk, copy still there", TInPlaceStage::Written, false, true},
        {"new content on the disk, copy in the journal's folder", TInPlaceStage::Written, true,
         true},
        {"copy removed, entry still there", TInPlaceStage::CopyRemoved, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const StateHome state;
        const LinkedPhoto file(OldContent);
        ASSERT_TRUE(SaveKilledAt(file.photo, NewContent, c.stage, c.besideFails));
        if (c.stage == TInPlaceStage::PartWritten) {
            const QByteArray mixed = ReadFileBytes(file.photo);
            ASSERT_TRUE(mixed != OldContent && mixed != NewContent) << "the kill left a mix";
        }

        EXPECT_TRUE(RecoverInterruptedSaves().empty()) << "settled without asking";
        const QByteArray& expected = c.newContent ? NewContent : OldContent;
        EXPECT_TRUE(ReadFileBytes(file.photo) == expected);
        EXPECT_TRUE(ReadFileBytes(file.link) == expected);
        EXPECT_EQ(InodeOf(file.photo), file.inode) << "the same file, its links kept";
        EXPECT_EQ(file.CopiesBeside(), QStringList()) << "no copy left beside";
        EXPECT_EQ(state.JournalFiles(), QStringList()) << "no entry or copy left in the journal";
    }
}

// Settling at start through the window's code, with its question answered
// and its reports recorded.
class SettlingAtStart : public ::testing::Test {
protected:
    void SetUp() override {
        SetInterruptedSaveAnswerer([this](const QString& question) {
            questions.append(question);
            return answer;
        });
        TApplication::SetErrorReporter(
            [this](const QString&, const QString& text) { reports.append(text); });
    }
    void TearDown() override {
        SetInterruptedSaveAnswerer(nullptr);
        TApplication::SetErrorReporter(nullptr);
        SetInPlaceStageHook(nullptr);
    }

    StateHome state;
    bool answer = false;
    QStringList questions;
    QStringList reports;
};

// A file changed, replaced or removed after the save stopped is not written
// over unasked: the user is told where the old content is and decides.
TEST_F(SettlingAtStart, AFileChangedOrGoneSinceIsOfferedNotOverwritten) {
    const QByteArray changed = Content(5000, 3);
    const struct {
        const char* name;
        std::function<void(const LinkedPhoto&)> since;
        bool answer;
        QByteArray expected; // in the photo afterwards
    } cases[] = {
        {"changed in place later, the user keeps the change",
         [&](const LinkedPhoto& file) { WriteFileBytes(file.photo, changed); }, false, changed},
        {"replaced by another file, the user wants the old back",
         [&](const LinkedPhoto& file) {
             WriteFileBytes(file.out.File(QStringLiteral("other")), changed);
             ASSERT_TRUE(QFile::remove(file.photo));
             ASSERT_TRUE(QFile::rename(file.out.File(QStringLiteral("other")), file.photo));
         },
         true, OldContent},
        {"removed, the user wants it back",
         [&](const LinkedPhoto& file) {
             ASSERT_TRUE(QFile::remove(file.photo));
             ASSERT_TRUE(QFile::remove(file.link));
         },
         true, OldContent},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        questions.clear();
        const LinkedPhoto file(OldContent);
        ASSERT_TRUE(SaveKilledAt(file.photo, NewContent, TInPlaceStage::PartWritten));
        ASSERT_EQ(file.CopiesBeside().size(), 1);
        const QString copy = file.out.File(file.CopiesBeside().front());
        // The save stopped an hour ago.
        const timespec anHourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(copy).constData(), anHourAgo, 0), 0);
        c.since(file);
        answer = c.answer;

        SettleInterruptedSaves();
        ASSERT_EQ(questions.size(), 1);
        EXPECT_TRUE(questions[0].contains(file.photo)) << questions[0].toStdString();
        EXPECT_TRUE(questions[0].contains(QStringLiteral("元の内容は ") + copy +
                                          QStringLiteral(" に残してあります。")))
            << questions[0].toStdString();
        EXPECT_TRUE(questions[0].endsWith(QStringLiteral("元に戻しますか？")));
        EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(ReadFileBytes(file.photo) == c.expected);
        if (c.answer) {
            EXPECT_EQ(file.CopiesBeside(), QStringList()) << "the copy went back";
        } else {
            EXPECT_TRUE(ReadFileBytes(copy) == OldContent)
                << "the copy stays where the user was told";
        }
        EXPECT_EQ(state.JournalFiles(), QStringList());

        SettleInterruptedSaves();
        EXPECT_EQ(questions.size(), 1) << "asked once";
    }
}

// The window's save that fails part way and cannot put the old content back
// tells the user the file is damaged and where its old content is; starts
// put it back once the disk lets them.
class FailedPutBack : public FormFixture {
protected:
    void TearDown() override {
        TFileDialog::SetAnswerer(nullptr);
        TApplication::SetErrorReporter(nullptr);
        SetInPlaceStageHook(nullptr);
        setrlimit(RLIMIT_FSIZE, &unlimited);
        FormFixture::TearDown();
    }

    StateHome state;
    const rlimit unlimited = FileSizeLimit();
    QStringList reports;
};

TEST_F(FailedPutBack, TheUserIsToldWhereTheOldContentIsAndTheNextStartPutsItBack) {
    TBitmap& picture = *form->Image1->PictureBitmap();
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            picture.SetPixel(
                x, y, static_cast<TColor>((x * 7919u + y * 104729u) * 2654435761u) & 0xFFFFFF);
    TApplication::SetErrorReporter(
        [this](const QString&, const QString& text) { reports.append(text); });
    const LinkedPhoto file(Content(100000, 4));
    TFileDialog::SetAnswerer(
        [&](const TFileDialog&) { return std::optional<QString>(file.photo); });
    // Once the first part is written the disk fails, and from then on takes
    // no byte past 30 000: the old content cannot be written back whole.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = unlimited;
    limited.rlim_cur = 30000;
    SetInPlaceStageHook([&](TInPlaceStage stage) {
        if (stage != TInPlaceStage::PartWritten)
            return 0;
        setrlimit(RLIMIT_FSIZE, &limited);
        return EIO;
    });

    form->BitBtn1Click();
    ASSERT_EQ(file.CopiesBeside().size(), 1);
    const QString copy = file.out.File(file.CopiesBeside().front());
    EXPECT_TRUE(ReadFileBytes(copy) == Content(100000, 4));
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].startsWith(
        QStringLiteral("ファイル ") + file.photo + QStringLiteral(" を作成できません: ") +
        FailureReason(EIO) +
        QStringLiteral(" 元のファイルは途中まで書き換えられたままです。元の内容は ") + copy +
        QStringLiteral(" に残してあります。")))
        << reports[0].toStdString();

    // A start while the disk is still full tells it again.
    SetInPlaceStageHook(nullptr);
    reports.clear();
    SettleInterruptedSaves();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].startsWith(
        QStringLiteral("前回、ファイル ") + file.photo +
        QStringLiteral(" の保存が途中で止まり、元の内容を戻せませんでした: ") +
        FailureReason(EFBIG) + QStringLiteral(" 元の内容は ") + copy))
        << reports[0].toStdString();

    setrlimit(RLIMIT_FSIZE, &unlimited);
    reports.clear();
    SettleInterruptedSaves();
    EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(ReadFileBytes(file.photo) == Content(100000, 4));
    EXPECT_TRUE(ReadFileBytes(file.link) == Content(100000, 4));
    EXPECT_EQ(file.CopiesBeside(), QStringList());
    EXPECT_EQ(state.JournalFiles(), QStringList());
}

// The program itself settles what an earlier run left when it starts.
TEST(InterruptedSave, TheProgramPutsTheOldContentBackWhenItStarts) {
    const QString bin = qEnvironmentVariable("TOLVANE_BIN_DIR");
    if (bin.isEmpty() || !QFileInfo(bin + QStringLiteral("/tolvane")).isExecutable())
        GTEST_SKIP() << "the program is not built beside the tests (TOLVANE_BIN_DIR)";
    const StateHome state;
    const LinkedPhoto file(OldContent);
    ASSERT_TRUE(SaveKilledAt(file.photo, NewContent, TInPlaceStage::PartWritten));

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(bin + QStringLiteral("/tolvane"), {});
    ASSERT_TRUE(program.waitForStarted(10000));
    QElapsedTimer waited;
    waited.start();
    // Settled once the old content is back and the copy and its entry are
    // gone, which the program does one after the other.
    const auto settled = [&] {
        return ReadFileBytes(file.photo) == OldContent && file.CopiesBeside().isEmpty() &&
               state.JournalFiles().isEmpty();
    };
    while (!settled() && waited.elapsed() < 30000)
        QThread::msleep(50);
    program.kill();
    program.waitForFinished(10000);

    EXPECT_TRUE(ReadFileBytes(file.photo) == OldContent);
    EXPECT_EQ(file.CopiesBeside(), QStringList());
    EXPECT_EQ(state.JournalFiles(), QStringList());
}
