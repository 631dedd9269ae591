#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

// The benchmarks' own options, taken out of the command line before Google Benchmark reads it:
//   --items=N   the size of the generated database (each benchmark has its own default)
//   --quick     a few iterations of each benchmark instead of the full count: a run that shows
//               every benchmark still works (the test suite runs each so, at a small size)
struct BenchOptions {
    int Items = 0;
    bool Quick = false;

    // Iterations of a benchmark: full, or a handful when quick.
    int Iterations(int full) const { return Quick ? std::max(1, std::min(full, 5)) : full; }
};

// Reads and removes the options from argc/argv.
inline BenchOptions TakeBenchOptions(int& argc, char** argv, int defaultItems) {
    BenchOptions options;
    options.Items = defaultItems;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::strncmp(argv[i], "--items=", 8) == 0)
            options.Items = std::max(100, std::atoi(argv[i] + 8));
        else if (i > 0 && std::strcmp(argv[i], "--quick") == 0)
            options.Quick = true;
        else
            rest.push_back(argv[i]);
    }
    argc = int(rest.size());
    for (int i = 0; i < argc; ++i)
        argv[i] = rest[size_t(i)];
    argv[argc] = nullptr;
    return options;
}
