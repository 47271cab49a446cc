// Tests of the reference-counted strings: sharing and copy on write, writable
// buffers, clamping, growth, bounded formatting and the string table.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/WideString.h"

using brevitex::ByteString;
using brevitex::WideString;

TEST(WideStringTest, CopiesShareOneBlockUntilOneIsChanged) {
    WideString a(L"abc");
    WideString b = a;
    EXPECT_TRUE(b.SharesBufferWith(a));
    EXPECT_EQ(a.RefCount(), 2);
    ASSERT_TRUE(b.Append(L"d"));
    EXPECT_FALSE(b.SharesBufferWith(a));
    EXPECT_EQ(a, L"abc");
    EXPECT_EQ(b, L"abcd");
    EXPECT_EQ(a.RefCount(), 1);

    // Every empty string is the one shared block, never counted.
    WideString e1;
    WideString e2(L"");
    WideString e3 = a.Mid(3);
    EXPECT_TRUE(e1.SharesBufferWith(e2));
    EXPECT_TRUE(e1.SharesBufferWith(e3));
    EXPECT_EQ(e1.RefCount(), -1);
    EXPECT_STREQ(e3.c_str(), L"");
}

TEST(WideStringTest, WritableBufferIsCopiedWhenAssigned) {
    WideString s(L"hi");
    wchar_t* buffer = s.GetBuffer(10);
    ASSERT_NE(buffer, nullptr);
    EXPECT_GE(s.Capacity(), 10);
    WideString copy = s;
    WideString assigned;
    assigned = s;
    EXPECT_FALSE(copy.SharesBufferWith(s));
    EXPECT_FALSE(assigned.SharesBufferWith(s));
    wcscpy(buffer, L"hello");
    s.ReleaseBuffer();
    EXPECT_EQ(s, L"hello");
    EXPECT_EQ(s.Length(), 5);
    EXPECT_EQ(copy, L"hi");
    EXPECT_EQ(assigned, L"hi");
    // Released, the block is shared again.
    WideString later = s;
    EXPECT_TRUE(later.SharesBufferWith(s));
    EXPECT_EQ(s.RefCount(), 2);
}

TEST(WideStringTest, GetBufferOfSharedTextLeavesTheOtherCopyAlone) {
    WideString a(L"shared");
    WideString b = a;
    wchar_t* buffer = b.GetBuffer(0);
    ASSERT_NE(buffer, nullptr);
    buffer[0] = L'S';
    b.ReleaseBuffer(3);
    EXPECT_EQ(a, L"shared");
    EXPECT_EQ(b, L"Sha");
    // A length beyond the capacity is clamped; 0 gives the empty string.
    int capacity = b.Capacity();
    b.GetBuffer(0);
    b.ReleaseBuffer(capacity + 50);
    EXPECT_EQ(b.Length(), capacity);
    b.GetBuffer(4);
    b.ReleaseBuffer(0);
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(b.RefCount(), -1);
}

TEST(WideStringTest, SecondReleaseLeavesSharingCopiesAlone) {
    WideString s(L"abc");
    s.GetBuffer(8);
    s.ReleaseBuffer();
    WideString copy = s;
    s.ReleaseBuffer(1);
    EXPECT_EQ(copy, L"abc");
    EXPECT_EQ(s, L"a");
    EXPECT_EQ(copy.RefCount(), 1);
    EXPECT_EQ(s.RefCount(), 1);
}

TEST(WideStringTest, MidClampsStartAndCount) {
    WideString s(L"abcdef");
    EXPECT_EQ(s.Mid(2, 3), L"cde");
    EXPECT_EQ(s.Mid(-5, 2), L"ab");
    EXPECT_EQ(s.Mid(4), L"ef");
    EXPECT_EQ(s.Mid(4, 100), L"ef");
    EXPECT_EQ(s.Mid(10, 2), L"");
    EXPECT_EQ(s.Mid(1, -3), L"");
    EXPECT_EQ(s.Mid(0, INT32_MAX), L"abcdef");
    EXPECT_TRUE(s.Mid(0).SharesBufferWith(s));
}

TEST(WideStringTest, AppendGrowsExactlyAndMayAppendItself) {
    WideString s(L"ab");
    ASSERT_TRUE(s.Append(L"cd"));
    EXPECT_EQ(s.Capacity(), 4);
    ASSERT_TRUE(s.Append(s));
    EXPECT_EQ(s, L"abcdabcd");
    ASSERT_TRUE(s.Append(s.c_str() + 6, 2));
    EXPECT_EQ(s, L"abcdabcdcd");
    s += L"!";
    EXPECT_EQ(s.Length(), 11);
    // Embedded NULs are kept where a length is given.
    WideString n(L"x\0y", 3);
    EXPECT_EQ(n.Length(), 3);
    EXPECT_FALSE(n == WideString(L"x\0z", 3));
}

TEST(WideStringTest, FormatLimitsOutputToOnePage) {
    WideString s(L"keep");
    std::wstring fits(2047, L'f');
    ASSERT_TRUE(s.Format(L"%s", fits.c_str()));
    EXPECT_EQ(s.Length(), 2047);

    s = L"keep";
    std::wstring tooLong(2048, L't');
    EXPECT_FALSE(s.Format(L"%s", tooLong.c_str()));
    EXPECT_EQ(s, L"keep");
    EXPECT_FALSE(s.Format(L"%s%d", fits.c_str(), 12));
    EXPECT_EQ(s, L"keep");

    ASSERT_TRUE(s.Format(L"[%d, %d] %s", 3, 14, L"\u4E2D"));
    EXPECT_EQ(s, L"[3, 14] \u4E2D");
}

TEST(WideStringTest, LoadsFromTheStringTable) {
    WideString s;
    ASSERT_TRUE(s.Load(101));
    EXPECT_EQ(s, L"Brevitex");
    EXPECT_EQ(s.Length(), 8);
    EXPECT_FALSE(s.Load(64999));
    EXPECT_TRUE(s.IsEmpty());
    WideString f(L"keep");
    EXPECT_FALSE(f.FormatId(64999, 1));
    EXPECT_EQ(f, L"keep");
}

TEST(WideStringTest, CountsReferencesAcrossThreads) {
    WideString shared(L"threads");
    auto worker = [](void* param) WINAPI -> DWORD {
        const WideString& source = *static_cast<const WideString*>(param);
        for (int i = 0; i < 200000; ++i) {
            WideString copy = source;
            WideString again(copy);
        }
        return 0;
    };
    HANDLE threads[2];
    for (HANDLE& t : threads) {
        t = CreateThread(nullptr, 0, worker, &shared, 0, nullptr);
        ASSERT_NE(t, nullptr);
    }
    ASSERT_EQ(WaitForMultipleObjects(2, threads, TRUE, 60000), WAIT_OBJECT_0);
    for (HANDLE t : threads) CloseHandle(t);
    EXPECT_EQ(shared.RefCount(), 1);
    EXPECT_EQ(shared, L"threads");
}

TEST(ByteStringTest, HoldsBytesWithTheSameLayout) {
    ByteString b("\xEF\xBB\xBF", 3);
    EXPECT_EQ(b.Length(), 3);
    EXPECT_EQ(b.c_str()[3], '\0');
    ByteString c = b;
    EXPECT_TRUE(c.SharesBufferWith(b));
    ASSERT_TRUE(c.Append("x", 1));
    EXPECT_EQ(b.Length(), 3);
    EXPECT_EQ(std::string(c.c_str(), c.Length()), "\xEF\xBB\xBFx");
}
