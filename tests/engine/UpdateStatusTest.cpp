#include "engine/UpdateStatus.h"

#include "tests/support/AllocationCounter.h"
#include "tests/support/StatusWindow.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>

TEST(PostStatus, TextAndPercentReachTheWindowWhichFreesTheCopy)
{
    StatusWindow window;
    g_hUpdateWnd = window.Handle();
    const long before = LiveArrayAllocations();
    char text[] = "正在初始化更新...";
    PostStatus(text, -1);
    // The copy is taken at the call: changing the caller's text afterwards
    // does not change what arrives.
    text[0] = 'X';
    PostStatus("正在更新: 100%", 100);
    EXPECT_EQ(LiveArrayAllocations(), before + 2);
    window.Pump();
    EXPECT_EQ(LiveArrayAllocations(), before);
    ASSERT_EQ(window.Received().size(), 2u);
    EXPECT_EQ(window.Received()[0].text, "正在初始化更新...");
    EXPECT_EQ(window.Received()[0].percent, -1);
    EXPECT_EQ(window.Received()[1].text, "正在更新: 100%");
    EXPECT_EQ(window.Received()[1].percent, 100);
    g_hUpdateWnd = nullptr;
}

TEST(PostStatus, NullTextPostsNothing)
{
    StatusWindow window;
    g_hUpdateWnd = window.Handle();
    const long before = LiveArrayAllocations();
    PostStatus(nullptr, 50);
    EXPECT_EQ(LiveArrayAllocations(), before);
    window.Pump();
    EXPECT_TRUE(window.Received().empty());
    g_hUpdateWnd = nullptr;
}

TEST(PostStatus, WithoutWindowNothingIsPostedOrKept)
{
    g_hUpdateWnd = nullptr;
    const long before = LiveArrayAllocations();
    PostStatus("lost", 1);
    EXPECT_EQ(LiveArrayAllocations(), before);
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_UPDATE_STATUS, WM_UPDATE_STATUS, PM_REMOVE));
}

TEST(PostStatus, WindowThatIsGoneLeavesNoCopyBehind)
{
    HWND gone;
    {
        StatusWindow window;
        gone = window.Handle();
    }
    g_hUpdateWnd = gone;
    const long before = LiveArrayAllocations();
    PostStatus("to nobody", 5);
    EXPECT_EQ(LiveArrayAllocations(), before);
    g_hUpdateWnd = nullptr;
}

TEST(PostStatus, TextsFromAnotherThreadArriveInOrder)
{
    StatusWindow window;
    g_hUpdateWnd = window.Handle();
    const long before = LiveArrayAllocations();
    std::thread worker([] {
        char text[32];
        for (int i = 1; i <= 50; ++i) {
            snprintf(text, sizeof(text), "step %d", i);
            PostStatus(text, i);
        }
    });
    worker.join();
    window.Pump();
    EXPECT_EQ(LiveArrayAllocations(), before);
    ASSERT_EQ(window.Received().size(), 50u);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(window.Received()[i].text, "step " + std::to_string(i + 1));
        EXPECT_EQ(window.Received()[i].percent, i + 1);
    }
    g_hUpdateWnd = nullptr;
}
