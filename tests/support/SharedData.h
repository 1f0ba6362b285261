#pragma once
#include <QString>

// The folder of real JPEG files beside the checkout, or an empty string when a
// fresh clone has none (tests then skip with a message).
QString SharedJpegDir();
// Path of one corpus file; empty when the corpus is absent.
QString SharedJpeg(const QString& name);

#define REQUIRE_SHARED_JPEG(path)                                                            \
    do {                                                                                     \
        if ((path).isEmpty())                                                                \
            GTEST_SKIP() << "../shared/testdata/jpeg is not beside this checkout";          \
    } while (0)
