#include "engine/services/CancellableProcess.h"
#include "engine/services/LiveProcessCancellation.h"
#include "engine/services/LiveProcessRunner.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <chrono>
#include <future>

using namespace std::chrono_literals;

namespace varnel {
namespace {

class RecordingHandle final : public ProcessHandle {
public:
    bool isRunning() const override { return running; }
    void terminate() override { ++terminations; }
    std::atomic<bool> running{true};
    std::atomic<int> terminations{0};
};

class RecordingCancellation final : public ProcessCancellation {
public:
    void cancel() override { ++cancels; }
    std::atomic<int> cancels{0};
};

TEST(LiveProcessCancellation, CancelReachesTheAttachedProcessWhileItRuns)
{
    LiveProcessCancellation cancellation;
    auto handle = std::make_shared<RecordingHandle>();
    cancellation.attach(handle);
    EXPECT_EQ(handle->terminations, 0);
    EXPECT_FALSE(cancellation.isCanceled());

    cancellation.cancel();
    EXPECT_EQ(handle->terminations, 1);
    EXPECT_TRUE(cancellation.isCanceled());

    // Once the process has ended, cancelling again signals nothing.
    handle->running = false;
    cancellation.cancel();
    EXPECT_EQ(handle->terminations, 1);
    EXPECT_TRUE(cancellation.isCanceled());
}

TEST(LiveProcessCancellation, CancelBeforeAttachTerminatesOnAttach)
{
    LiveProcessCancellation cancellation;
    cancellation.cancel();
    cancellation.cancel();
    auto handle = std::make_shared<RecordingHandle>();
    cancellation.attach(handle);
    EXPECT_EQ(handle->terminations, 1);
}

TEST(CancellableProcess, CancelReachesTheCurrentAndEveryLaterProcess)
{
    CancellableProcess sequence;
    auto first = std::make_shared<RecordingCancellation>();
    sequence.track(first);
    EXPECT_EQ(first->cancels, 0);

    sequence.cancel();
    EXPECT_EQ(first->cancels, 1);
    EXPECT_TRUE(sequence.isCanceled());

    // Once canceled, stays canceled: the next step of the sequence is stopped on arrival.
    auto second = std::make_shared<RecordingCancellation>();
    sequence.track(second);
    EXPECT_EQ(second->cancels, 1);
    EXPECT_EQ(first->cancels, 1);

    sequence.cancel();  // harmless: the current one just hears it again
    EXPECT_EQ(second->cancels, 2);
    EXPECT_EQ(first->cancels, 1);
}

TEST(CancellableProcess, CancelBeforeTrackStopsTheNextRealProcess)
{
    LiveProcessRunner runner;
    CancellableProcess sequence;
    sequence.cancel();
    sequence.cancel();

    auto cancellation = std::make_shared<LiveProcessCancellation>();
    sequence.track(cancellation);
    EXPECT_TRUE(cancellation->isCanceled());

    std::vector<ProcessStreamEvent> events;
    const auto started = std::chrono::steady_clock::now();
    runner.stream(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("sleep 30")}, std::nullopt,
                  cancellation, [&](const ProcessStreamEvent& e) { events.push_back(e); });
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    EXPECT_EQ(events, (std::vector<ProcessStreamEvent>{ProcessStreamEvent::exited(SIGTERM)}));
}

TEST(CancellableProcess, CancelFromAnotherThreadStopsTheRunningStep)
{
    LiveProcessRunner runner;
    auto sequence = std::make_shared<CancellableProcess>();
    std::promise<void> running;
    auto done = std::async(std::launch::async, [&] {
        auto cancellation = std::make_shared<LiveProcessCancellation>();
        sequence->track(cancellation);
        std::vector<ProcessStreamEvent> events;
        runner.stream(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("echo up; sleep 30")},
                      std::nullopt, cancellation, [&](const ProcessStreamEvent& e) {
                          if (events.empty())
                              running.set_value();
                          events.push_back(e);
                      });
        return events;
    });
    running.get_future().wait();
    sequence->cancel();
    ASSERT_EQ(done.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(done.get(), (std::vector<ProcessStreamEvent>{ProcessStreamEvent::line("up"),
                                                           ProcessStreamEvent::exited(SIGTERM)}));
}

}  // namespace
}  // namespace varnel
