// Tests of the text codec: the strict UTF-8 routines, detection on load, the
// encodings on save, round trips and randomized safety properties.
#include <gtest/gtest.h>
#include <windows.h>

#include <random>
#include <string>
#include <vector>

#include "document/TextCodec.h"

using brevitex::ByteString;
using brevitex::DecodeText;
using brevitex::EncodeText;
using brevitex::EncodingDisplayName;
using brevitex::TextEncoding;
using brevitex::Utf16ToUtf8;
using brevitex::Utf8ToUtf16;
using brevitex::WideString;

namespace {

const unsigned char* U8(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

int Decode8(const std::string& bytes) { return Utf8ToUtf16(U8(bytes), bytes.size(), nullptr, 0); }

std::wstring Decode8Text(const std::string& bytes) {
    std::vector<wchar_t> out(bytes.size() * 2 + 1);
    int n = Utf8ToUtf16(U8(bytes), bytes.size(), out.data(), static_cast<int>(out.size()));
    return n < 0 ? L"<malformed>" : std::wstring(out.data(), n);
}

struct Decoded {
    bool ok;
    std::wstring text;
    TextEncoding encoding;
    bool hasBom;
};

// The ANSI code page the codec is given unless a test names another: a
// Chinese device's, whatever the code page of the process running the tests.
constexpr UINT kGbk = 936;

Decoded DecodeBytes(const std::string& bytes, TextEncoding requested, UINT ansiCodePage = kGbk) {
    WideString text;
    TextEncoding encoding = requested;
    bool hasBom = false;
    bool ok = DecodeText(U8(bytes), bytes.size(), ansiCodePage, text, encoding, hasBom);
    return {ok, std::wstring(text.c_str(), text.Length()), encoding, hasBom};
}

struct Encoded {
    bool ok;
    std::string bom;
    std::string body;
    TextEncoding encoding;
    bool writeBom;
};

Encoded EncodeWide(const std::wstring& text, TextEncoding encoding, bool writeBom, UINT ansiCodePage = kGbk) {
    WideString source(text.data(), static_cast<int>(text.size()));
    ByteString bom;
    ByteString body;
    bool ok = EncodeText(source, ansiCodePage, encoding, writeBom, bom, body);
    return {ok, std::string(bom.c_str(), bom.Length()), std::string(body.c_str(), body.Length()), encoding, writeBom};
}

std::string Utf16Bytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

// Reference UTF-8 form of one code point.
void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// GBK bytes of "中文测试" (a device whose ANSI code page is 936).
const std::string kGbkChinese = "\xD6\xD0\xCE\xC4\xB2\xE2\xCA\xD4";
const std::string kUtf8Chinese = "\xE4\xB8\xAD\xE6\x96\x87\xE6\xB5\x8B\xE8\xAF\x95";
const std::wstring kChinese = L"\u4E2D\u6587\u6D4B\u8BD5";

}  // namespace

TEST(EncodingDisplayNameTest, NamesTheAnsiCodePageItIsGiven) {
    EXPECT_STREQ(EncodingDisplayName(TextEncoding::AutoDetect, kGbk), L"GBK");
    EXPECT_STREQ(EncodingDisplayName(TextEncoding::Ansi, kGbk), L"GBK");
    EXPECT_STREQ(EncodingDisplayName(TextEncoding::Ansi, 950), L"Big5");
    EXPECT_STREQ(EncodingDisplayName(TextEncoding::Ansi, 1252), L"ANSI");
    EXPECT_STREQ(EncodingDisplayName(TextEncoding::Utf8, kGbk), L"UTF-8");
    EXPECT_STREQ(EncodingDisplayName(TextEncoding::Utf16, kGbk), L"UTF-16");
    EXPECT_STREQ(EncodingDisplayName(brevitex::CodePageEncoding(950), 1252), L"Big5");
    EXPECT_STREQ(EncodingDisplayName(brevitex::CodePageEncoding(936), 1252), L"GBK");
    EXPECT_STREQ(EncodingDisplayName(brevitex::CodePageEncoding(1252), kGbk), L"ANSI");
    // CP_ACP stands for the system's own code page.
    EXPECT_STREQ(EncodingDisplayName(TextEncoding::Ansi, CP_ACP), EncodingDisplayName(TextEncoding::Ansi, GetACP()));
}

TEST(Utf8ToUtf16Test, RejectsEveryMalformedForm) {
    const char* rejected[] = {
        "\xC0\x80", "\xC1\xBF",                  // over-long two-byte forms
        "\xE0\x80\x80", "\xE0\x9F\xBF",          // over-long three-byte forms
        "\xF0\x80\x80\x80", "\xF0\x8F\xBF\xBF",  // over-long four-byte forms
        "\xED\xA0\x80", "\xED\xBF\xBF",          // UTF-16 surrogates
        "\xF4\x90\x80\x80", "\xF7\xBF\xBF\xBF",  // above U+10FFFF
        "\xF5\x80\x80\x80", "\xF8\x88\x80\x80\x80", "\xFC\x84\x80\x80\x80\x80", "\xFE", "\xFF",
        "\x80", "\xBF", "a\x80", "\xC3\x28", "\xE4\xB8\x41", "\xF0\x9F\x98\x41",  // bad continuation
        "\xE4\x41",                                                            // bad byte in a cut-off tail
        "\xC0",                                                                // a lead that never starts a form
    };
    for (const char* bytes : rejected) {
        EXPECT_EQ(Decode8(bytes), -1) << "input of " << strlen(bytes) << " bytes starting 0x" << std::hex
                                      << (static_cast<unsigned char>(bytes[0]) | 0);
    }
    // Malformed bytes after a long ASCII run are still caught.
    EXPECT_EQ(Decode8(std::string(40, 'x') + "\xC0\x80" + std::string(40, 'y')), -1);
}

TEST(Utf8ToUtf16Test, DecodesBoundariesAndDropsCutOffTail) {
    EXPECT_EQ(Decode8Text("\xC2\x80\xDF\xBF"), L"\u0080\u07FF");
    EXPECT_EQ(Decode8Text("\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF\xEF\xBF\xBE"),
              L"\u0800\uD7FF\uE000\uFFFF\uFFFE");
    EXPECT_EQ(Decode8Text("\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"), L"\xD800\xDC00\xDBFF\xDFFF");
    EXPECT_EQ(Decode8Text("\xEF\xBB\xBF"), L"\uFEFF");
    EXPECT_EQ(Decode8Text(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
    // A sequence cut off by the end of the input is dropped and is no error.
    EXPECT_EQ(Decode8Text("ab\xE4\xB8"), L"ab");
    EXPECT_EQ(Decode8Text("ab\xF0\x9F\x98"), L"ab");
    EXPECT_EQ(Decode8Text("\xC3"), L"");
}

TEST(Utf8ToUtf16Test, HonoursCapacityWithoutWritingPastIt) {
    const std::string input = "ab\xE4\xB8\xAD\xF0\x9F\x98\x80z";  // a b 中 U+1F600 z
    struct Case {
        int capacity;
        int expected;
    } cases[] = {
        {0, 0}, {1, 1}, {2, 2},
        {3, 2},  // 中 needs produced + 1 below the capacity
        {4, 3},
        {5, 3},  // the pair needs produced + 2 below the capacity
        {6, 6},  // a single byte may use the last unit
        {100, 6},
    };
    for (const Case& c : cases) {
        std::vector<wchar_t> out(static_cast<size_t>(c.capacity) + 4, 0x5A5A);
        int n = Utf8ToUtf16(U8(input), input.size(), out.data(), c.capacity);
        EXPECT_EQ(n, c.expected) << "capacity " << c.capacity;
        for (size_t i = static_cast<size_t>(c.capacity); i < out.size(); ++i) {
            EXPECT_EQ(out[i], 0x5A5A) << "capacity " << c.capacity << " unit " << i;
        }
    }
    // The ASCII fast path keeps to the capacity as well.
    std::string ascii(100, 'q');
    std::vector<wchar_t> out(64, 0x5A5A);
    EXPECT_EQ(Utf8ToUtf16(U8(ascii), ascii.size(), out.data(), 37), 37);
    EXPECT_EQ(out[37], 0x5A5A);
}

TEST(Utf16ToUtf8Test, EncodesAndRejectsUnpairedSurrogates) {
    auto encode = [](const std::wstring& text, int capacity) {
        std::string out(static_cast<size_t>(capacity) + 4, '\x5A');
        int n = Utf16ToUtf8(text.data(), text.size(), reinterpret_cast<unsigned char*>(out.data()), capacity);
        EXPECT_EQ(out.substr(static_cast<size_t>(capacity)), "\x5A\x5A\x5A\x5A");
        return n < 0 ? std::string("<malformed>") : out.substr(0, static_cast<size_t>(n));
    };
    EXPECT_EQ(encode(L"a\u00E9\u4E2D\xD83D\xDE00", 100), "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
    EXPECT_EQ(encode(L"a\xDC00", 100), "<malformed>");
    EXPECT_EQ(encode(L"a\xD800" L"b", 100), "<malformed>");
    EXPECT_EQ(encode(L"a\xD800\xD800", 100), "<malformed>");
    EXPECT_EQ(encode(L"ab\xD800", 100), "ab");  // a high surrogate at the end is dropped
    // A character that does not fit whole is not started.
    EXPECT_EQ(encode(L"a\u4E2D", 3), "a");
    EXPECT_EQ(encode(L"a\xD83D\xDE00", 4), "a");
    EXPECT_EQ(encode(std::wstring(30, L'k'), 19), std::string(19, 'k'));
    EXPECT_EQ(Utf16ToUtf8(L"\u4E2D\xD83D\xDE00", 3, nullptr, 0), 7);
}

TEST(DecodeTextTest, DetectsByteOrderMarksAndUtf8) {
    struct Case {
        const char* name;
        std::string bytes;
        TextEncoding requested;
        std::wstring text;
        TextEncoding encoding;
        bool hasBom;
    } cases[] = {
        {"empty keeps the request", "", TextEncoding::Utf8, L"", TextEncoding::Utf8, false},
        {"UTF-16 BOM with an odd byte", "\xFF\xFE" "A", TextEncoding::AutoDetect, L"", TextEncoding::Utf16, true},
        {"UTF-16 BOM wins over UTF-8", std::string("\xFF\xFE" "A\0B\0C", 7), TextEncoding::Utf8, L"AB",
         TextEncoding::Utf16, true},
        {"UTF-16 BOM wins over ANSI", "\xFF\xFE\x2D\x4E", TextEncoding::Ansi, L"\u4E2D", TextEncoding::Utf16, true},
        {"bare UTF-8 BOM is a character", "\xEF\xBB\xBF", TextEncoding::AutoDetect, L"\uFEFF",
         TextEncoding::AutoDetect, false},
        {"UTF-8 BOM", "\xEF\xBB\xBF" "a\xE4\xB8\xAD", TextEncoding::Ansi, L"a\u4E2D", TextEncoding::Utf8, true},
        {"ASCII keeps auto-detect", "plain\r\ntext\n", TextEncoding::AutoDetect, L"plain\r\ntext\n",
         TextEncoding::AutoDetect, false},
        {"UTF-8 keeps ANSI", kUtf8Chinese, TextEncoding::Ansi, kChinese, TextEncoding::Ansi, false},
        {"UTF-8 keeps a code page", kUtf8Chinese, brevitex::CodePageEncoding(950), kChinese,
         brevitex::CodePageEncoding(950), false},
        {"GBK becomes ANSI", kGbkChinese, TextEncoding::AutoDetect, kChinese, TextEncoding::Ansi, false},
        {"GBK requested as ANSI", "x" + kGbkChinese, TextEncoding::Ansi, L"x" + kChinese, TextEncoding::Ansi, false},
        {"UTF-16 without BOM, odd byte", std::string("a\0b\0c", 5), TextEncoding::Utf16, L"ab", TextEncoding::Utf16,
         false},
        // A sequence cut off by the end is a code page's after ASCII alone, U+FFFD after UTF-8 text.
        {"cut-off tail after ASCII is the code page's", "ok\xE4\xB8", brevitex::CodePageEncoding(936), L"ok\u6D93",
         brevitex::CodePageEncoding(936), false},
        {"Latin-1 file ending in a lead byte", "caf\xE9", brevitex::CodePageEncoding(1252), L"caf\u00E9",
         brevitex::CodePageEncoding(1252), false},
        {"UTF-8 text, then a cut", "\xE4\xB8\xAD\xE6\x96", TextEncoding::AutoDetect, L"\u4E2D\uFFFD",
         TextEncoding::AutoDetect, false},
        {"UTF-8 text, then a cut four-byte form", "\xC3\xA9\xF0\x9F\x98", TextEncoding::Ansi, L"\u00E9\uFFFD",
         TextEncoding::Ansi, false},
        {"cut after a UTF-8 BOM", "\xEF\xBB\xBF" "a\xE4\xB8", TextEncoding::AutoDetect, L"a\uFFFD",
         TextEncoding::Utf8, true},
        {"cut with UTF-8 requested", "ab\xF0\x9F\x98", TextEncoding::Utf8, L"ab\uFFFD", TextEncoding::Utf8, false},
    };
    for (const Case& c : cases) {
        Decoded d = DecodeBytes(c.bytes, c.requested);
        EXPECT_TRUE(d.ok) << c.name;
        EXPECT_EQ(d.text, c.text) << c.name;
        EXPECT_EQ(d.encoding, c.encoding) << c.name;
        EXPECT_EQ(d.hasBom, c.hasBom) << c.name;
    }
}

TEST(DecodeTextTest, CutOffTailAfterAsciiIsDecodedByTheSystemCodePage) {
    // Whatever the system's code page, the last byte stays.
    Decoded d = DecodeBytes("caf\xE9", TextEncoding::AutoDetect, CP_ACP);
    EXPECT_EQ(d.encoding, TextEncoding::Ansi);
    ASSERT_EQ(d.text.size(), 4u);
    EXPECT_EQ(d.text.substr(0, 3), L"caf");
}

TEST(CodecCodePageTest, AnsiMeansTheCodePageGiven) {
    // The same bytes, not UTF-8, under two ANSI code pages.
    EXPECT_EQ(DecodeBytes(kGbkChinese, TextEncoding::AutoDetect, kGbk).text, kChinese);
    Decoded latin = DecodeBytes(kGbkChinese, TextEncoding::AutoDetect, 1252);
    EXPECT_EQ(latin.encoding, TextEncoding::Ansi);
    EXPECT_EQ(latin.text, L"\u00D6\u00D0\u00CE\u00C4\u00B2\u00E2\u00CA\u00D4");
    // Whether the bytes come back exactly is judged under the code page given.
    WideString latinText(latin.text.data(), static_cast<int>(latin.text.size()));
    EXPECT_TRUE(brevitex::DecodesExactly(U8(kGbkChinese), kGbkChinese.size(), 1252, latinText, TextEncoding::Ansi,
                                         false));
    EXPECT_FALSE(brevitex::DecodesExactly(U8(kGbkChinese), kGbkChinese.size(), kGbk, latinText, TextEncoding::Ansi,
                                          false));

    // The same text saved as ANSI under each.
    EXPECT_EQ(EncodeWide(L"caf\u00E9", TextEncoding::Ansi, false, 1252).body, "caf\xE9");
    EXPECT_EQ(EncodeWide(L"caf\u00E9", TextEncoding::Ansi, false, kGbk).body, "caf\xA8\xA6");
    // Text only one of them holds falls back to UTF-16 under the other.
    EXPECT_EQ(EncodeWide(kChinese, TextEncoding::Ansi, false, kGbk).encoding, TextEncoding::Ansi);
    Encoded e = EncodeWide(kChinese, TextEncoding::AutoDetect, false, 1252);
    EXPECT_EQ(e.encoding, TextEncoding::Utf16);
    EXPECT_EQ(e.bom + e.body, "\xFF\xFE" + Utf16Bytes(kChinese));
}

TEST(DecodeTextTest, ReportsWhetherTheBytesComeBackExactly) {
    auto exact = [](const std::string& bytes, TextEncoding requested) {
        WideString text;
        TextEncoding encoding = requested;
        bool hasBom = false;
        EXPECT_TRUE(DecodeText(U8(bytes), bytes.size(), kGbk, text, encoding, hasBom));
        return brevitex::DecodesExactly(U8(bytes), bytes.size(), kGbk, text, encoding, hasBom);
    };
    const TextEncoding gbk = brevitex::CodePageEncoding(936);
    EXPECT_TRUE(exact("", TextEncoding::AutoDetect));
    EXPECT_TRUE(exact("plain\r\n", TextEncoding::AutoDetect));
    EXPECT_TRUE(exact(kUtf8Chinese, gbk)) << "valid UTF-8 comes back as UTF-8";
    EXPECT_TRUE(exact(kGbkChinese + "\r\n", gbk));
    EXPECT_TRUE(exact("\xEF\xBB\xBF" + kUtf8Chinese, TextEncoding::AutoDetect));
    EXPECT_TRUE(exact("\xEF\xBB\xBF", TextEncoding::AutoDetect));
    EXPECT_TRUE(exact("\xFF\xFE" + Utf16Bytes(L"\u4E2D\xDC00"), TextEncoding::AutoDetect));
    EXPECT_TRUE(exact(Utf16Bytes(L"ab"), TextEncoding::Utf16));
    // Bytes the code page does not hold, as in binary data.
    EXPECT_FALSE(exact("abc\xC3\x28\xFF\xFE def", gbk));
    EXPECT_FALSE(exact(std::string("MZ\x90\0\x03\0\0\0\x04\0\0\0\xFF\xFF\0\0", 16), gbk));
    // A lost odd byte, a cut-off or malformed sequence shown as U+FFFD.
    EXPECT_FALSE(exact("\xFF\xFE" "a\0b", TextEncoding::AutoDetect));
    EXPECT_FALSE(exact(Utf16Bytes(L"ab") + "c", TextEncoding::Utf16));
    EXPECT_FALSE(exact("\xE4\xB8\xAD\xE6\x96", TextEncoding::AutoDetect));
    EXPECT_FALSE(exact("ab\xFF" "cd", TextEncoding::Utf8));
    EXPECT_FALSE(exact("\xEF\xBB\xBF" "a\xC0\x80", TextEncoding::AutoDetect));
}

TEST(DecodeTextTest, CodePageDecodingUsesExplicitLength) {
    // Not UTF-8 and starting with a zero byte: every byte is still decoded.
    Decoded d = DecodeBytes(std::string("\0", 1) + kGbkChinese + std::string("\0z", 2), TextEncoding::AutoDetect);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.encoding, TextEncoding::Ansi);
    EXPECT_EQ(d.text, std::wstring(L"\0", 1) + kChinese + std::wstring(L"\0z", 2));

    // The FF FE pair alone is no BOM; it is not UTF-8 either, so the code page decides.
    d = DecodeBytes("\xFF\xFE", TextEncoding::AutoDetect);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.encoding, TextEncoding::Ansi);
    EXPECT_FALSE(d.hasBom);
    EXPECT_FALSE(d.text.empty());

    // A GBK file whose only non-ASCII character is the last one keeps it.
    d = DecodeBytes("abc\xE4\x41", TextEncoding::AutoDetect);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.encoding, TextEncoding::Ansi);
    ASSERT_EQ(d.text.size(), 4u);
    EXPECT_EQ(d.text.substr(0, 3), L"abc");
}

TEST(DecodeTextTest, ABrokenPairNeverTakesTheLineBreakAfterIt) {
    // "caf" + E9 in a CR LF file: E9 leads a pair in GBK, and CR cannot end one.
    Decoded d = DecodeBytes("caf\xE9\r\nsecond\r\n\xE9\tx", brevitex::CodePageEncoding(936));
    ASSERT_TRUE(d.ok);
    ASSERT_EQ(d.text.size(), 17u);
    EXPECT_EQ(d.text.substr(0, 3), L"caf");
    EXPECT_EQ(d.text.substr(4, 10), L"\r\nsecond\r\n");
    EXPECT_EQ(d.text.substr(15), L"\tx");
    // Whole pairs around them decode as pairs.
    d = DecodeBytes(kGbkChinese + "\xE9\n" + kGbkChinese, brevitex::CodePageEncoding(936));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.text, kChinese + d.text.substr(kChinese.size(), 1) + L"\n" + kChinese);
}

