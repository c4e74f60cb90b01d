#include "base/error.h"
#include "base/priority.h"
#include "base/text.h"
#include "support.h"

#include <gtest/gtest.h>

TEST(FitText, CutsAtTheFieldsLengthButNeverInsideASurrogatePair) {
    const std::wstring emoji = L"\xD83D\xDE00";  // one character, two UTF-16 units
    const struct {
        std::wstring text;
        size_t capacity;
        std::wstring fitted;
    } cases[] = {
        {L"Readme", 128, L"Readme"},
        {std::wstring(127, L'a'), 128, std::wstring(127, L'a')},
        {std::wstring(128, L'a'), 128, std::wstring(127, L'a')},
        {std::wstring(125, L'a') + emoji, 128, std::wstring(125, L'a') + emoji},
        {std::wstring(126, L'a') + emoji, 128, std::wstring(126, L'a')},
        {std::wstring(125, L'a') + emoji + L"b", 128, std::wstring(125, L'a') + emoji},
    };
    for (const auto& c : cases) EXPECT_EQ(FitText(c.text, c.capacity), c.fitted) << c.text.size();
}

TEST(NormalPriority, LeavesEachScopeInTheClassItFound) {
    RestAtIdlePriority();
    {
        const NormalPriority outer;
        {
            const NormalPriority inner;  // a click handled inside a launch's nested loop
            EXPECT_EQ(PriorityClass(), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
        }
        EXPECT_EQ(PriorityClass(), static_cast<DWORD>(NORMAL_PRIORITY_CLASS)) << "the launch goes on at normal";
    }
    EXPECT_EQ(PriorityClass(), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
    LeaveIdlePriority();
}

TEST(ErrorText, ShowsHResultsInHexAndEverythingElseInDecimal) {
    EXPECT_EQ(ErrorText(Error::Program(51, L"SET_ElementsPath == \"\"")), L"Ошибка 51: SET_ElementsPath == \"\"");
    EXPECT_EQ(ErrorText(Error::FromHResult(E_ACCESSDENIED)).substr(0, 18), L"Ошибка 0x80070005:");
    EXPECT_EQ(ErrorText(Error::FromWin32(ERROR_ACCESS_DENIED)).substr(0, 9), L"Ошибка 5:");
}
