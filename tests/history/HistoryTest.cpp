#include "CompositionState.h"
#include "EditHistory.h"
#include "FitToImage.h"
#include "FormFixture.h"
#include "ImageAllocation.h"
#include "InputPanel.h"
#include "JpegFixtures.h"
#include "PhotoMemory.h"
#include "Rotation.h"
#include "TApplication.h"
#include "TBitmap.h"
#include "TFileDialog.h"
#include "TImage.h"
#include "TPanel.h"
#include "TSelShape.h"
#include "TestFileBytes.h"
#include "Trimming.h"

#include <QCoreApplication>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

// What a photo step changes, and what a trimming changes.
struct PhotoPart {
    QImage photo;
    QSize panel;
    QImage view;
    friend bool operator==(const PhotoPart&, const PhotoPart&) = default;
};
struct OutputPart {
    QImage output;
    bool inputShown = false;
    int viewRequest = 0;
    friend bool operator==(const OutputPart&, const OutputPart&) = default;
};
// What no undo or redo may touch.
struct Untouched {
    QRect frame;
    int layout = 0;
    int position = 0;
    int cell = 0;
    friend bool operator==(const Untouched&, const Untouched&) = default;
};

void PrintTo(const PhotoPart& p, std::ostream* os) {
    *os << "photo " << p.photo.width() << " x " << p.photo.height() << ", panel " << p.panel.width()
        << " x " << p.panel.height();
}
void PrintTo(const OutputPart& o, std::ostream* os) {
    *os << "output " << o.output.width() << " x " << o.output.height()
        << (o.inputShown ? ", input view" : ", output view");
}

enum class Part { Photo, Output };

// What the history should give back, followed along a command sequence: the
// parts before and after every recorded step.
struct Expected {
    struct Step {
        Part part;
        PhotoPart photoBefore, photoAfter;
        OutputPart outputBefore, outputAfter;
    };
    std::vector<Step> steps;
    std::size_t done = 0;
    PhotoPart photo;
    OutputPart output;
};

} // namespace