TEST(DecodeTextTest, MalformedRequiredUtf8KeepsTheTextAroundTheFault) {
    // Each malformed byte stands as U+FFFD; nothing after it is lost.
    Decoded d = DecodeBytes("ab\xFF" "cd\xC0\x80" "e", TextEncoding::Utf8);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.encoding, TextEncoding::Utf8);
    EXPECT_EQ(d.text, L"ab\uFFFD" L"cd\uFFFD\uFFFD" L"e");

    d = DecodeBytes("\xEF\xBB\xBF" "\xE4\xB8\xAD\xE4\x41", TextEncoding::AutoDetect);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.encoding, TextEncoding::Utf8);
    EXPECT_TRUE(d.hasBom);
    EXPECT_EQ(d.text, L"\u4E2D\uFFFD" L"A");
}

TEST(DecodeTextTest, FailsWhenTheTextCannotBeHeld) {
    // Room for 2 x size + 1 units cannot exist in a string; no byte past the
    // first three is read before that is known.
    const std::string head = "abcd";
    WideString text(L"kept");
    TextEncoding encoding = TextEncoding::AutoDetect;
    bool hasBom = false;
    EXPECT_FALSE(DecodeText(U8(head), size_t{0x50000000}, kGbk, text, encoding, hasBom));
    EXPECT_EQ(text, L"kept");
    EXPECT_EQ(encoding, TextEncoding::AutoDetect);
    EXPECT_FALSE(hasBom);
}

