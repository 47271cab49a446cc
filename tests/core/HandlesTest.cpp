// The resource owners: each value is released exactly once, moves hand over
// ownership, and scoped selections give the device context back as it was.
#include <gtest/gtest.h>

#include <vector>

#include "common/Handles.h"

using namespace brevitex;

namespace {

std::vector<int> g_freed;

struct CountingTraits {
    static int Invalid() noexcept { return 0; }
    static void Free(int value) noexcept { g_freed.push_back(value); }
};
using Counted = UniqueHandle<int, CountingTraits>;

}  // namespace

TEST(HandlesTest, EachValueIsFreedOnceThroughMovesResetsAndRelease) {
    g_freed.clear();
    {
        Counted a(1);
        Counted b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(b.Get(), 1);
        Counted c(2);
        c = std::move(b);  // 2 is freed, 1 moves on
        EXPECT_EQ(g_freed, std::vector<int>{2});
        c.Reset(3);  // 1 is freed
        EXPECT_EQ(g_freed, (std::vector<int>{2, 1}));
        Counted d(4);
        EXPECT_EQ(d.Release(), 4);  // the caller owns 4 now
        *d.Put() = 5;
    }
    // 3 and 5 at the end of the scope; 4 never.
    EXPECT_EQ(g_freed, (std::vector<int>{2, 1, 5, 3}));
}

TEST(HandlesTest, SelectedObjectPutsThePreviousObjectBack) {
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    HGDIOBJ original = GetCurrentObject(dc.Get(), OBJ_FONT);
    UniqueFont font(CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
    ASSERT_TRUE(font);
    {
        SelectedObject selected(dc.Get(), font.Get());
        EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_FONT), font.Get());
    }
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_FONT), original);
}
