// Benchmarks of the text codec and of loading and saving files, on generated
// inputs: pure ASCII, Chinese text as UTF-8 and Chinese text as GBK bytes.
// Every figure is set against the platform's own conversion where there is one
// and against memcpy of the same bytes, the physical limit.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "Bench.h"
#include "document/TextCodec.h"
#include "document/TextFile.h"

using brevitex::DecodeText;
using brevitex::EncodeText;
using brevitex::LoadTextFile;
using brevitex::SaveTextFile;
using brevitex::TextEncoding;
using brevitex::Utf16ToUtf8;
using brevitex::Utf8ToUtf16;
using brevitex::WideString;

namespace {

constexpr UINT kGbkCodePage = 936;

struct Input {
    const char* name;
    std::string bytes;    // the file form
    WideString text;      // the same text in memory
    UINT codePage;        // CP_UTF8 or the GBK code page
    TextEncoding saveAs;  // how the save benchmark stores it
};

// A small fixed-seed generator: the inputs are the same on every run.
struct Lcg {
    uint64_t state = 0x2545F4914F6CDD1Dull;
    uint32_t Next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    }
};

// English-like lines of about 70 characters.
std::wstring AsciiText(size_t units) {
    Lcg rng;
    std::wstring text;
    text.reserve(units);
    size_t lineStart = 0;
    while (text.size() < units) {
        size_t word = 1 + rng.Next() % 9;
        for (size_t i = 0; i < word; ++i) text += static_cast<wchar_t>(L'a' + rng.Next() % 26);
        if (text.size() - lineStart > 70) {
            text += L".\r\n";
            lineStart = text.size();
        } else {
            text += rng.Next() % 8 == 0 ? L',' : L' ';
        }
    }
    text.resize(units);
    return text;
}

// Lines of about 30 CJK ideographs (all of them held by GBK) with Chinese
// punctuation.
std::wstring ChineseText(size_t units) {
    Lcg rng;
    std::wstring text;
    text.reserve(units);
    while (text.size() < units) {
        for (int i = 0; i < 30; ++i) {
            text += static_cast<wchar_t>(0x4E00 + rng.Next() % (0x9FA5 - 0x4E00 + 1));
            if (rng.Next() % 12 == 0) text += rng.Next() % 2 ? L'\uFF0C' : L'\u3002';
        }
        text += L"\r\n";
    }
    text.resize(units);
    return text;
}

