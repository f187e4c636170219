// How long the command-line product's whole probe takes compared with its
// slowest probe. Each login shell the prober starts is scripted to take a
// known share of the slowest one's time, as on a real Mac where
// `gh auth status` asks GitHub and is by far the slowest; the probes all
// start at once, so the whole should cost about as much as that one.
//
//   varnel_bench_commandline_prober  → time per probe, and ratio_to_slowest
//                                      (whole probe / slowest probe; goal ≤ 1.2)

#include "engine/workflow/CommandLineProber.h"
#include "support/FakeFileSystem.h"
#include "support/FakeProcessRunner.h"

#include <benchmark/benchmark.h>

#include <chrono>

using namespace varnel;
using varnel::testing::FakeFileSystem;
using varnel::testing::FakeProcessRunner;
using std::chrono::milliseconds;

namespace {
// The share of the slowest probe's time each login shell takes, by a word of its command.
struct ScriptedShell {
    const char* commandContains;
    double share;
};
constexpr ScriptedShell kShells[] = {
    {"which -a brew", 0.5},
    {"brew --version", 0.7},
    {"command -v codex", 0.4},
    {"command -v gh", 0.4},
    {"git config", 0.6},
    {"gh auth status", 1.0},
};

void BM_CommandLineProbeVersusSlowestProbe(benchmark::State& state)
{
    const milliseconds slowest(state.range(0));
    FakeProcessRunner process;
    process.setFallback([slowest](const QString&, const QStringList& arguments) {
        FakeProcessRunner::Response response;
        response.result = ProcessResult{0, {}, {}};
        for (const ScriptedShell& shell : kShells)
            if (arguments.value(1).contains(QLatin1String(shell.commandContains)))
                response.delay = milliseconds(static_cast<long>(slowest.count() * shell.share));
        return std::optional(response);
    });
    FakeFileSystem fs;
    fs.addDirectory("/Applications/Claude.app");
    fs.addFile(fs.homeDirectory() + "/.zprofile", "export PATH=\"$HOME/.cargo/bin:$PATH\"\n");
    const CommandLineProber prober;

    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(prober.probe(process, fs));
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(elapsed.count());
        total += elapsed.count();
    }
    const double slowestSeconds = std::chrono::duration<double>(slowest).count();
    state.counters["ratio_to_slowest"] = total / double(state.iterations()) / slowestSeconds;
    double sum = 0;
    for (const ScriptedShell& shell : kShells)
        sum += shell.share;
    state.counters["serial_ratio"] = sum;  // what running the probes one by one would cost
}
BENCHMARK(BM_CommandLineProbeVersusSlowestProbe)
    ->Arg(50)
    ->Arg(100)
    ->Arg(200)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);
}  // namespace

BENCHMARK_MAIN();
