#include <gtest/gtest.h>

#include "toolkit/mask.h"
#include "toolkit/toolkit.h"

namespace {

TEST(ErrorDisplay, AppendsPeriodOnlyAfterCharactersAboveIt) {
    struct Case {
        std::wstring_view message, shown;
    } cases[] = {
        {L"", L""},
        {L"abc", L"abc."},
        {L"abc.", L"abc."},
        {L"abc-", L"abc-"},  // '-' is below '.'
        {L"abc!", L"abc!"},
        {L"abc/", L"abc/."},  // '/' is just above '.'
        {L"''12a'' is not a valid integer value", L"''12a'' is not a valid integer value."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toolkit::ErrorDisplayText(c.message), c.shown);
    }
}

TEST(EditMask, FitsTextsThatTheProgramSets) {
    toolkit::EditMask mask(L"000000\\,0;1;_");
    struct Case {
        std::wstring_view text, shown;
    } cases[] = {
        {L"012345,6", L"012345,6"},
        {L"167772,15", L"167772,1"},
        {L"100000,00", L"100000,0"},
        {L"12,3", L"12____,3"},
        {L"1234567", L"123456,_"},
        {L"", L"______,_"},
        {L"12345678,9", L"123456,9"},
        {L",5", L"______,5"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mask.Fit(c.text), c.shown) << std::wstring(c.text).size();
    }
    EXPECT_EQ(mask.Output(L"__2345,6"), L"  2345,6");
    EXPECT_EQ(mask.FirstEmpty(L"01_345,6"), 2u);
    EXPECT_EQ(mask.FirstEmpty(L"012345,6"), std::wstring::npos);
}

}  // namespace