std::string ToCodePage(const std::wstring& text, UINT codePage) {
    int size = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

// The text whose file form has about `bytes` bytes (ASCII 1, UTF-8 Chinese 3,
// GBK 2 bytes per character).
std::vector<Input>& Inputs(const bench::Options& options) {
    static std::vector<Input> inputs;
    if (!inputs.empty()) return inputs;
    std::fprintf(stderr, "generating %zu MiB inputs...\n", options.inputBytes >> 20);
    const size_t bytes = options.inputBytes;
    std::wstring ascii = AsciiText(bytes);
    std::wstring cjk = ChineseText(bytes / 3);
    std::wstring gbk = ChineseText(bytes / 2);
    auto add = [&](const char* name, const std::wstring& text, UINT codePage, TextEncoding saveAs) {
        Input input{name, ToCodePage(text, codePage), WideString(text.data(), static_cast<int>(text.size())), codePage,
                    saveAs};
        inputs.push_back(std::move(input));
    };
    add("ascii", ascii, CP_UTF8, TextEncoding::AutoDetect);
    add("cjk", cjk, CP_UTF8, TextEncoding::Utf8);
    add("gbk", gbk, kGbkCodePage, TextEncoding::Ansi);
    return inputs;
}

const unsigned char* Bytes(const Input& input) { return reinterpret_cast<const unsigned char*>(input.bytes.data()); }

// Output buffers touched once so the first timed run pays no page faults.
std::vector<wchar_t>& UnitBuffer(size_t units) {
    static std::vector<wchar_t> buffer;
    if (buffer.size() < units) buffer.assign(units, 1);
    return buffer;
}

std::vector<char>& ByteBuffer(size_t bytes) {
    static std::vector<char> buffer;
    if (buffer.size() < bytes) buffer.assign(bytes, 1);
    return buffer;
}

// Seconds of one memcpy of the input's bytes, measured once per input.
double MemcpySeconds(const bench::Options& options, const Input& input) {
    static std::map<std::string, double> cache;
    auto found = cache.find(input.name);
    if (found != cache.end()) return found->second;
    std::vector<char>& dest = ByteBuffer(input.bytes.size());
    double seconds =
        bench::BestSeconds(options.runs, [&] { memcpy(dest.data(), input.bytes.data(), input.bytes.size()); });
    cache[input.name] = seconds;
    return seconds;
}

// Seconds of DecodeText on the input held in memory: the decode a load makes,
// into a new text, without the file.
double DecodeTextSeconds(const bench::Options& options, const Input& input) {
    static std::map<std::string, double> cache;
    auto found = cache.find(input.name);
    if (found != cache.end()) return found->second;
    double seconds = bench::BestSeconds(options.runs, [&] {
        WideString text;
        TextEncoding encoding = TextEncoding::AutoDetect;
        bool hasBom = false;
        DecodeText(Bytes(input), input.bytes.size(), CP_ACP, text, encoding, hasBom);
    });
    cache[input.name] = seconds;
    return seconds;
}

// Seconds of one read pass over the file through a mapped view (mapping, page
// faults and reading every byte): what any load must pay for the file itself.
double MappedPassSeconds(const bench::Options& options, const std::wstring& path) {
    volatile uint64_t sink = 0;
    return bench::BestSeconds(options.runs, [&] {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        LARGE_INTEGER size{};
        GetFileSizeEx(file, &size);
        HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
        const void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
        if (mapping) CloseHandle(mapping);
        if (view) {
            const uint64_t* words = static_cast<const uint64_t*>(view);
            uint64_t sum = 0;
            for (size_t i = 0, n = static_cast<size_t>(size.QuadPart) / 8; i < n; ++i) sum += words[i];
            sink = sink + sum;
            UnmapViewOfFile(view);
        }
        CloseHandle(file);
    });
}

void PrintComparison(const char* what, const Input& input, double ours, double platform, double copy) {
    size_t n = input.bytes.size();
    std::printf("%-7s %-6s ours %8.1f MB/s  platform %8.1f MB/s  %5.2fx  memcpy %5.2fx\n", what, input.name,
                bench::MegabytesPerSecond(n, ours), bench::MegabytesPerSecond(n, platform), platform / ours,
                copy / ours);
}

void RunMemcpy(const bench::Options& options) {
    for (const Input& input : Inputs(options)) {
        double seconds = MemcpySeconds(options, input);
        std::printf("%-7s %-6s      %8.1f MB/s\n", "memcpy", input.name,
                    bench::MegabytesPerSecond(input.bytes.size(), seconds));
    }
}

void RunDecode(const bench::Options& options) {
    for (const Input& input : Inputs(options)) {
        const size_t capacity = 2 * input.bytes.size() + 1;
        std::vector<wchar_t>& dest = UnitBuffer(capacity);
        const char* source = input.bytes.data();
        const int length = static_cast<int>(input.bytes.size());
        double ours = input.codePage == CP_UTF8 ? bench::BestSeconds(options.runs, [&] {
            Utf8ToUtf16(Bytes(input), input.bytes.size(), dest.data(), static_cast<int>(capacity));
        }) : DecodeTextSeconds(options, input);
        // UTF-8 is converted into a ready buffer on both sides; GBK into a new text
        // on both sides (DecodeText against allocation plus the platform conversion).
        double platform = bench::BestSeconds(options.runs, [&] {
            if (input.codePage == CP_UTF8) {
                MultiByteToWideChar(input.codePage, 0, source, length, dest.data(), static_cast<int>(capacity));
                return;
            }
            void* fresh = HeapAlloc(GetProcessHeap(), 0, static_cast<size_t>(length) * sizeof(wchar_t));
            MultiByteToWideChar(input.codePage, 0, source, length, static_cast<wchar_t*>(fresh), length);
            HeapFree(GetProcessHeap(), 0, fresh);
        });
        // The figures count only if both sides produce the text.
        bool same;
        if (input.codePage == CP_UTF8) {
            int units = Utf8ToUtf16(Bytes(input), input.bytes.size(), dest.data(), static_cast<int>(capacity));
            same = units == input.text.Length() && memcmp(dest.data(), input.text.c_str(), units * 2) == 0;
        } else {
            WideString text;
            TextEncoding encoding = TextEncoding::AutoDetect;
            bool hasBom = false;
            same = DecodeText(Bytes(input), input.bytes.size(), CP_ACP, text, encoding, hasBom) && text == input.text;
        }
        PrintComparison("decode", input, ours, platform, MemcpySeconds(options, input));
        if (!same) std::printf("decode  %-6s MISMATCH: the decoded text differs from the input\n", input.name);
    }
}

void RunEncode(const bench::Options& options) {
    for (const Input& input : Inputs(options)) {
        const size_t capacity = 3 * static_cast<size_t>(input.text.Length()) + 1;
        std::vector<char>& dest = ByteBuffer(capacity);
        unsigned char* out = reinterpret_cast<unsigned char*>(dest.data());
        double ours;
        bool same;
        if (input.codePage == CP_UTF8) {
            ours = bench::BestSeconds(options.runs, [&] {
                Utf16ToUtf8(input.text.c_str(), input.text.Length(), out, static_cast<int>(capacity));
            });
            int n = Utf16ToUtf8(input.text.c_str(), input.text.Length(), out, static_cast<int>(capacity));
            same = static_cast<size_t>(n) == input.bytes.size() && memcmp(out, input.bytes.data(), n) == 0;
        } else {
            brevitex::ByteString bom, body;
            ours = bench::BestSeconds(options.runs, [&] {
                TextEncoding encoding = TextEncoding::Ansi;
                bool writeBom = false;
                EncodeText(input.text, CP_ACP, encoding, writeBom, bom, body);
            });
            same = static_cast<size_t>(body.Length()) == input.bytes.size() &&
                   memcmp(body.c_str(), input.bytes.data(), input.bytes.size()) == 0;
        }
        // UTF-8 into a ready buffer on both sides; GBK into new bytes on both sides.
        double platform = bench::BestSeconds(options.runs, [&] {
            if (input.codePage == CP_UTF8) {
                WideCharToMultiByte(input.codePage, 0, input.text.c_str(), input.text.Length(), dest.data(),
                                    static_cast<int>(capacity), nullptr, nullptr);
                return;
            }
            int room = 2 * input.text.Length();
            void* fresh = HeapAlloc(GetProcessHeap(), 0, static_cast<size_t>(room));
            WideCharToMultiByte(input.codePage, 0, input.text.c_str(), input.text.Length(), static_cast<char*>(fresh),
                                room, nullptr, nullptr);
            HeapFree(GetProcessHeap(), 0, fresh);
        });
        PrintComparison("encode", input, ours, platform, MemcpySeconds(options, input));
        if (!same) std::printf("encode  %-6s MISMATCH: the encoded bytes differ from the input\n", input.name);
    }
}

std::wstring ScratchPath(const Input& input) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = folder;
    path += L"brevitex-bench-";
    for (const char* c = input.name; *c; ++c) path += static_cast<wchar_t>(*c);
    return path + L".txt";
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    CloseHandle(file);
    return ok;
}