TEST(EncodeTextTest, ProducesTheRequestedForm) {
    Encoded e = EncodeWide(L"", TextEncoding::Utf8, true);
    EXPECT_TRUE(e.ok);
    EXPECT_EQ(e.bom + e.body, "");
    EXPECT_EQ(e.encoding, TextEncoding::Utf8);

    e = EncodeWide(L"a\u4E2D", TextEncoding::Utf16, false);
    EXPECT_TRUE(e.ok);
    EXPECT_EQ(e.bom, "");
    EXPECT_EQ(e.body, std::string("a\0\x2D\x4E", 4));

    e = EncodeWide(L"a\u4E2D", TextEncoding::Utf16, true);
    EXPECT_EQ(e.bom, "\xFF\xFE");

    e = EncodeWide(L"a\u4E2D\r\n", TextEncoding::Utf8, true);
    EXPECT_TRUE(e.ok);
    EXPECT_EQ(e.bom, "\xEF\xBB\xBF");
    EXPECT_EQ(e.body, "a\xE4\xB8\xAD\r\n");

    // Code pages never get a BOM; auto-detect is saved as ANSI.
    e = EncodeWide(kChinese, TextEncoding::AutoDetect, true);
    EXPECT_TRUE(e.ok);
    EXPECT_EQ(e.encoding, TextEncoding::Ansi);
    EXPECT_TRUE(e.writeBom);
    EXPECT_EQ(e.bom, "");
    EXPECT_EQ(e.body, kGbkChinese);
}

