#include "engine/telemetry/SerialExecutor.h"

namespace varnel {

SerialExecutor::SerialExecutor()
{
    thread_ = std::thread([this] { run(); });
    threadID_ = thread_.get_id();
}

SerialExecutor::~SerialExecutor()
{
    {
        std::lock_guard guard(lock_);
        stopSource_.request_stop();
        tasks_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

void SerialExecutor::post(Task task)
{
    bool wasEmpty;
    {
        std::lock_guard guard(lock_);
        if (stopSource_.stop_requested())
            return;
        wasEmpty = tasks_.empty();
        tasks_.push_back(std::move(task));
    }
    // A busy thread finds the task when it comes back for the next one.
    if (wasEmpty)
        wake_.notify_one();
}

bool SerialExecutor::waitUntilIdle(std::chrono::milliseconds timeout)
{
    std::unique_lock guard(lock_);
    return idle_.wait_for(guard, timeout, [&] { return (tasks_.empty() && !running_) || stopSource_.stop_requested(); });
}

void SerialExecutor::run()
{
    const std::stop_token stop = stopSource_.get_token();
    std::unique_lock guard(lock_);
    for (;;) {
        wake_.wait(guard, [&] { return !tasks_.empty() || stop.stop_requested(); });
        if (stop.stop_requested())
            break;
        Task task = std::move(tasks_.front());
        tasks_.pop_front();
        running_ = true;
        guard.unlock();
        task(stop);
        task = nullptr;  // captured state goes before the executor reports idle
        guard.lock();
        running_ = false;
        if (tasks_.empty())
            idle_.notify_all();
    }
    running_ = false;
    idle_.notify_all();
}

}  // namespace varnel
