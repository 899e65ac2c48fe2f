#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <vector>

#include "toolkit/headless.h"
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
        {L"012345,6", L"012345,6"},   {L"167772,15", L"167772,1"}, {L"100000,00", L"100000,0"},
        {L"12,3", L"12____,3"},       {L"1234567", L"123456,_"},   {L"", L"______,_"},
        {L"12345678,9", L"123456,9"}, {L",5", L"______,5"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mask.Fit(c.text), c.shown) << std::wstring(c.text).size();
    }
    EXPECT_EQ(mask.Output(L"__2345,6"), L"  2345,6");
    EXPECT_EQ(mask.FirstEmpty(L"01_345,6"), 2u);
    EXPECT_EQ(mask.FirstEmpty(L"012345,6"), std::wstring::npos);
}

}  // namespace

namespace {

// One editing step on the odometer field: the text with its selection before, the key, and the
// text, caret and outcome after. '|' marks the caret, [..] a selection.
struct EditCase {
    const wchar_t* before;
    enum Key { Type, Delete, Backspace, Paste } key;
    std::wstring_view input;  // the typed character or the pasted text
    const wchar_t* after;
    toolkit::EditMask::Outcome outcome;
};

toolkit::EditMask::State Parse(std::wstring_view marked) {
    toolkit::EditMask::State s;
    for (wchar_t ch : marked) {
        if (ch == L'|') {
            s.selStart = s.selEnd = s.shown.size();
        } else if (ch == L'[') {
            s.selStart = s.shown.size();
        } else if (ch == L']') {
            s.selEnd = s.shown.size();
        } else {
            s.shown.push_back(ch);
        }
    }
    return s;
}

std::wstring Mark(const toolkit::EditMask::State& s) {
    std::wstring out;
    for (std::size_t i = 0; i <= s.shown.size(); ++i) {
        if (s.selStart == s.selEnd && i == s.selStart) {
            out.push_back(L'|');
        } else if (s.selStart != s.selEnd && i == s.selStart) {
            out.push_back(L'[');
        } else if (s.selStart != s.selEnd && i == s.selEnd) {
            out.push_back(L']');
        }
        if (i < s.shown.size()) {
            out.push_back(s.shown[i]);
        }
    }
    return out;
}

TEST(EditMask, EditingKeepsTheMaskShape) {
    using O = toolkit::EditMask::Outcome;
    toolkit::EditMask mask(L"000000\\,0;1;_");
    const EditCase cases[] = {
        // Digits overwrite and the caret jumps the comma.
        {L"|000000,0", EditCase::Type, L"1", L"1|00000,0", O::Changed},
        {L"00000|0,0", EditCase::Type, L"7", L"000007,|0", O::Changed},
        {L"000000|,0", EditCase::Type, L"5", L"000000,5|", O::Changed},
        {L"000000,0|", EditCase::Type, L"5", L"000000,0|", O::Refused},
        // Anything but a digit is refused; the comma typed on or just past it only moves on.
        {L"|000000,0", EditCase::Type, L"a", L"|000000,0", O::Refused},
        {L"0|00000,0", EditCase::Type, L" ", L"0|00000,0", O::Refused},
        {L"0|00000,0", EditCase::Type, L"-", L"0|00000,0", O::Refused},
        {L"0|00000,0", EditCase::Type, L"\u0661", L"0|00000,0", O::Refused},  // Arabic one
        {L"000000|,0", EditCase::Type, L",", L"000000,|0", O::Unchanged},
        {L"000000,|0", EditCase::Type, L",", L"000000,|0", O::Unchanged},
        {L"00|0000,0", EditCase::Type, L",", L"00|0000,0", O::Refused},
        // A selection is blanked before the digit goes in.
        {L"[0000]00,0", EditCase::Type, L"9", L"9|___00,0", O::Changed},
        {L"[000000,0]", EditCase::Type, L"9", L"9|_____,_", O::Changed},
        // Delete and Backspace blank digit positions; the comma stays.
        {L"|000000,0", EditCase::Delete, L"", L"|_00000,0", O::Changed},
        {L"000000|,0", EditCase::Delete, L"", L"000000|,0", O::Unchanged},
        {L"|_00000,0", EditCase::Delete, L"", L"|_00000,0", O::Unchanged},
        {L"000000,|0", EditCase::Backspace, L"", L"00000|_,0", O::Changed},
        {L"0|00000,0", EditCase::Backspace, L"", L"|_00000,0", O::Changed},
        {L"|000000,0", EditCase::Backspace, L"", L"|000000,0", O::Unchanged},
        {L"0[00000,0]", EditCase::Backspace, L"", L"0|_____,_", O::Changed},
        {L"[000000,0]", EditCase::Delete, L"", L"|______,_", O::Changed},
        // Pasting types character by character; one refused character refuses it all.
        {L"|000000,0", EditCase::Paste, L"123456,7", L"123456,7|", O::Changed},
        {L"|000000,0", EditCase::Paste, L"12", L"12|0000,0", O::Changed},
        {L"|000000,0", EditCase::Paste, L"12a", L"|000000,0", O::Refused},
        {L"[000000,0]", EditCase::Paste, L"1234567", L"123456,7|", O::Changed},
        {L"0000|00,0", EditCase::Paste, L"12345", L"0000|00,0", O::Refused},
    };
    for (const EditCase& c : cases) {
        toolkit::EditMask::State s = Parse(c.before);
        toolkit::EditMask::Outcome got = O::Unchanged;
        switch (c.key) {
            case EditCase::Type:
                got = mask.Type(s, c.input[0]);
                break;
            case EditCase::Delete:
                got = mask.Delete(s);
                break;
            case EditCase::Backspace:
                got = mask.Backspace(s);
                break;
            case EditCase::Paste:
                got = mask.Paste(s, c.input);
                break;
        }
        EXPECT_EQ(Mark(s), c.after) << "from " << testing::PrintToString(std::wstring(c.before));
        EXPECT_EQ(got, c.outcome) << "from " << testing::PrintToString(std::wstring(c.before));
        EXPECT_EQ(s.shown.size(), mask.Length());
    }
}

// The start-up block with the headless application object: which steps ran, what was shown.
class Startup : public testing::Test {
  protected:
    void SetUp() override {
        app.Title = L"Lorvan_Setup";
        toolkit::Application = &app;
    }
    void TearDown() override { toolkit::Application = nullptr; }