class History : public FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        TApplication::SetErrorReporter(
            [this](const QString&, const QString& text) { reports.append(text); });
        TFileDialog::SetAnswerer([this](const TFileDialog&) { return answer; });
        first = dir.File(QStringLiteral("first.jpg"));
        WriteFileBytes(first, MakeJpeg(JpegTestPattern(40, 30)));
        second = dir.File(QStringLiteral("second.jpg"));
        WriteFileBytes(second, MakeJpeg(JpegTestPattern(24, 50)));
    }
    void TearDown() override {
        SetAvailableMemoryReader(nullptr);
        TFileDialog::SetAnswerer(nullptr);
        TApplication::SetErrorReporter(nullptr);
        FormFixture::TearDown();
    }

    void Open(const QString& file) {
        answer = file;
        form->BitBtn2Click();
    }

    PhotoPart PhotoNow() const {
        return {Composition.WorkBitmap->Image(), form->Panel2->size(),
                form->Image2->PictureBitmap()->Image()};
    }
    OutputPart OutputNow() const {
        return {form->Image1->PictureBitmap()->Image(), !form->Panel2->isHidden(),
                Composition.ViewRequest};
    }
    Untouched UntouchedNow() const {
        return {form->SelShape1->geometry(), Composition.LayoutKind, Composition.PositionStep,
                Composition.CurrentCell};
    }

    // One command of a sequence:
    //   C contrast, B brighten, D darken, R right turn, L left turn, T trim
    //   (the steps); z undo, y redo; and, recorded by nobody: P next position,
    //   K next layout, V the other view, F a moved frame, O another photo.
    void Run(char command, Expected& e) {
        const std::string steps = "CBDRLT";
        if (steps.find(command) != std::string::npos) {
            const PhotoPart photoBefore = PhotoNow();
            const OutputPart outputBefore = OutputNow();
            const std::map<char, std::function<void()>> click = {
                {'C', [&] { form->BitBtn5Click(); }}, {'B', [&] { form->BitBtn4Click(); }},
                {'D', [&] { form->BitBtn6Click(); }}, {'R', [&] { form->BitBtn7Click(); }},
                {'L', [&] { form->BitBtn8Click(); }}, {'T', [&] { form->BitBtn3Click(); }},
            };
            click.at(command)();
            const Part part = command == 'T' ? Part::Output : Part::Photo;
            e.steps.resize(e.done);
            e.steps.push_back({part, photoBefore, PhotoNow(), outputBefore, OutputNow()});
            e.done = e.steps.size();
            e.photo = PhotoNow();
            e.output = OutputNow();
            // A step changes its own part only.
            if (part == Part::Output)
                EXPECT_EQ(e.photo, photoBefore) << "a trimming leaves the photo";
            else
                EXPECT_EQ(e.output, outputBefore) << "a photo step leaves the output";
            return;
        }
        if (command == 'z' || command == 'y') {
            const Untouched before = UntouchedNow();
            if (command == 'z') {
                form->Undo();
                if (e.done > 0) {
                    const Expected::Step& s = e.steps[--e.done];
                    if (s.part == Part::Photo)
                        e.photo = s.photoBefore;
                    else
                        e.output = s.outputBefore;
                }
            } else {
                form->Redo();
                if (e.done < e.steps.size()) {
                    const Expected::Step& s = e.steps[e.done++];
                    if (s.part == Part::Photo)
                        e.photo = s.photoAfter;
                    else
                        e.output = s.outputAfter;
                }
            }
            EXPECT_EQ(UntouchedNow(), before) << "frame, layout and cell stay";
            EXPECT_TRUE(PhotoNow() == e.photo) << "photo, panel or input picture differs";
            EXPECT_TRUE(OutputNow() == e.output) << "output picture or view differs";
            return;
        }
        switch (command) {
        case 'P':
            form->SpeedButton2Click();
            break;
        case 'K':
            form->SpeedButton1Click();
            break;
        case 'V':
            form->Image8Click();
            break;
        case 'F':
            form->SelShape1->setGeometry(form->SelShape1->geometry().translated(7, 5));
            break;
        case 'O': {
            Open(second);
            std::vector<Expected::Step> kept;
            std::size_t done = 0;
            for (std::size_t i = 0; i < e.steps.size(); ++i)
                if (e.steps[i].part == Part::Output) {
                    done += i < e.done ? 1 : 0;
                    kept.push_back(e.steps[i]);
                }
            e.steps = kept;
            e.done = done;
            break;
        }
        default:
            FAIL() << "no command " << command;
        }
        e.photo = PhotoNow();
        e.output = OutputNow();
    }

    void RunSequence(const char* commands) {
        Expected e;
        e.photo = PhotoNow();
        e.output = OutputNow();
        for (int i = 0; commands[i] != '\0'; ++i) {
            SCOPED_TRACE(std::string(commands, static_cast<size_t>(i) + 1));
            Run(commands[i], e);
        }
    }

    std::optional<QString> answer;
    QString first, second;
    QStringList reports;
};

