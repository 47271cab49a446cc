#include <gtest/gtest.h>

#include "common/WideString.h"

using brevitex::WideString;

TEST(WideStringTest, FormatWideString) {
    WideString s;
    ASSERT_TRUE(s.Format(L"%s-%d", L"ab", 7));
    EXPECT_STREQ(s.c_str(), L"ab-7");
}
