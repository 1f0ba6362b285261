#pragma once
#include "CompositionState.h"
#include "FormFixture.h"
#include "JpegFixtures.h"
#include "TApplication.h"
#include "TBitmap.h"
#include "TFileDialog.h"
#include "TSelShape.h"
#include "TestFileBytes.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTest>

inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << "(" << r.x() << ", " << r.y() << ", " << r.width() << " x " << r.height() << ")";
}
inline void PrintTo(const QSize& s, std::ostream* os) {
    *os << s.width() << " x " << s.height();
}
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

// The main window, active, with the file dialogs and the error report
// answered by the test.
class DesktopWindow : public FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        TApplication::SetErrorReporter(
            [this](const QString&, const QString& text) { reports.append(text); });
        TFileDialog::SetAnswerer([this](const TFileDialog& dialog) -> std::optional<QString> {
            dialogs.append(dialog.DialogKind());
            return answer;
        });
    }
    void TearDown() override {
        TFileDialog::SetAnswerer(nullptr);
        TApplication::SetErrorReporter(nullptr);
        FormFixture::TearDown();
    }

    // A colour photo of the test pattern in the fixture's folder.
    QString WritePhoto(int width, int height, const QString& name) {
        const QString path = dir.File(name);
        WriteFileBytes(path, MakeJpeg(JpegTestPattern(width, height)));
        return path;
    }

    QSize PhotoSize() const {
        return {Composition.WorkBitmap->Width(), Composition.WorkBitmap->Height()};
    }
    bool InputViewShown() const {
        return form->Panel2->isVisible() && !form->Panel1->isVisible() &&
               Composition.ViewRequest == 0;
    }
    bool OutputViewShown() const {
        return form->Panel1->isVisible() && !form->Panel2->isVisible() &&
               Composition.ViewRequest == 1;
    }
    QRect Frame() const { return form->SelShape1->geometry(); }
    static QByteArray FolderOf(const QString& path) {
        return QFile::encodeName(QFileInfo(path).absolutePath() + QLatin1Char('/'));
    }

    std::optional<QString> answer; // what the file dialogs answer; nothing cancels
    QList<TFileDialog::Kind> dialogs;
    QStringList reports;
};