TEST_F(History, StepsAreTakenBackAndDoneAgainExactly) {
    const struct {
        const char* name;
        bool opened;
        const char* commands;
    } cases[] = {
        {"a tone pass", true, "Czyzz"},
        {"each tone pass", true, "BDCzzzyyyzzz"},
        {"turns", true, "RRLzzzyyy"},
        {"turns at start-up, before any photo", false, "RzLzyy"},
        {"a tone pass at start-up", false, "Dzy"},
        {"trimmings into three cells", true, "KPTPTPTzzzyyy"},
        {"a trimming after a view switch", true, "TVzyVzy"},
        {"every kind, mixed", true, "CRTBLTDzzzzzzzyyyyyyy"},
        {"a new step forgets those taken back", true, "CBzDyzzzyy"},
        {"nothing to take back or do again", true, "zyCzzyy"},
        {"frame, layout and cell kept through the steps", true, "TFKPzFyPz"},
        {"opening forgets the photo's steps only", true, "TCRTOzzzyyy"},
        {"steps taken back, then an opening", true, "CTRzzzOyyy"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        form.reset(); // a fresh window, with a fresh history
        form = std::make_unique<TForm1>();
        form->show();
        if (c.opened)
            Open(first);
        RunSequence(c.commands);
        EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
    }
}

TEST_F(History, TwentyFiveStepsGoBackOneByOne) {
    Open(first);
    std::string commands;
    for (int i = 0; i < 25; ++i)
        commands += "CRTBLD"[i % 6];
    RunSequence((commands + std::string(25, 'z') + std::string(25, 'y')).c_str());
}

TEST_F(History, UndoIsHeldOffWhileATonePassRuns) {
    Open(first);
    form->BitBtn7Click(); // a step the held-off undo would take back
    const PhotoPart turned = PhotoNow();
    bool ranDuringPass = false;
    QMetaObject::invokeMethod(
        form.get(),
        [&] {
            ranDuringPass = !form->BitBtn5->isEnabled();
            form->Undo();
            form->Redo();
        },
        Qt::QueuedConnection);
    form->BitBtn5Click();
    ASSERT_TRUE(ranDuringPass);
    const QImage contrasted = Composition.WorkBitmap->Image();
    EXPECT_NE(contrasted, turned.photo);
    form->Undo();
    EXPECT_EQ(PhotoNow(), turned) << "the pass is the last step";
    form->Undo();
    EXPECT_EQ(Composition.WorkBitmap->Width(), 40) << "then the turn";
}

TEST_F(History, TheKeysTakeStepsBackAndDoThemAgain) {
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    Open(first);
    const QImage opened = Composition.WorkBitmap->Image();
    form->BitBtn4Click();
    const QImage brightened = Composition.WorkBitmap->Image();
    ASSERT_NE(brightened, opened);
    const struct {
        QKeyCombination key;
        const QImage& photo;
    } keys[] = {
        {Qt::CTRL | Qt::Key_Z, opened},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, brightened},
        {Qt::CTRL | Qt::Key_Z, opened},
        {Qt::CTRL | Qt::Key_Y, brightened},
    };
    for (const auto& k : keys) {
        QTest::keyClick(form.get(), k.key.key(), k.key.keyboardModifiers());
        EXPECT_EQ(Composition.WorkBitmap->Image(), k.photo);
    }
}

namespace {

// The least memory free at which the memory rule leaves `bytes` usable.
std::uint64_t FreeForUsable(std::uint64_t bytes) {
    std::uint64_t low = 0, high = std::uint64_t{1} << 44;
    while (low < high) {
        const std::uint64_t mid = low + (high - low) / 2;
        if (UsableMemory(mid) >= bytes)
            high = mid;
        else
            low = mid + 1;
    }
    return low;
}

} // namespace

