#include "Exceptions.h"
#include "TApplication.h"

#include <gtest/gtest.h>

TEST(ErrorReport, AppendsAFullStopAfterCharactersThatSortAfterItUnlessAJapaneseStopEndsIt) {
    struct Case {
        const char* message;
        const char* shown;
    };
    const Case cases[] = {
        {"JPEG エラー #42", "JPEG エラー #42."},
        {"Disk full", "Disk full."},
        {"already ends.", "already ends."},
        {"ends in a bracket)", "ends in a bracket)"},
        {"ends in a comma,", "ends in a comma,"},
        {"ends in a hyphen-", "ends in a hyphen-"},
        {"ends in a slash/", "ends in a slash/."},
        {"ディスクの空き容量が足りません。", "ディスクの空き容量が足りません。"},
        {"全角のピリオド．", "全角のピリオド．"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TApplication::ErrorText(QString::fromUtf8(c.message)), QString::fromUtf8(c.shown))
            << c.message;
}

TEST(ErrorReport, AFailureEscapingAHandlerIsShownAndTheProgramGoesOn) {
    QStringList titles, texts;
    TApplication::SetErrorReporter([&](const QString& title, const QString& text) {
        titles.append(title);
        texts.append(text);
    });
    bool after = false;
    TApplication::Guard([] { throw EFOpenError("/tmp/x.jpg"); });
    TApplication::Guard([] { throw EAbort(); }); // an abort stops silently
    TApplication::Guard([&] { after = true; });
    TApplication::SetErrorReporter(nullptr);

    ASSERT_EQ(texts.size(), 1);
    EXPECT_EQ(titles[0], QStringLiteral("Tolvane"));
    EXPECT_EQ(texts[0], QStringLiteral("ファイル /tmp/x.jpg は開けません."));
    EXPECT_TRUE(after);
}
