#include "engine/services/LiveProcessRunner.h"
#include "engine/services/ShellRunner.h"

#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <vector>

using namespace std::chrono_literals;

namespace varnel {
namespace {

std::vector<StreamEvent> collect(const ShellRunner& runner, const QString& executable, const QStringList& arguments,
                                 std::stop_token stop = {})
{
    std::vector<StreamEvent> events;
    runner.stream(executable, arguments, [&](const StreamEvent& e) { events.push_back(e); }, stop);
    return events;
}

TEST(ShellRunner, ForwardsLinesAndTheExitStatus)
{
    ShellRunner runner(std::make_shared<LiveProcessRunner>());
    const auto events =
        collect(runner, QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("echo a; echo b >&2; exit 4")});
    EXPECT_EQ(events, (std::vector<StreamEvent>{StreamEvent::output("a"), StreamEvent::output("b"),
                                                StreamEvent::completed(4)}));
}

TEST(ShellRunner, LaunchFailureBecomesAMessageAndMinusOne)
{
    ShellRunner runner(std::make_shared<LiveProcessRunner>());
    const auto events = collect(runner, QStringLiteral("/nonexistent/zsh"), {QStringLiteral("-lc"), QStringLiteral("true")});
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], StreamEvent::output(QStringLiteral("Failed to start /nonexistent/zsh: ") +
                                             QString::fromLocal8Bit(std::strerror(ENOENT))));
    EXPECT_EQ(events[1].kind, StreamEvent::Kind::completed);
    EXPECT_EQ(events[1].exitCode, -1);
    ASSERT_TRUE(events[1].launchFailure);
    EXPECT_EQ(events[1].launchFailure->code, ENOENT);
}

TEST(ShellRunner, StopEndsWithCanceledAndStartsNothingAfterwards)
{
    ShellRunner runner(std::make_shared<LiveProcessRunner>());
    std::stop_source stop;
    std::promise<void> started;
    auto done = std::async(std::launch::async, [&] {
        std::vector<StreamEvent> events;
        bool signaled = false;
        runner.stream(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("echo go; sleep 30")},
                      [&](const StreamEvent& e) {
                          events.push_back(e);
                          if (!signaled) {
                              signaled = true;
                              started.set_value();
                          }
                      },
                      stop.get_token());
        return events;
    });
    started.get_future().wait();
    stop.request_stop();
    ASSERT_EQ(done.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(done.get(), (std::vector<StreamEvent>{StreamEvent::output("go"), StreamEvent::canceled()}));

    // The same token keeps every later step of the run from starting.
    const auto started2 = std::chrono::steady_clock::now();
    EXPECT_EQ(collect(runner, QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("sleep 30")},
                      stop.get_token()),
              (std::vector<StreamEvent>{StreamEvent::canceled()}));
    EXPECT_LT(std::chrono::steady_clock::now() - started2, 1s);
}

}  // namespace
}  // namespace varnel