// The free memory falls by each copy the history holds, as the machine's does.
class KeptCopies : public History {
protected:
    void SetUp() override {
        History::SetUp();
        Open(first);
        copy = static_cast<std::uint64_t>(Composition.WorkBitmap->Image().sizeInBytes());
        turn = TurnBytes(*Composition.WorkBitmap);
    }
    // Memory for `copies` copies of the photo beside a turn's room.
    void MemoryFor(int copies) {
        const std::uint64_t free = FreeForUsable(static_cast<std::uint64_t>(copies) * copy + std::max(copy, turn));
        SetAvailableMemoryReader([this, free] {
            const std::uint64_t held = history.KeptPhotoBytes();
            return free > held ? free - held : 0;
        });
    }
    void Contrast() {
        history.TonePass(form->Controls(),
                         [this](TBitmap& photo) { form->EnhanceContrast(photo); });
    }
    // The photo after `passes` contrast passes.
    QImage Contrasted(const QImage& photo, int passes) {
        TBitmap bitmap;
        bitmap.SetImage(photo);
        for (int i = 0; i < passes; ++i)
            form->EnhanceContrast(bitmap);
        return bitmap.Image();
    }
    // The input view shows the working photo, in a panel sized for it.
    void ExpectViewOfThePhoto() {
        const TBitmap& photo = *Composition.WorkBitmap;
        const QImage shown = form->Image2->PictureBitmap()->Image();
        const QSize panel = form->Panel2->size();
        SizeInputPanel(*form->Panel2, photo.Width(), photo.Height());
        FitToImage(photo, *form->Image2);
        EXPECT_EQ(form->Panel2->size(), panel);
        EXPECT_EQ(form->Image2->PictureBitmap()->Image(), shown) << "the view is not the photo's";
    }
    // Takes steps back until there is none; how many.
    int UndoAll() {
        int count = 0;
        while (history.Undo(form->Controls()))
            ++count;
        return count;
    }

    TEditHistory history;
    std::uint64_t copy = 0;
    std::uint64_t turn = 0; // the photo's turned picture, a little larger than a copy
};

TEST_F(KeptCopies, AsManyAsMemoryHoldsTheOldestGoingFirst) {
    const struct {
        int room; // copies the memory holds
        int passes;
        int back; // passes that can be taken back
    } cases[] = {{3, 2, 2}, {3, 3, 3}, {3, 5, 3}, {1, 4, 1}, {0, 2, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.room << " copies' room, " << c.passes << " passes");
        Open(first);
        history.PhotoReplaced();
        MemoryFor(c.room);
        std::vector<QImage> photos{Composition.WorkBitmap->Image()};
        for (int i = 0; i < c.passes; ++i) {
            Contrast();
            photos.push_back(Composition.WorkBitmap->Image());
        }
        EXPECT_LE(history.KeptPhotoBytes(), static_cast<std::uint64_t>(c.room) * copy);
        EXPECT_EQ(UndoAll(), c.back);
        EXPECT_EQ(Composition.WorkBitmap->Image(), photos[static_cast<size_t>(c.passes - c.back)]);
        for (int i = 0; i < c.back; ++i)
            ASSERT_TRUE(history.Redo(form->Controls()));
        EXPECT_EQ(Composition.WorkBitmap->Image(), photos.back());
    }
}

TEST_F(KeptCopies, APassThatCannotBeKeptEndsTheWayBackToOlderPassesOnly) {
    MemoryFor(2);
    const QImage output = form->Image1->PictureBitmap()->Image();
    history.Trim(form->Controls());
    const QImage opened = Composition.WorkBitmap->Image();
    Contrast();
    history.Turn(form->Controls(), TTurnDirection::Right);
    MemoryFor(0);
    Contrast();
    // The older pass, taken back, would take this one back too: it goes. The
    // turn and the trimming need no copy: the turn is taken back by the
    // opposite turn over the passes, the trimming by its output picture.
    EXPECT_EQ(history.KeptPhotoBytes(), 0u);
    EXPECT_EQ(history.UndoName(), QStringLiteral("右回転"));
    EXPECT_EQ(UndoAll(), 2);
    EXPECT_EQ(Composition.WorkBitmap->Image(), Contrasted(opened, 2)) << "upright, both passes kept";
    ExpectViewOfThePhoto();
    EXPECT_EQ(form->Image1->PictureBitmap()->Image(), output);
    // Turns and trimmings need no copy and are kept again afterwards.
    history.Turn(form->Controls(), TTurnDirection::Left);
    EXPECT_EQ(UndoAll(), 1);
}

