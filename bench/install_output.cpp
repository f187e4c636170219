// The install output filter on a long Homebrew transcript.
//
//   IncrementalFeed          : one line fed to the incremental filter (items/s = lines/s; goal >= 1M/s)
//   WholeListRefilter/20000  : filter() over the whole 20,000-line transcript, what a screen that
//                              refilters on every render pays per new line at that length
//   RefilterEveryLine/20000  : the whole install shown that way (quadratic), sampled every 500 lines:
//                              times 500 is the whole cost; compare with IncrementalTranscript/20000

#include "engine/remediation/InstallOutputFilter.h"

#include <benchmark/benchmark.h>

namespace {

using varnel::InstallOutputFilter;

// Homebrew's install: headings, progress, git output, a few system log
// lines, the old-macOS warning and the Next steps block, repeated.
QStringList transcript(int lines)
{
    const QStringList pattern{
        QStringLiteral("==> Downloading and installing Homebrew..."),
        QStringLiteral("remote: Enumerating objects: 1029, done."),
        QStringLiteral("Receiving objects:  42% (432/1029), 1.20 MiB | 4.00 MiB/s"),
        QStringLiteral("2026-01-08 10:11:12.345 installer[123:456] PackageKit: Extracting files"),
        QStringLiteral("HEAD is now at 3c4d5e6 Merge pull request #19000"),
        QStringLiteral("==> We (and Apple) do not provide support for this old version."),
        QStringLiteral("==> Pouring portable-ruby-3.4.4.arm64_big_sur.bottle.tar.gz"),
        QStringLiteral("==> Next steps:"),
        QStringLiteral("- Run these commands in your terminal to add Homebrew to your PATH:"),
        QStringLiteral("    echo >> /Users/anna/.zprofile"),
        QStringLiteral("    eval \"$(/opt/homebrew/bin/brew shellenv zsh)\""),
        QStringLiteral("- Further documentation:"),
        QStringLiteral("    https://docs.brew.sh"),
        QStringLiteral("Updating files: 100% (3401/3401), done."),
    };
    QStringList out;
    out.reserve(lines);
    for (int i = 0; i < lines; ++i)
        out << pattern[i % pattern.size()];
    return out;
}

void IncrementalFeed(benchmark::State& state)
{
    const QStringList lines = transcript(20000);
    InstallOutputFilter filter;
    QStringList shown;
    qsizetype i = 0;
    for (auto _ : state) {
        filter.feed(lines[i], shown);
        if (++i == lines.size()) {
            state.PauseTiming();
            i = 0;
            shown.clear();
            filter = InstallOutputFilter();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(IncrementalFeed);

void IncrementalTranscript(benchmark::State& state)
{
    const QStringList lines = transcript(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        InstallOutputFilter filter;
        QStringList shown;
        for (const QString& line : lines)
            filter.feed(line, shown);
        benchmark::DoNotOptimize(shown);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(IncrementalTranscript)->Arg(20000)->Unit(benchmark::kMillisecond);

void WholeListRefilter(benchmark::State& state)
{
    const QStringList lines = transcript(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(InstallOutputFilter::filter(lines));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(WholeListRefilter)->Arg(20000)->Unit(benchmark::kMillisecond);

// Every 500th prefix, scaled by 500: the cost of refiltering on every line.
void RefilterEveryLine(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const QStringList lines = transcript(n);
    constexpr int kStride = 500;
    for (auto _ : state) {
        for (int length = kStride; length <= n; length += kStride)
            benchmark::DoNotOptimize(InstallOutputFilter::filter(lines.first(length)));
    }
}
BENCHMARK(RefilterEveryLine)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
