#include "CompositionState.h"
#include "DocumentOpener.h"
#include "FormFixture.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTest>

namespace {

enum View { Input, Output };

struct ClickCase {
    const char* name;
    std::vector<const char*> clicks; // object names of the click areas, in order
    View expected;
};

const ClickCase kClickCases[] = {
    {"start", {}, Input},
    {"output tab", {"outputimg"}, Output},
    {"output then input tab", {"outputimg", "inputimg"}, Input},
    {"input tab keeps input", {"inputimg"}, Input},
    {"input tab then switch", {"inputimg", "Image8"}, Output},
    {"switch once", {"Image8"}, Output},
    {"switch twice returns", {"Image8", "Image8"}, Input},
    {"output tab twice stays", {"outputimg", "outputimg"}, Output},
    {"switch from output", {"outputimg", "Image8"}, Input},
};

View Shown(TForm1& form) {
    const bool input = form.Panel2->isVisible() && form.Image2->isVisible() &&
                       form.Image5->isVisible();
    const bool output = form.Panel1->isVisible() && form.Image1->isVisible() &&
                        form.Image6->isVisible();
    EXPECT_NE(input, output) << "exactly one view is shown";
    return input ? Input : Output;
}

} // namespace

using Views = FormFixture;

TEST_F(Views, ClickSequencesShowTheirView) {
    for (const ClickCase& c : kClickCases) {
        SCOPED_TRACE(c.name);
        form->inputimgClick(); // back to the start view
        for (const char* name : c.clicks) {
            auto* area = form->findChild<TImage*>(QString::fromLatin1(name));
            ASSERT_NE(area, nullptr);
            QTest::mouseClick(area, Qt::LeftButton);
        }
        const View view = Shown(*form);
        EXPECT_EQ(view, c.expected);
        // The request always holds the opposite of what is shown.
        EXPECT_EQ(Composition.ViewRequest, view == Input ? 0 : 1);
    }
}

TEST_F(Views, ARightClickIsNoClick) {
    QTest::mouseClick(form->outputimg, Qt::RightButton);
    EXPECT_EQ(Shown(*form), Input);
}

TEST_F(Views, HelpOpensThePageBesideTheExecutable) {
    QStringList opened;
    SetDocumentOpener([&](const QString& file) { opened.append(file); });
    QTest::mouseClick(form->Image10, Qt::LeftButton);
    SetDocumentOpener(nullptr);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QCoreApplication::applicationDirPath() + QStringLiteral("/help/frame.htm"));

    // The build places the page beside the program itself.
    const QString bin = qEnvironmentVariable("TOLVANE_BIN_DIR");
    ASSERT_FALSE(bin.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(bin + QStringLiteral("/help/frame.htm")));
}
