// The progress screen under a fast installer, and how quickly an install starts.
//
// BM_StreamingTranscript: an action prints 5,000 lines a second for two
// seconds while the screen is shown (offscreen). A 1 ms timer on the UI
// thread measures how long the event loop was away between two turns.
//   max_gap_ms    the longest gap (goal: at most 16 ms, one frame)
//   p99_gap_ms    the 99th percentile of the gaps
//   lines         lines that reached the transcript
//
// BM_PressToFirstChild: from the screen being shown (what the action button
// does) to the runner starting its first program, through the real runner and
// a fake process runner.
//   first_child_ms       the mean (goal: at most 50 ms, password dialog aside)
//   first_child_max_ms   the slowest

#include "app/CommandLineProduct.h"
#include "ui/SetupActionProgressView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace varnel;
using Clock = std::chrono::steady_clock;
using Event = SetupRemediationRunner::Event;

namespace {

// Notes when the first program was asked to start and answers at once.
class StartClock final : public ProcessRunning {
public:
    mutable std::atomic<Clock::time_point::rep> firstStart{0};

    Expected<ProcessResult, ServiceError> run(const QString&, const QStringList&, const std::optional<Environment>&,
                                              std::stop_token) const override
    {
        note();
        return ProcessResult{};
    }
    void stream(const QString&, const QStringList&, const std::optional<Environment>&, const ProcessStreamSink& sink,
                std::stop_token) const override
    {
        note();
        sink(ProcessStreamEvent::exited(0));
    }

private:
    void note() const
    {
        Clock::time_point::rep none = 0;
        firstStart.compare_exchange_strong(none, Clock::now().time_since_epoch().count());
    }
};

bool processEventsUntil(const std::function<bool()>& done, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

void BM_StreamingTranscript(benchmark::State& state)
{
    constexpr int linesPerSecond = 5000;
    constexpr int seconds = 2;
    double worst = 0, p99 = 0, lines = 0;
    for (auto _ : state) {
        SetupActionProgressView::Dependencies deps;
        deps.track = [](const TrackedEvent&) {};
        deps.run = [](const SetupRemediation&, const QString&, std::stop_token stop, const EventSink<Event>& sink) {
            const auto begin = Clock::now();
            for (int i = 0; i < linesPerSecond * seconds && !stop.stop_requested(); ++i) {
                sink(Event::output(QStringLiteral("==> Downloading https://ghcr.io/v2/homebrew/core/bottle %1 ")
                                       .arg(i) +
                                   QString(40, u'#') + QStringLiteral(" %1.0%").arg(i % 100)));
                std::this_thread::sleep_until(begin + std::chrono::microseconds(i * 1'000'000 / linesPerSecond));
            }
            sink(Event::completed(0));
        };
        SetupActionProgressView view(QStringLiteral("Install Homebrew"), {SetupRemediation::installHomebrew()},
                                     std::move(deps), false, [](auto) {});
        view.resize(720, 720);

        std::vector<double> gaps;
        auto last = Clock::now();
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        probe.setInterval(1);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const auto now = Clock::now();
            gaps.push_back(std::chrono::duration<double, std::milli>(now - last).count());
            last = now;
        });
        probe.start();
        view.show();
        processEventsUntil([&] { return view.exitCode().has_value(); });
        probe.stop();

        std::sort(gaps.begin(), gaps.end());
        worst = std::max(worst, gaps.empty() ? 0.0 : gaps.back());
        p99 = std::max(p99, gaps.empty() ? 0.0 : gaps[gaps.size() * 99 / 100]);
        lines = double(view.lines().size());
    }
    state.counters["max_gap_ms"] = worst;  // over all iterations
    state.counters["p99_gap_ms"] = p99;
    state.counters["lines"] = lines;
}
BENCHMARK(BM_StreamingTranscript)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PressToFirstChild(benchmark::State& state)
{
    auto process = std::make_shared<StartClock>();
    std::atomic<Clock::time_point::rep>& firstChild = process->firstStart;
    const SetupRemediationRunner runner(std::nullopt, {process, nullptr, nullptr},
                                        {QStringLiteral("Varnel"), ShellMarker{}, QStringLiteral("varnel")});
    double total = 0, slowest = 0;
    for (auto _ : state) {
        firstChild = 0;
        SetupActionProgressView::Dependencies deps;
        deps.track = [](const TrackedEvent&) {};
        deps.run = [&runner](const SetupRemediation& r, const QString& prompt, std::stop_token stop,
                             const EventSink<Event>& sink) { runner.run(r, prompt, stop, sink); };
        const auto pressed = Clock::now();
        SetupActionProgressView view(QStringLiteral("Install Node"), {SetupRemediation::installNodeViaMise()},
                                     std::move(deps), false, [](auto) {});
        view.show();
        processEventsUntil([&] { return firstChild.load() != 0; });
        const double ms = std::chrono::duration<double, std::milli>(
                              Clock::time_point(Clock::duration(firstChild.load())) - pressed)
                              .count();
        total += ms;
        slowest = std::max(slowest, ms);
        state.SetIterationTime(ms / 1000.0);
        processEventsUntil([&] { return view.exitCode().has_value(); });
    }
    state.counters["first_child_ms"] = total / double(state.iterations());
    state.counters["first_child_max_ms"] = slowest;
}
BENCHMARK(BM_PressToFirstChild)->Iterations(50)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ProductConfig::setCurrent(products::commandLine());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
