// How long a whole profile takes compared with its slowest probe. Every
// program the profiler runs is scripted to take a known time; the probes all
// start at once, so profile() should cost about as much as the slowest one,
// not their sum.
//
//   varnel_bench_profiler            → time per profile, and ratio_to_slowest
//                                      (profile time / slowest probe; goal ≤ 1.3)

#include "engine/probing/SystemProfiler.h"
#include "support/FakeFileSystem.h"
#include "support/FakeProcessRunner.h"

#include <benchmark/benchmark.h>

#include <chrono>

using namespace varnel;
using varnel::testing::FakeFileSystem;
using varnel::testing::FakeProcessRunner;
using std::chrono::milliseconds;

namespace {
// Each probe's share of the slowest probe's time, roughly as on a real Mac
// where the login shell is by far the slowest.
struct ScriptedProbe {
    const char* commandLine;
    const char* output;
    double share;
};
constexpr ScriptedProbe kProbes[] = {
    {"/usr/bin/uname -m", "arm64\n", 0.4},
    {"/usr/bin/xcode-select -p", "/Library/Developer/CommandLineTools\n", 0.6},
    {"/usr/bin/which java", "/usr/bin/java\n", 0.3},
    {"/usr/libexec/java_home -V", "", 0.8},
    {"/bin/zsh -lc echo __KSM_JAVA_HOME__:$JAVA_HOME", "__KSM_JAVA_HOME__:/opt/jdk\n", 1.0},
    {"/usr/bin/which mise", "", 0.2},
    {"/usr/bin/which claude", "/opt/homebrew/bin/claude\n", 0.5},
    {"/usr/bin/which codex", "", 0.5},
    {"/usr/bin/which aider", "", 0.5},
};

void BM_ProfileVersusSlowestProbe(benchmark::State& state)
{
    const milliseconds slowest(state.range(0));
    FakeProcessRunner process;
    for (const ScriptedProbe& probe : kProbes) {
        const bool found = QByteArray(probe.output).size() > 0;
        process.on(QString::fromUtf8(probe.commandLine), ProcessResult{found ? 0 : 1, probe.output, {}},
                   milliseconds(static_cast<long>(slowest.count() * probe.share)));
    }
    FakeFileSystem fs;
    fs.addExecutable("/opt/homebrew/bin/brew");
    fs.addDirectory("/Applications/Warp.app");
    fs.addDirectory("/Library/Java/JavaVirtualMachines/temurin-21.jdk");
    const SystemProfiler profiler(process, fs, [](const QString&) { return QStringLiteral("/bin/zsh"); });

    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(profiler.profile());
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(elapsed.count());
        total += elapsed.count();
    }
    const double slowestSeconds = std::chrono::duration<double>(slowest).count();
    state.counters["ratio_to_slowest"] = total / double(state.iterations()) / slowestSeconds;
    double sum = 0;
    for (const ScriptedProbe& probe : kProbes)
        sum += probe.share;
    state.counters["serial_ratio"] = sum;  // what running the probes one by one would cost
}
BENCHMARK(BM_ProfileVersusSlowestProbe)
    ->Arg(50)
    ->Arg(100)
    ->Arg(200)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);
}  // namespace

BENCHMARK_MAIN();
