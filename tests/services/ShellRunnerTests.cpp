#include "engine/services/LiveProcessRunner.h"
#include "engine/services/ShellRunner.h"
#include "support/FakeProcessRunner.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <signal.h>

#include <cstring>
#include <future>
#include <thread>
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

TEST(ShellRunner, ZshLoginShellRunsTheCommandLine)
{
    if (!QFileInfo(QStringLiteral("/bin/zsh")).isExecutable())
        GTEST_SKIP() << "zsh is not installed";
    ShellRunner runner(std::make_shared<LiveProcessRunner>());
    const auto events = collect(runner, QStringLiteral("/bin/zsh"),
                                {QStringLiteral("-lc"), QStringLiteral("print -r -- \"marker:$((6 * 7))\"; exit 3")});
    ASSERT_FALSE(events.empty());
    // Login files may print their own lines first; the command's come last.
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[events.size() - 2], StreamEvent::output("marker:42"));
    EXPECT_EQ(events.back(), StreamEvent::completed(3));
}

TEST(ShellRunner, LaunchFailureBecomesAMessageAndMinusOne)
{
    ShellRunner runner(std::make_shared<LiveProcessRunner>());
    const auto events = collect(runner, QStringLiteral("/nonexistent/zsh"), {QStringLiteral("-lc"), QStringLiteral("true")});
    EXPECT_EQ(events, (std::vector<StreamEvent>{
                          StreamEvent::output(QStringLiteral("Failed to start /nonexistent/zsh: ") +
                                              QString::fromLocal8Bit(std::strerror(ENOENT))),
                          StreamEvent::completed(-1)}));

    // The same mapping for any runner that reports a launch error.
    auto fake = std::make_shared<testing::FakeProcessRunner>();
    fake->failToLaunch(QStringLiteral("/bin/zsh -lc brew --version"), QStringLiteral("Permission denied"));
    const auto faked = collect(ShellRunner(fake), QStringLiteral("/bin/zsh"),
                               {QStringLiteral("-lc"), QStringLiteral("brew --version")});
    EXPECT_EQ(faked, (std::vector<StreamEvent>{StreamEvent::output("Failed to start /bin/zsh: Permission denied"),
                                               StreamEvent::completed(-1)}));
}

TEST(ShellRunner, StopEndsWithTheSignalStatusNotCanceled)
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
    EXPECT_EQ(done.get(), (std::vector<StreamEvent>{StreamEvent::output("go"), StreamEvent::completed(SIGTERM)}));
}

}  // namespace
}  // namespace varnel
