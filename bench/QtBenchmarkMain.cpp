// The main function of the benchmarks that need a Qt application object:
// the generator as it runs in the window and the command line, and the ones
// that start programs with QProcess.

#include <QCoreApplication>
#include "bench/RunBenchmarks.h"

#include <benchmark/benchmark.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}