    std::vector<toolkit::Handler> Steps(int failAt, std::function<void()> failure) {
        std::vector<toolkit::Handler> steps;
        for (int i = 1; i <= 5; ++i) {
            steps.push_back([this, i, failAt, failure] {
                if (i == failAt) {
                    failure();
                }
                ran.push_back(i);
            });
        }
        return steps;
    }

    toolkit::headless::HeadlessApp app;
    std::vector<int> ran;
};

TEST_F(Startup, RunsEveryStepInOrderAndShowsNothing) {
    EXPECT_EQ(toolkit::RunStartup(Steps(0, {})), 0);
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(app.boxes.empty());
}

TEST_F(Startup, AFailureStopsTheLaterStepsAndIsShownOnce) {
    struct Case {
        const char* what;
        std::function<void()> failure;
        std::wstring shown;
    } cases[] = {
        {"toolkit exception", [] { throw toolkit::Exception(L"Out of resources"); },
         L"Out of resources."},
        {"derived toolkit exception",
         [] { throw toolkit::EConvertError(L"''x'' is not a valid integer value"); },
         L"''x'' is not a valid integer value."},
        {"toolkit exception ending in a period", [] { throw toolkit::Exception(L"Done."); },
         L"Done."},
        {"standard exception", [] { throw std::runtime_error("disk"); }, L""},
        {"bad_alloc", [] { throw std::bad_alloc(); }, L""},
        {"an int", [] { throw 42; }, L""},
    };
    for (const Case& c : cases) {
        for (int failAt = 1; failAt <= 5; ++failAt) {
            ran.clear();
            app.boxes.clear();
            EXPECT_EQ(toolkit::RunStartup(Steps(failAt, c.failure)), 0) << c.what;
            std::vector<int> before;
            for (int i = 1; i < failAt; ++i) {
                before.push_back(i);
            }
            EXPECT_EQ(ran, before) << c.what << " at step " << failAt;
            ASSERT_EQ(app.boxes.size(), 1u) << c.what << " at step " << failAt;
            EXPECT_EQ(app.boxes[0].kind, toolkit::headless::Box::Error);
            EXPECT_EQ(app.boxes[0].text, c.shown) << c.what;
            EXPECT_EQ(app.boxes[0].caption, L"Lorvan_Setup");
        }
    }
}

}  // namespace