TEST(EncodeTextTest, FallsBackToUtf16WhenTheCodePageCannotHoldTheText) {
    for (std::wstring text : {std::wstring(L"\u4E2D\u0E01"), std::wstring(L"x\xD83D\xDE00"), std::wstring(L"\xDC00")}) {
        Encoded e = EncodeWide(text, TextEncoding::Ansi, false);
        EXPECT_TRUE(e.ok);
        EXPECT_EQ(e.encoding, TextEncoding::Utf16);
        EXPECT_TRUE(e.writeBom);
        EXPECT_EQ(e.bom, "\xFF\xFE");
        EXPECT_EQ(e.body, Utf16Bytes(text));
    }
}

TEST(EncodeTextTest, CodePagesNeverBestFitACharacter) {
    // Characters the platform's default conversion silently replaces by a
    // look-alike ("m²" becoming "m2"), under the code pages named.
    struct Case {
        UINT codePage;
        std::wstring text;
    } bestFit[] = {
        {936, L"m\u00B2"},  {936, L"x\u00B9"},  {936, L"\u00AA"},  {936, L"soft\u00ADhyphen"},
        {936, L"\u00BA"},   {936, L"\u00B5"},   {936, L"\u0100"},  {936, L"\u4E2D\u00C0"},
        {1252, L"\u0100"},  {1252, L"\u0101"},  {1252, L"\u0141"}, {1252, L"x\u221E"},
        {1252, L"\u2212"},  {1252, L"\uFF21"},  {1252, L"\u2032"}, {1252, L"\u0131"},
        {1252, L"a\u3000b"},
    };
    for (const Case& c : bestFit) {
        SCOPED_TRACE("code page " + std::to_string(c.codePage) + ", U+" + std::to_string(c.text.back()));
        // The platform's plain conversion does change the text without reporting it.
        char bytes[64];
        BOOL replaced = FALSE;
        int n = WideCharToMultiByte(c.codePage, 0, c.text.data(), static_cast<int>(c.text.size()), bytes,
                                    sizeof(bytes), nullptr, &replaced);
        wchar_t back[64];
        int m = MultiByteToWideChar(c.codePage, 0, bytes, n, back, 64);
        ASSERT_FALSE(replaced);
        ASSERT_NE(std::wstring(back, static_cast<size_t>(m)), c.text);

        Encoded e = EncodeWide(c.text, brevitex::CodePageEncoding(c.codePage), false);
        EXPECT_TRUE(e.ok);
        EXPECT_EQ(e.encoding, TextEncoding::Utf16);
        EXPECT_TRUE(e.writeBom);
        EXPECT_EQ(e.bom, "\xFF\xFE");
        EXPECT_EQ(e.body, Utf16Bytes(c.text));
    }
    // Characters the code page holds exactly stay in it.
    Encoded e = EncodeWide(L"\u4E2D\u0101\u00E9\u20AC", brevitex::CodePageEncoding(936), false);
    EXPECT_EQ(e.encoding, brevitex::CodePageEncoding(936));
    EXPECT_EQ(e.bom + e.body, "\xD6\xD0\xA8\xA1\xA8\xA6\x80");
    e = EncodeWide(L"m\u00B2\u00B9\u00AA\u00AD\u00E9\u20AC", brevitex::CodePageEncoding(1252), false);
    EXPECT_EQ(e.encoding, brevitex::CodePageEncoding(1252));
    EXPECT_EQ(e.bom + e.body, "m\xB2\xB9\xAA\xAD\xE9\x80");
}

