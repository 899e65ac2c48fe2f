#include <gtest/gtest.h>

#include "toolkit/toolkit.h"

TEST(WineSmoke, ErrorDisplayRuleHoldsInTheCrossBuild) {
    EXPECT_EQ(toolkit::ErrorDisplayText(L"x"), L"x.");
}
