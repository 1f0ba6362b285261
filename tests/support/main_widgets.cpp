#include "TFont.h"
#include "TApplication.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_FONT_DPI", "96");
    TApplication app(argv[0]);
    app.SetTitle(QStringLiteral("Tolvane"));
    RegisterFontSubstitutes();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
