// The benchmark program's entry: picks the groups named on the command line
// (all by default) and runs them one after another, the quick ones first,
// each followed by its wall time.
//   brevitex_bench [--only NAME[,NAME...]] [--size MIB] [--runs N] [--list]
// The folder group also starts it as the other process that makes files:
//   brevitex_bench --make-files FOLDER COUNT
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Bench.h"

namespace bench {

namespace {

struct Group {
    const char* name;
    const char* summary;
    GroupRun run;
};

std::vector<Group>& Groups() {
    static std::vector<Group> groups;
    return groups;
}

}  // namespace

// Whether a comma-separated list of names (empty: all) holds name.
bool Selected(const std::string& only, const char* name) {
    if (only.empty()) return true;
    size_t start = 0;
    while (start <= only.size()) {
        size_t comma = only.find(',', start);
        if (comma == std::string::npos) comma = only.size();
        if (only.compare(start, comma - start, name) == 0) return true;
        start = comma + 1;
    }
    return false;
}

int Usage() {
    std::fprintf(stderr, "usage: brevitex_bench [--only NAME[,NAME...]] [--size MIB] [--runs N] [--list]\n");
    return 2;
}

bool RegisterGroup(const char* name, const char* summary, GroupRun run) {
    Groups().push_back({name, summary, run});
    return true;
}

double BestSeconds(int runs, const std::function<void()>& body) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    double best = 0;
    for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        body();
        QueryPerformanceCounter(&end);
        double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
        if (i == 0 || seconds < best) best = seconds;
    }
    return best;
}

}  // namespace bench

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--make-files") == 0) {
        int wideCount = 0;
        wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &wideCount);
        if (!wide || wideCount != 4) return 2;
        int result = bench::MakeFilesForAnotherProcess(wide[2], std::atoi(argv[3]));
        LocalFree(wide);
        return result;
    }
    if (argc == 4 && std::strcmp(argv[1], "--resident") == 0) {
        int wideCount = 0;
        wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &wideCount);
        if (!wide || wideCount != 4) return 2;
        int result = bench::MeasureResident(wide[2], wide[3]);
        LocalFree(wide);
        return result;
    }
    bench::Options options;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--only" && hasValue) {
            only = argv[++i];
        } else if (arg == "--size" && hasValue) {
            long mib = std::strtol(argv[++i], nullptr, 10);
            if (mib <= 0 || mib > 1024) return bench::Usage();
            options.inputBytes = static_cast<size_t>(mib) << 20;
        } else if (arg == "--runs" && hasValue) {
            options.runs = std::atoi(argv[++i]);
            if (options.runs <= 0) return bench::Usage();
        } else if (arg == "--list") {
            for (const auto& group : bench::Groups()) std::printf("%-8s %s\n", group.name, group.summary);
            return 0;
        } else {
            return bench::Usage();
        }
    }
    // The quick groups first, then the others in their order; each group's wall time after it.
    static const char* const kQuick[] = {"memcpy", "decode", "encode", "load", "save", "find", "replace"};
    auto quick = [](const char* name) {
        for (const char* q : kQuick) {
            if (std::strcmp(q, name) == 0) return true;
        }
        return false;
    };
    int ran = 0;
    for (bool quickPass : {true, false}) {
        for (const auto& group : bench::Groups()) {
            if (quick(group.name) != quickPass || !bench::Selected(only, group.name)) continue;
            const double start = bench::Now();
            group.run(options);
            std::printf("-- %s: %.1f s wall\n", group.name, bench::Now() - start);
            std::fflush(stdout);
            ++ran;
        }
    }
    if (ran == 0) {
        std::fprintf(stderr, "no benchmark group matches \"%s\" (see --list)\n", only.c_str());
        return 2;
    }
    return 0;
}
