#include "CellTable.h"
#include "CompositionState.h"
#include "FormFixture.h"
#include "JpegFixtures.h"
#include "TApplication.h"
#include "TBitmap.h"
#include "TFileDialog.h"
#include "TestFileBytes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <optional>
#include <string>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
constexpr int DefaultRounds = 20; // about 1.5 s a round here
#else
constexpr bool Sanitized = false;
constexpr int DefaultRounds = 200; // under half a second a round
#endif

int Rounds() {
    bool ok = false;
    const int rounds = qEnvironmentVariableIntValue("TOLVANE_LONG_ROUNDS", &ok);
    return ok && rounds > 0 ? rounds : DefaultRounds;
}

// Resident memory in KiB after handing freed memory back to the system.
long ResidentKiB() {
    malloc_trim(0);
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

int OpenDescriptors() {
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size());
}

} // namespace

class LongRun : public FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        TApplication::SetErrorReporter([this](const QString&, const QString& text) { reports.append(text); });
        TFileDialog::SetAnswerer([this](const TFileDialog& dialog) {
            return std::optional<QString>(dialog.DialogKind() == TFileDialog::Kind::Open ? photo : saved);
        });
    }
    void TearDown() override {
        TFileDialog::SetAnswerer(nullptr);
        TApplication::SetErrorReporter(nullptr);
        FormFixture::TearDown();
    }

    void Click(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton); }

    // Open, turn, one tone pass, a trimming into every cell of every layout,
    // save.
    void Round(int round) {
        Click(form->BitBtn2);
        ASSERT_EQ(Composition.WorkBitmap->Width(), 4000);
        Click(form->BitBtn7);
        ASSERT_EQ(Composition.WorkBitmap->Width(), 3000);
        QPushButton* tones[] = {form->BitBtn5, form->BitBtn4, form->BitBtn6};
        Click(tones[round % 3]);
        int trims = 0;
        for (int layout = 0; layout < LayoutCount; ++layout) {
            Click(form->SpeedButton1);
            const auto cells = LayoutCells(Composition.LayoutKind);
            for (size_t cell = 0; cell < cells.size(); ++cell) {
                if (cell > 0)
                    Click(form->SpeedButton2);
                Click(form->BitBtn3);
                ++trims;
            }
        }
        ASSERT_EQ(trims, 18);
        QFile::remove(saved);
        Click(form->BitBtn1);
        ASSERT_TRUE(QFileInfo(saved).size() > 0);
        ASSERT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
    }

    QString photo;
    QString saved;
    QStringList reports;
};

// Many rounds on a 12-megapixel photo leave the memory and the open files
// where the first round left them.
TEST_F(LongRun, RoundsOnATwelveMegapixelPhotoKeepMemoryAndFilesSteady) {
    photo = dir.File(QStringLiteral("photo.jpg"));
    saved = dir.File(QStringLiteral("out.jpg"));
    WriteFileBytes(photo, MakeJpeg(JpegTestPattern(4000, 3000)));
    const int rounds = Rounds();

    QElapsedTimer timer;
    timer.start();
    Round(0);
    if (HasFatalFailure())
        return;
    const qint64 firstMs = timer.elapsed();
    // Counted after the first round, as the memory is: the toolkit opens some
    // descriptors of its own on first use (a tool tip's font, the clipboard).
    const int descriptors = OpenDescriptors();
    // The steps that can be taken back fill their bounded history in the
    // first rounds (18 trimmings a round); memory is judged from then on.
    const int filling = std::min(rounds, 3);
    for (int round = 1; round < filling && !HasFatalFailure(); ++round)
        Round(round);
    const long first = ResidentKiB();
    long peak = first;
    for (int round = filling; round < rounds && !HasFatalFailure(); ++round) {
        Round(round);
        peak = std::max(peak, ResidentKiB());
    }
    const long last = ResidentKiB();
    std::printf("[  FIGURES ] %d rounds in %.1f s (first %.2f s); resident after the filling rounds %ld KiB, "
                "after the last %ld KiB (%+ld KiB), highest %ld KiB; descriptors %d before, %d after\n",
                rounds, static_cast<double>(timer.elapsed()) / 1000, static_cast<double>(firstMs) / 1000, first,
                last, last - first, peak, descriptors, OpenDescriptors());

    EXPECT_EQ(OpenDescriptors(), descriptors);
    if (Sanitized) {
        std::printf("[  NOTE    ] memory not judged: the address sanitizer keeps freed memory in quarantine\n");
        return;
    }
    EXPECT_LT(last - first, 5 * 1024) << "resident memory grew";
}
