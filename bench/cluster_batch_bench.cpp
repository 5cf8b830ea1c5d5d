// What `tarnevo-cli cluster --batch` costs end to end: 100,000 ions of 100 to
// 1000 u, random but chemically ordinary (C H N O with some S P F Cl Br, a
// fixed seed), read from a file, each computed and printed as its JSON line,
// with one worker and with two. The time covers everything a user waits for:
// reading and splitting the lines, the checks of each ion's options, the
// cluster engine, and the JSON written (to a stream that keeps only its
// length). Items per second is ions per second of wall time.
//
//   tarnevo_batch_bench --write-input FILE   writes the 100,000 lines and stops,
//   for timing the command itself: tarnevo-cli cluster --batch FILE --jobs N.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"

namespace {

constexpr std::size_t kIonCount = 100000;
constexpr double kLightest = 100.0;
constexpr double kHeaviest = 1000.0;

// An element's count in a random formula: none with probability 1 - present,
// else uniform in [low, high].
struct ElementDraw {
    std::string_view symbol;
    double nominalMass;
    double present;
    int low;
    int high;
};

// One formula of a small organic molecule: carbon and hydrogen in the ratios
// of known compounds, heteroatoms as often as they occur in metabolites and
// drugs. Hill order, as users type them.
std::string RandomFormula(std::mt19937_64& random) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (;;) {
        const int carbons = std::uniform_int_distribution<int>(3, 60)(random);
        const int hydrogens = std::uniform_int_distribution<int>(carbons / 2, 2 * carbons + 2)(random);
        const ElementDraw heteroatoms[] = {{"Br", 79, 0.04, 1, 2},
                                           {"Cl", 35, 0.12, 1, 3},
                                           {"F", 19, 0.08, 1, 6},
                                           {"N", 14, 0.7, 1, std::max(1, carbons / 3)},
                                           {"O", 16, 0.9, 1, std::max(1, carbons / 2)},
                                           {"P", 31, 0.06, 1, 2},
                                           {"S", 32, 0.15, 1, 2}};
        double mass = 12.0 * carbons + 1.0 * hydrogens;
        std::string formula = "C" + std::to_string(carbons) + "H" + std::to_string(hydrogens);
        std::string hill;
        for (const ElementDraw& draw : heteroatoms) {
            if (unit(random) >= draw.present) continue;
            const int count = std::uniform_int_distribution<int>(draw.low, draw.high)(random);
            mass += draw.nominalMass * count;
            hill += std::string(draw.symbol) + std::to_string(count);
        }
        if (mass >= kLightest && mass <= kHeaviest) return formula + hill;
    }
}

// The batch: one ion a line, the same lines on every run.
bool WriteBatchLines(const std::string& path) {
    std::mt19937_64 random(20261208);
    std::ofstream file(path);
    for (std::size_t k = 0; k < kIonCount; ++k) file << RandomFormula(random) << '\n';
    return static_cast<bool>(file);
}

std::string WriteBatchInput() {
    char path[] = "/tmp/tarnevo-batch-bench-XXXXXX";
    const int fd = mkstemp(path);
    if (fd >= 0) close(fd);
    WriteBatchLines(path);
    return path;
}

// Counts what is written and keeps none of it.
class CountingBuffer : public std::streambuf {
public:
    std::size_t Count() const { return count_; }

protected:
    int_type overflow(int_type c) override {
        ++count_;
        return c;
    }
    std::streamsize xsputn(const char*, std::streamsize n) override {
        count_ += static_cast<std::size_t>(n);
        return n;
    }

private:
    std::size_t count_ = 0;
};

const std::string& BatchInput() {
    static const std::string path = WriteBatchInput();
    return path;
}

void BM_ClusterBatch(benchmark::State& state) {
    const std::string jobs = std::to_string(state.range(0));
    const std::vector<std::string> arguments = {"cluster", "--batch", BatchInput(), "--jobs", jobs};
    std::size_t bytes = 0;
    for (auto _ : state) {
        CountingBuffer buffer;
        std::ostream out(&buffer);
        std::ostringstream errors;
        const int status = tarnevo::cli::RunCli(arguments, out, errors);
        if (status != tarnevo::cli::kExitOk) state.SkipWithError(errors.str().c_str());
        bytes = buffer.Count();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kIonCount));
    state.counters["jsonMB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_ClusterBatch)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string_view(argv[1]) == "--write-input") return WriteBatchLines(argv[2]) ? 0 : 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::remove(BatchInput().c_str());
    benchmark::Shutdown();
    return 0;
}
