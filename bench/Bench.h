// Shared pieces of the benchmark program: named groups that register
// themselves, the run options, timing and rate helpers, generated files.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace bench {

struct Options {
    size_t inputBytes = size_t{64} << 20;  // size of each generated input
    int runs = 5;                          // each figure is the best of this many runs
};

using GroupRun = void (*)(const Options& options);

// Adds a group under a short name ("decode", "load", ...); groups run in the
// order they were registered. Returns true so it can initialise a static.
bool RegisterGroup(const char* name, const char* summary, GroupRun run);

// The shortest wall-clock time in seconds of `runs` calls of body.
double BestSeconds(int runs, const std::function<void()>& body);

// Megabytes (10^6 bytes) per second.
inline double MegabytesPerSecond(size_t bytes, double seconds) {
    return seconds > 0 ? static_cast<double>(bytes) / 1e6 / seconds : 0.0;
}

// The folder group's other process: makes count files in folder, one after
// another, each holding the system time just before its creation. 0 on success.
int MakeFilesForAnotherProcess(const wchar_t* folder, int count);
// The edits group's other process: loads a file into one host ("view",
// "richedit" or "edit") and prints the KiB the process grew by. 0 on success.
int MeasureResident(const wchar_t* host, const wchar_t* path);
// A generated text file: lines of about 70 characters of fixed pseudo-random
// text, ASCII letters or Chinese characters in UTF-8, with the given break.
struct FileKind {
    const char* name;
    bool chinese;
    const char* lineBreak;
};

// The bytes of such a file, at least `bytes` long.
std::string FileBytes(const FileKind& kind, size_t bytes);
// Writes bytes to a file, replacing it; false on any failure.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// The folder for generated files, ending in a backslash.
std::wstring TempFolder();
// Seconds on the performance counter, for differences.
double Now();

}  // namespace bench
