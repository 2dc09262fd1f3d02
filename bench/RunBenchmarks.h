#pragma once
// Runs the benchmarks the command line selects, as BENCHMARK_MAIN() does,
// for mains that do more first.

#include <benchmark/benchmark.h>

inline int runBenchmarks(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