void RunLoad(const bench::Options& options) {
    for (const Input& input : Inputs(options)) {
        std::wstring path = ScratchPath(input);
        if (!WriteWholeFile(path, input.bytes)) {
            std::printf("load    %-6s cannot write the scratch file\n", input.name);
            continue;
        }
        bool ok = true;
        double seconds = bench::BestSeconds(options.runs, [&] {
            WideString text;
            TextEncoding encoding = TextEncoding::AutoDetect;
            bool hasBom = false;
            ok = LoadTextFile(path.c_str(), text, encoding, hasBom) && text.Length() == input.text.Length() && ok;
        });
        double pass = MappedPassSeconds(options, path);
        DeleteFileW(path.c_str());
        double decode = DecodeTextSeconds(options, input);
        std::printf("%-7s %-6s ours %8.1f MB/s  %5.2fx of file pass %.1f ms + DecodeText %.1f ms  memcpy %5.2fx%s\n",
                    "load", input.name, bench::MegabytesPerSecond(input.bytes.size(), seconds),
                    seconds / (pass + decode), pass * 1e3, decode * 1e3, MemcpySeconds(options, input) / seconds,
                    ok ? "" : "  FAILED");
    }
}

void RunSave(const bench::Options& options) {
    for (const Input& input : Inputs(options)) {
        std::wstring path = ScratchPath(input);
        bool ok = true;
        double seconds = bench::BestSeconds(options.runs, [&] {
            TextEncoding encoding = input.saveAs;
            bool writeBom = false;
            ok = SaveTextFile(path.c_str(), input.text, encoding, writeBom) && ok;
        });
        LARGE_INTEGER size{};
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
            size.HighPart = static_cast<LONG>(data.nFileSizeHigh);
            size.LowPart = data.nFileSizeLow;
        }
        DeleteFileW(path.c_str());
        ok = ok && static_cast<size_t>(size.QuadPart) == input.bytes.size();
        std::printf("%-7s %-6s ours %8.1f MB/s  memcpy %5.2fx%s\n", "save", input.name,
                    bench::MegabytesPerSecond(input.bytes.size(), seconds), MemcpySeconds(options, input) / seconds,
                    ok ? "" : "  FAILED");
    }
}

const bool kRegistered = bench::RegisterGroup("memcpy", "memcpy of each input, the physical limit", RunMemcpy) &&
                         bench::RegisterGroup("decode", "Utf8ToUtf16 / DecodeText against the platform", RunDecode) &&
                         bench::RegisterGroup("encode", "Utf16ToUtf8 / EncodeText against the platform", RunEncode) &&
                         bench::RegisterGroup("load", "LoadTextFile end to end", RunLoad) &&
                         bench::RegisterGroup("save", "SaveTextFile end to end", RunSave);

}  // namespace