TEST(EncodeTextTest, CodePageEncodingKeepsNulCharacters) {
    std::wstring text = std::wstring(L"a\0", 2) + kChinese + std::wstring(L"\0", 1);
    Encoded e = EncodeWide(text, TextEncoding::Ansi, false);
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.encoding, TextEncoding::Ansi);
    EXPECT_EQ(e.body, std::string("a\0", 2) + kGbkChinese + std::string("\0", 1));
}

TEST(EncodeTextTest, UnpairedSurrogateFailsUtf8WithOnlyEncodedBytes) {
    Encoded e = EncodeWide(L"ab\xDC00" L"cd", TextEncoding::Utf8, true);
    EXPECT_FALSE(e.ok);
    EXPECT_EQ(e.body, "ab");
    EXPECT_EQ(e.bom, "");
    EXPECT_EQ(e.encoding, TextEncoding::Utf8);
    // A high surrogate that ends the text is unpaired as well.
    e = EncodeWide(L"ab\xD800", TextEncoding::Utf8, false);
    EXPECT_FALSE(e.ok);
    EXPECT_EQ(e.body, "ab");
}

TEST(CodecRoundTripTest, FileBytesSurviveDecodeAndEncode) {
    struct Case {
        const char* name;
        std::string bytes;
        TextEncoding requested;
    } cases[] = {
        {"UTF-8 without BOM", "l1\r\n" + kUtf8Chinese + "\xF0\x9F\x98\x80\n", TextEncoding::Utf8},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + kUtf8Chinese + "\t\x01", TextEncoding::AutoDetect},
        {"UTF-16 without BOM", Utf16Bytes(L"x\u4E2D\xD83D\xDE00\r\n"), TextEncoding::Utf16},
        {"UTF-16 with BOM", "\xFF\xFE" + Utf16Bytes(L"\u4E2D\xDC00 lone"), TextEncoding::Ansi},
        {"GBK", "line " + kGbkChinese + "\r\n" + kGbkChinese, TextEncoding::AutoDetect},
        {"ASCII", "just ascii\n", TextEncoding::AutoDetect},
    };
    for (const Case& c : cases) {
        Decoded d = DecodeBytes(c.bytes, c.requested);
        ASSERT_TRUE(d.ok) << c.name;
        Encoded e = EncodeWide(d.text, d.encoding, d.hasBom);
        ASSERT_TRUE(e.ok) << c.name;
        EXPECT_EQ(e.bom + e.body, c.bytes) << c.name;
    }
    // Chinese UTF-8 without BOM, detected, is saved in the ANSI code page.
    Decoded d = DecodeBytes(kUtf8Chinese, TextEncoding::AutoDetect);
    Encoded e = EncodeWide(d.text, d.encoding, d.hasBom);
    EXPECT_EQ(e.encoding, TextEncoding::Ansi);
    EXPECT_EQ(e.bom + e.body, kGbkChinese);
}

