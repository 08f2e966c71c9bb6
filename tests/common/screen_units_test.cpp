#include <gtest/gtest.h>

#include <climits>

#include "screen_units.h"

using fwu::FontHeight;
using fwu::MulDiv;

TEST(DialogFont, MulDivRoundsLikeThePlatform) {
    const int32_t cases[][4] = {
        {12, 96, 72, 16}, {8, 96, 72, 11}, {9, 120, 72, 15}, {10, 144, 72, 20},
        {-12, 96, 72, -16}, {1, 1, 2, 1}, {-1, 1, 2, -1}, {5, 5, 0, -1}, {0x7FFFFFFF, 2, 1, -1},
    };
    for (auto& c : cases) EXPECT_EQ(MulDiv(c[0], c[1], c[2]), c[3]) << c[0] << "*" << c[1] << "/" << c[2];
    EXPECT_EQ(FontHeight(12, 96), -16);
    EXPECT_EQ(FontHeight(0, 96), 0);
}

TEST(DialogFont, MulDivSignsAndTheEdgesOf32Bits) {
    // A negative divisor turns the sign; halves go away from zero either way.
    EXPECT_EQ(MulDiv(7, 3, -2), -11);
    EXPECT_EQ(MulDiv(-7, 3, -2), 11);
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);
    EXPECT_EQ(MulDiv(3, -1, 2), -2);
    // The lowest 32-bit value fits; one beyond either end does not.
    EXPECT_EQ(MulDiv(INT32_MIN, 1, 1), INT32_MIN);
    EXPECT_EQ(MulDiv(INT32_MIN, -1, 1), -1);
    EXPECT_EQ(MulDiv(INT32_MAX, 1, 1), INT32_MAX);
    EXPECT_EQ(MulDiv(INT32_MIN, INT32_MIN, INT32_MIN), INT32_MIN);
    EXPECT_EQ(MulDiv(INT32_MIN, 1, -1), -1);
    EXPECT_EQ(MulDiv(INT32_MAX, INT32_MAX, INT32_MAX), INT32_MAX);
    EXPECT_EQ(MulDiv(0, 5, -3), 0);
}
