// Writes the benchmarks' session model (bench/BenchmarkSession.h) to the file named on the
// command line, for the Python benchmark. Usage: bench_session_file OUT.ses
#include "bench/BenchmarkSession.h"
#include "model/ORVAError.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_session_file OUT.ses\n");
        return 1;
    }
    try {
        orva::TORVAFile file = orva::bench::MakeBenchmarkSession();
        file.SaveToFile(orva::PathFromText(argv[1]));
    } catch (const orva::EORVAError& e) {
        std::fprintf(stderr, "bench_session_file: %s\n", e.what());
        return 1;
    }
    return 0;
}