namespace {

// Memory whose usable part is fenced by inaccessible pages on both sides, so
// any read outside an input placed against either fence faults.
class FencedBytes {
public:
    FencedBytes() {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        page_ = info.dwPageSize;
        base_ = static_cast<unsigned char*>(VirtualAlloc(nullptr, 3 * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(base_, page_, PAGE_NOACCESS, &old);
        VirtualProtect(base_ + 2 * page_, page_, PAGE_NOACCESS, &old);
    }
    ~FencedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }
    size_t Page() const { return page_; }
    const unsigned char* AtEnd(const std::string& bytes) {
        unsigned char* start = base_ + 2 * page_ - bytes.size();
        memcpy(start, bytes.data(), bytes.size());
        return start;
    }
    const unsigned char* AtStart(const std::string& bytes) {
        memcpy(base_ + page_, bytes.data(), bytes.size());
        return base_ + page_;
    }

private:
    size_t page_ = 0;
    unsigned char* base_ = nullptr;
};

// Byte strings rich in the forms the decoder must judge: pieces of valid UTF-8,
// BOMs, boundary leads and continuations, and plain random bytes.
std::string RandomBytes(std::mt19937& rng, size_t maxLength) {
    static const char* const kPieces[] = {"\xEF\xBB\xBF", "\xFF\xFE", "\xC0", "\xC1", "\xE0", "\xED", "\xF0",
                                          "\xF4", "\xF5", "\x80", "\xBF", "\xA0", "\x90", "\x8F", "\0", "\r\n"};
    std::uniform_int_distribution<size_t> lengthDist(0, maxLength);
    size_t length = lengthDist(rng);
    std::string out;
    while (out.size() < length) {
        switch (rng() % 5) {
            case 0: out += static_cast<char>(rng() & 0xFF); break;
            case 1: out += static_cast<char>(0x20 + rng() % 0x5F); break;
            case 2: out += kPieces[rng() % (sizeof(kPieces) / sizeof(kPieces[0]))]; break;
            default: {
                uint32_t cp = rng() % 0x110000;
                if (cp >= 0xD800 && cp < 0xE000) cp = 0xFFFD;
                AppendUtf8(out, cp);
                break;
            }
        }
    }
    out.resize(length);
    return out;
}

}  // namespace

TEST(CodecPropertyTest, RandomBytesNeverFailOrReadOutsideTheInput) {
    FencedBytes fenced;
    std::mt19937 rng(20240611);
    const TextEncoding requests[] = {TextEncoding::AutoDetect, TextEncoding::Ansi, TextEncoding::Utf8,
                                     TextEncoding::Utf16, brevitex::CodePageEncoding(950)};
    for (int round = 0; round < 6000; ++round) {
        std::string bytes = RandomBytes(rng, round % 10 == 0 ? fenced.Page() : 48);
        SCOPED_TRACE("round " + std::to_string(round));
        for (const unsigned char* input : {fenced.AtEnd(bytes), fenced.AtStart(bytes)}) {
            for (TextEncoding requested : requests) {
                WideString text;
                TextEncoding encoding = requested;
                bool hasBom = false;
                ASSERT_TRUE(DecodeText(input, bytes.size(), kGbk, text, encoding, hasBom));
            }
            // Whatever strict UTF-8 accepts encodes back to the input, less at most a cut-off tail.
            std::vector<wchar_t> units(bytes.size() + 1);
            int n = Utf8ToUtf16(input, bytes.size(), units.data(), static_cast<int>(units.size()));
            ASSERT_EQ(Utf8ToUtf16(input, bytes.size(), nullptr, 0), n);
            if (n >= 0) {
                std::string back(bytes.size() + 4, '\0');
                int m = Utf16ToUtf8(units.data(), static_cast<size_t>(n), reinterpret_cast<unsigned char*>(back.data()),
                                    static_cast<int>(back.size()));
                ASSERT_GE(m, 0);
                ASSERT_EQ(bytes.compare(0, static_cast<size_t>(m), back, 0, static_cast<size_t>(m)), 0);
                ASSERT_LE(bytes.size() - static_cast<size_t>(m), 3u);
            }
        }
    }
}

TEST(CodecPropertyTest, ValidUtf8SurvivesDecodeThenEncode) {
    std::mt19937 rng(7);
    const uint32_t limits[] = {0x80, 0x800, 0x10000, 0x110000};
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        size_t count = rng() % 200;
        for (size_t i = 0; i < count; ++i) {
            uint32_t cp = rng() % limits[rng() % 4];
            if (cp >= 0xD800 && cp < 0xE000) continue;
            AppendUtf8(bytes, cp);
        }
        SCOPED_TRACE("round " + std::to_string(round));
        Decoded d = DecodeBytes(bytes, TextEncoding::Utf8);
        ASSERT_TRUE(d.ok);
        Encoded e = EncodeWide(d.text, TextEncoding::Utf8, d.hasBom);
        ASSERT_TRUE(e.ok);
        ASSERT_EQ(e.bom + e.body, bytes);
        // The platform's strict conversion agrees on valid input.
        std::vector<wchar_t> platform(bytes.size() + 1);
        int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                    platform.data(), static_cast<int>(platform.size()));
        if (!bytes.empty()) {
            ASSERT_EQ(std::wstring(platform.data(), static_cast<size_t>(n)), Decode8Text(bytes));
        }
    }
}
