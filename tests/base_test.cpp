#include "base/priority.h"
#include "base/strings.h"
#include "support.h"

#include <gtest/gtest.h>

TEST(FitText, CutsAtTheFieldsLengthButNeverInsideASurrogatePair) {
    const std::wstring a125(125, L'a'), smile = L"\xD83D\xDE00";  // one character, two UTF-16 units
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"Readme", L"Readme"},       {a125 + L"aa", a125 + L"aa"},       {a125 + L"aaa", a125 + L"aa"},
        {a125 + smile, a125 + smile}, {a125 + L"a" + smile, a125 + L"a"}, {a125 + smile + L"b", a125 + smile},
    };
    for (const auto& [text, fitted] : cases) EXPECT_EQ(FitText(text, 128), fitted) << text.size();
}

TEST(NormalPriority, LeavesEachScopeInTheClassItFound) {
    RestAtIdlePriority();
    auto launch = std::make_unique<NormalPriority>();
    { const NormalPriority clickDuringTheLaunch; }
    EXPECT_EQ(PriorityClass(), static_cast<DWORD>(NORMAL_PRIORITY_CLASS)) << "the launch goes on at normal";
    launch.reset();
    EXPECT_EQ(PriorityClass(), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
    LeaveIdlePriority();
}
