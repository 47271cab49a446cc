// Line-break detection and rewriting, without a control.
#include <gtest/gtest.h>

#include <string>

#include "document/LineBreaks.h"

using brevitex::DetectLineBreak;
using brevitex::LineBreak;
using brevitex::RewriteLineBreaks;
using brevitex::SurveyLineBreaks;
using brevitex::WideString;

namespace {

std::wstring Rewritten(const std::wstring& text, LineBreak style, bool dropSoft) {
    WideString string(text.data(), static_cast<int>(text.size()));
    EXPECT_TRUE(RewriteLineBreaks(string, style, dropSoft));
    return std::wstring(string.c_str(), string.Length());
}

LineBreak Detect(const std::wstring& text) { return DetectLineBreak(text.data(), static_cast<int>(text.size())); }

}  // namespace

TEST(LineBreaksTest, TheMostFrequentBreakDecidesTheStyleTiesTheFirst) {
    EXPECT_EQ(Detect(L"a\r\nb\nc"), LineBreak::CrLf);
    EXPECT_EQ(Detect(L"a\nb\r\nc"), LineBreak::Lf);
    EXPECT_EQ(Detect(L"a\rb\r\n"), LineBreak::Cr);
    EXPECT_EQ(Detect(L"a\nb\r\nc\r\n"), LineBreak::CrLf) << "not the first break's";
    EXPECT_EQ(Detect(L"a\r\r\nb\r\r\n"), LineBreak::CrCrLf);
    EXPECT_EQ(Detect(L"a\r\r\r\n"), LineBreak::Cr) << "a lone CR, then CR CR LF";
    EXPECT_FALSE(SurveyLineBreaks(L"a\r\r\nb\r\r\n", 8).mixed);
    EXPECT_FALSE(SurveyLineBreaks(L"a\nb\n", 4).mixed);
    EXPECT_TRUE(SurveyLineBreaks(L"a\r\r\nb\r\n", 7).mixed);
    EXPECT_TRUE(SurveyLineBreaks(L"a\nb\r", 4).mixed);
    EXPECT_EQ(Detect(L"ends with cr\r"), LineBreak::Cr);
    EXPECT_EQ(Detect(L"no break"), LineBreak::CrLf);
    EXPECT_EQ(Detect(L""), LineBreak::CrLf);
}

TEST(LineBreaksTest, EveryBreakBecomesOneOfTheStyle) {
    // A file's CR CR LF is one break.
    const std::wstring mixed = L"a\r\nb\nc\rd\r\r\ne\n\r";
    EXPECT_EQ(Rewritten(mixed, LineBreak::Cr, false), L"a\rb\rc\rd\re\r\r");
    EXPECT_EQ(Rewritten(mixed, LineBreak::Lf, false), L"a\nb\nc\nd\ne\n\n");
    EXPECT_EQ(Rewritten(mixed, LineBreak::CrLf, false), L"a\r\nb\r\nc\r\nd\r\ne\r\n\r\n");
    EXPECT_EQ(Rewritten(L"a\rb\r", LineBreak::CrCrLf, true), L"a\r\r\nb\r\r\n");
}

TEST(LineBreaksTest, SoftBreaksAreDroppedOnlyWhenAsked) {
    EXPECT_EQ(Rewritten(L"wrapped \r\r\nline\r\nnext", LineBreak::Lf, true), L"wrapped line\nnext");
    EXPECT_EQ(Rewritten(L"wrapped \r\r\nline", LineBreak::Lf, false), L"wrapped \nline");
}

TEST(LineBreaksTest, OtherUnitsPassUnchanged) {
    const std::wstring text(L"x\0y\x0b\x2028\xd800z\r\n", 8);
    EXPECT_EQ(Rewritten(text, LineBreak::Lf, false), std::wstring(L"x\0y\x0b\x2028\xd800z\n", 8));
}

TEST(LineBreaksTest, TextAlreadyInStyleKeepsItsBuffer) {
    WideString text(L"one\r\ntwo\r\n");
    WideString shared = text;
    ASSERT_TRUE(RewriteLineBreaks(text, LineBreak::CrLf, true));
    EXPECT_TRUE(text.SharesBufferWith(shared));
    ASSERT_TRUE(RewriteLineBreaks(text, LineBreak::Lf, false));
    EXPECT_STREQ(text.c_str(), L"one\ntwo\n");
    EXPECT_STREQ(shared.c_str(), L"one\r\ntwo\r\n");
}