// A photo-sized picture that fits only without copies (a turn's, a
// trimming's crop, that of a turn taken back) lets the farthest go, the
// oldest done first; one that does not fit even then is refused and the
// copies stay.
TEST_F(KeptCopies, ATurnOrTrimmingThatFitsOnlyWithoutCopiesLetsTheOldestGo) {
    const auto one = static_cast<std::int64_t>(copy);
    const struct {
        const char* name;
        char command;          // R turn, T trimming, z taking back the turn made after the passes
        std::int64_t headroom; // usable memory beyond the need once no copy is held
        bool carriedOut;
        std::uint64_t kept; // copies kept afterwards
    } cases[] = {
        {"a turn", 'R', one, true, 1},
        {"a turn without room even then", 'R', -1, false, 2},
        {"a trimming", 'T', one, true, 1},
        {"a trimming without room even then", 'T', -1, false, 2},
        {"taking back a turn", 'z', one, true, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Open(first);
        history.PhotoReplaced();
        MemoryFor(3);
        Contrast();
        Contrast();
        if (c.command == 'z')
            history.Turn(form->Controls(), TTurnDirection::Right);
        ASSERT_EQ(history.KeptPhotoBytes(), 2 * copy);
        const std::uint64_t need =
            c.command == 'T' ? TrimmingBytes(form->Controls()) : TurnBytes(*Composition.WorkBitmap);
        ASSERT_GT(need, 0u);
        const std::uint64_t free = FreeForUsable(need + static_cast<std::uint64_t>(c.headroom));
        SetAvailableMemoryReader([this, free] {
            const std::uint64_t held = history.KeptPhotoBytes();
            return free > held ? free - held : 0;
        });
        const QImage photo = Composition.WorkBitmap->Image();
        bool refused = false;
        try {
            if (c.command == 'R')
                history.Turn(form->Controls(), TTurnDirection::Right);
            else if (c.command == 'T')
                history.Trim(form->Controls());
            else
                history.Undo(form->Controls());
        } catch (const EPhotoMemory&) {
            refused = true;
        }
        EXPECT_EQ(refused, !c.carriedOut);
        EXPECT_EQ(history.KeptPhotoBytes(), c.kept * copy);
        if (c.command != 'T') {
            EXPECT_EQ(Composition.WorkBitmap->Image() == photo, !c.carriedOut);
        }
        // The newer pass can still be taken back when the older went.
        SetAvailableMemoryReader(nullptr);
        if (c.command != 'z') {
            EXPECT_EQ(UndoAll(), static_cast<int>(c.kept) + (c.carriedOut ? 1 : 0));
        }
    }
}

// Before an opening checks the memory for a new photo, the copies are given
// up: a photo as large as the one they were made of then opens. A photo
// refused even so leaves the turns and trimmings to take back.
TEST_F(KeptCopies, CopiesAreGivenUpBeforeANewPhotoIsChecked) {
    const QString larger = dir.File(QStringLiteral("larger.jpg"));
    WriteFileBytes(larger, MakeJpeg(JpegTestPattern(80, 60)));
    const struct {
        const char* name;
        QString file;
        bool opens;
    } cases[] = {{"a larger photo", larger, false}, {"a photo of the same size", first, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Open(first);
        history.PhotoReplaced();
        const QImage opened = Composition.WorkBitmap->Image();
        MemoryFor(5);
        history.Trim(form->Controls());
        Contrast();
        history.Turn(form->Controls(), TTurnDirection::Right);
        Contrast();
        history.Turn(form->Controls(), TTurnDirection::Right);
        ASSERT_EQ(history.KeptPhotoBytes(), copy + turn);
        // Room for a photo of the first's size, not beside the copies.
        const std::uint64_t free = FreeForUsable(2 * copy);
        SetAvailableMemoryReader([this, free] {
            const std::uint64_t held = history.KeptPhotoBytes();
            return free > held ? free - held : 0;
        });
        reports.clear();
        Open(c.file);
        EXPECT_EQ(reports.isEmpty(), c.opens) << reports.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(history.KeptPhotoBytes(), 0u);
        if (c.opens) {
            EXPECT_EQ(history.UndoName(), QStringLiteral("トリミング"));
            continue;
        }
        EXPECT_EQ(history.UndoName(), QStringLiteral("右回転"));
        EXPECT_EQ(UndoAll(), 3);
        EXPECT_EQ(Composition.WorkBitmap->Image(), Contrasted(opened, 2));
        ExpectViewOfThePhoto();
    }
}

// The copies stay within a quarter of the memory the process may use, the
// least of the machine's memory and its control groups' limits, however much
// is free; the oldest go first.
TEST_F(KeptCopies, CopiesStayWithinAQuarterOfTheMemoryTheProcessMayUse) {
    const QString group = QStringLiteral("/sys/fs/cgroup/tolvane/");
    const struct {
        const char* name;
        QSize photo;
        std::uint64_t machine, groupLimit; // bytes; 0: no limit
        int kept;
    } cases[] = {
        {"the machine's memory", {40, 30}, 29 * 1024, 0, 2}, // 7424 bytes of copies of 3600
        {"a control group's limit", {1000, 750}, 24ull << 30, 128ull << 20, 14}, // 32 MiB of 2.25 MB
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QImage pixels(c.photo, QImage::Format_RGB888);
        pixels.fill(QColor(90, 120, 150));
        Composition.WorkBitmap = std::make_unique<TBitmap>();
        Composition.WorkBitmap->SetImage(pixels);
        history.PhotoReplaced();
        const QByteArray meminfo = "MemTotal: " + QByteArray::number(static_cast<qulonglong>(c.machine / 1024)) +
                                   " kB\nMemAvailable: 8388608 kB\n";
        const std::uint64_t limit = c.groupLimit;
        SetMemoryFileReader([&, limit](const QString& path) -> std::optional<QByteArray> {
            if (path == QStringLiteral("/proc/meminfo"))
                return meminfo;
            if (limit == 0)
                return std::nullopt;
            if (path == QStringLiteral("/proc/self/cgroup"))
                return "0::/tolvane\n";
            if (path == QStringLiteral("/sys/fs/cgroup/cgroup.controllers"))
                return "memory";
            if (path == group + "memory.max")
                return QByteArray::number(static_cast<qulonglong>(limit));
            if (path == group + "memory.current")
                return QByteArray::number(static_cast<qulonglong>(history.KeptPhotoBytes()));
            return std::nullopt;
        });
        std::vector<QImage> photos{Composition.WorkBitmap->Image()};
        for (int i = 0; i < c.kept + 3; ++i) {
            Contrast();
            photos.push_back(Composition.WorkBitmap->Image());
            EXPECT_LE(history.KeptPhotoBytes(), TEditHistory::CopyBudget());
        }
        EXPECT_EQ(UndoAll(), c.kept);
        EXPECT_EQ(Composition.WorkBitmap->Image(), photos[3]);
        SetMemoryFileReader(nullptr);
    }
}

// A control group that charges the copies the history holds and the block
// kept from a photo-sized image let go: the copies never take the group past
// its limit, however large that block.
TEST_F(KeptCopies, ABlockKeptForPhotosThatServesNoCopyIsHandedBackNotCountedAsFree) {
    const QString group = QStringLiteral("/sys/fs/cgroup/tolvane/");
    const std::uint64_t limit = FreeForUsable(4 * copy); // three copies beside a turn's room
    const auto charged = [this] { return history.KeptPhotoBytes() + SpareImageBytes(); };
    SetMemoryFileReader([&](const QString& path) -> std::optional<QByteArray> {
        if (path == QStringLiteral("/proc/meminfo"))
            return "MemTotal: 25165824 kB\nMemAvailable: 8388608 kB\n";
        if (path == QStringLiteral("/proc/self/cgroup"))
            return "0::/tolvane\n";
        if (path == QStringLiteral("/sys/fs/cgroup/cgroup.controllers"))
            return "memory";
        if (path == group + "memory.max")
            return QByteArray::number(static_cast<qulonglong>(limit));
        if (path == group + "memory.current")
            return QByteArray::number(static_cast<qulonglong>(charged()));
        return std::nullopt;
    });
    // What a 48-megapixel photo opened before leaves behind.
    ReleaseSpareImage();
    { const QImage earlier = AllocateImage(8000, 6000, QImage::Format_RGB888); }
    ASSERT_GT(SpareImageBytes(), MemoryReserve + 2 * copy);
    for (int i = 0; i < 6; ++i) {
        Contrast();
        EXPECT_LE(charged(), limit) << "pass " << i + 1;
    }
    EXPECT_EQ(SpareImageBytes(), 0u);
    EXPECT_EQ(UndoAll(), 3);
    SetMemoryFileReader(nullptr);
}

TEST_F(KeptCopies, TheToneButtonsTipsSayWhenAPassCannotBeTakenBack) {
    const QString keys = QStringLiteral("元に戻す: Ctrl+Z　やり直す: Ctrl+Shift+Z / Ctrl+Y");
    const QString notKept = QStringLiteral("\nメモリが足りないため、この操作は元に戻せません");
    MemoryFor(1);
    EXPECT_EQ(ToolTipShown(form->BitBtn5), form->BitBtn5->toolTip() + QLatin1Char('\n') + keys);
    MemoryFor(0);
    EXPECT_EQ(ToolTipShown(form->BitBtn6), form->BitBtn6->toolTip() + notKept);
    // The window's own history keeps a copy, which the free memory then lacks.
    MemoryFor(1);
    form->BitBtn5Click();
    MemoryFor(0);
    EXPECT_EQ(ToolTipShown(form->BitBtn4),
              form->BitBtn4->toolTip() + QLatin1Char('\n') + keys +
                  QStringLiteral("\nメモリの都合で、いちばん古い手順は元に戻せなくなります"));
    EXPECT_EQ(ToolTipShown(form->BitBtn7), keys) << "a turn needs no copy, and has no hint";
    EXPECT_EQ(ToolTipShown(form->BitBtn3),
              form->BitBtn3->toolTip() + QStringLiteral(" (Ctrl+T)\n") + keys);
}

// The tone buttons' tips follow the budget of copies as well as the free
// memory: a copy the budget holds only without the oldest drops it, one
// larger than the budget is not kept.
TEST_F(KeptCopies, TheToneButtonsTipsFollowTheBudgetOfCopies) {
    const QString keys = QStringLiteral("元に戻す: Ctrl+Z　やり直す: Ctrl+Shift+Z / Ctrl+Y");
    QByteArray machine;
    SetMemoryFileReader([&](const QString& path) -> std::optional<QByteArray> {
        if (path == QStringLiteral("/proc/meminfo"))
            return machine;
        return std::nullopt;
    });
    // A quarter of 21 KiB holds one copy of 3600 bytes; of 7 KiB, none.
    machine = "MemTotal: 21 kB\nMemAvailable: 8388608 kB\n";
    EXPECT_EQ(ToolTipShown(form->BitBtn5), form->BitBtn5->toolTip() + QLatin1Char('\n') + keys);
    form->BitBtn5Click();
    EXPECT_EQ(ToolTipShown(form->BitBtn4),
              form->BitBtn4->toolTip() + QLatin1Char('\n') + keys +
                  QStringLiteral("\nメモリの都合で、いちばん古い手順は元に戻せなくなります"));
    machine = "MemTotal: 7 kB\nMemAvailable: 8388608 kB\n";
    EXPECT_EQ(ToolTipShown(form->BitBtn6),
              form->BitBtn6->toolTip() + QStringLiteral("\nメモリが足りないため、この操作は元に戻せません"));
    SetMemoryFileReader(nullptr);
}
