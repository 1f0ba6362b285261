#include "InputPanel.h"
#include "TPanel.h"

#include <gtest/gtest.h>

namespace {

struct SizingCase {
    int width, height; // of the photo
    int panelWidth, panelHeight;
};

const SizingCase kSizing[] = {
    {4000, 3000, 602, 452}, // 3000 x 0.15 = 450
    {3000, 4000, 452, 602},
    {1000, 1000, 602, 602}, // square counts as high: height first, then round(600) + 2
    {1200, 801, 602, 402},  // 400.5 rounds to the even 400
    {1600, 1203, 602, 453}, // 451.125
    {5, 1000, 5, 602},      // round(3) + 2
    {801, 1200, 402, 602},
    {1200, 803, 602, 404},  // 401.5 rounds up to the even 402
    {2400, 1602, 602, 402}, // 400.5
    {4800, 3612, 602, 454}, // 451.5
    // s = 0.15 held as a double lies just below 0.15, and 3010 x s formed in
    // extended precision is 451.49999999999998: 451. Exact arithmetic, or a
    // product rounded to double (451.5), would give 452.
    {4000, 3010, 602, 453},
    {3010, 4000, 453, 602},
    {1, 1, 602, 602},
    {2, 1, 602, 302},
    {1000, 1, 602, 3},      // round(0.6) = 1
    {1, 1000, 3, 602},
    {65500, 3, 602, 2},     // round(0.027...) = 0: the panel keeps its 2-pixel margin
    {1001, 1000, 602, 601}, // 599.4
};

} // namespace

TEST(InputPanel, LongSideSpans602AndTheShortSideFollowsPlusTwo) {
    TPanel panel;
    panel.setGeometry(168, 48, 600, 600);
    for (const SizingCase& c : kSizing) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        SizeInputPanel(panel, c.width, c.height);
        EXPECT_EQ(panel.width(), c.panelWidth);
        EXPECT_EQ(panel.height(), c.panelHeight);
        EXPECT_EQ(panel.pos(), QPoint(168, 48)) << "the panel does not move";
    }
}
