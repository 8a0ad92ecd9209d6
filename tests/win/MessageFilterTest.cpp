#include <gtest/gtest.h>
#include <windows.h>

#include <utility>
#include <vector>

#include "win/MessageFilter.h"

namespace {

std::vector<std::pair<UINT, DWORD>> g_calls;
UINT g_refused = 0;

BOOL WINAPI RecordingFilter(HWND, UINT message, DWORD action, void* extra) {
    EXPECT_EQ(extra, nullptr);
    g_calls.emplace_back(message, action);
    return message != g_refused;
}

}  // namespace

TEST(MessageFilter, EachMessageIsAllowedAndARefusalOrAMissingFunctionIsOnlyReported) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    g_calls.clear();
    g_refused = 0;
    EXPECT_TRUE(AllowMessagesFromLowerPrograms(window, {WM_DROPFILES, WM_COPYDATA, 0x0049},
                                               RecordingFilter));
    const std::vector<std::pair<UINT, DWORD>> allowed = {
        {WM_DROPFILES, 1u}, {WM_COPYDATA, 1u}, {0x0049u, 1u}};
    EXPECT_EQ(g_calls, allowed);

    // One refused: the rest are still let through, and the answer says not all were.
    g_calls.clear();
    g_refused = WM_COPYDATA;
    EXPECT_FALSE(AllowMessagesFromLowerPrograms(window, {WM_DROPFILES, WM_COPYDATA, 0x0049},
                                                RecordingFilter));
    EXPECT_EQ(g_calls.size(), 3u);

    // A registered message that could not be registered (0) is not passed on.
    g_calls.clear();
    EXPECT_TRUE(AllowMessagesFromLowerPrograms(window, {0u}, RecordingFilter));
    EXPECT_TRUE(g_calls.empty());

    // A Windows without the function: nothing happens, nothing breaks.
    EXPECT_FALSE(AllowMessagesFromLowerPrograms(window, {WM_DROPFILES}, nullptr));
    // And the system's own, where it has one.
    AllowDroppedFilesFromLowerPrograms(window);
    DestroyWindow(window);
}
