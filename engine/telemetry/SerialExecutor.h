#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

namespace varnel {

// One thread that runs posted tasks one at a time, in the order they were
// posted: the executor that makes a service an actor. Posting never waits for
// the thread. Destruction stops the thread: the running task is asked to stop
// through its token, tasks not yet started are dropped.
class SerialExecutor {
public:
    using Task = std::function<void(std::stop_token)>;

    SerialExecutor();
    ~SerialExecutor();
    SerialExecutor(const SerialExecutor&) = delete;
    SerialExecutor& operator=(const SerialExecutor&) = delete;

    void post(Task task);

    // Waits until every task posted so far, and every task those post in turn,
    // has run. False when `timeout` passed first. Never call it from a task.
    bool waitUntilIdle(std::chrono::milliseconds timeout);

    bool isCurrentThread() const { return std::this_thread::get_id() == threadID_; }

private:
    void run();

    std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Task> tasks_;
    bool running_ = false;  // a task is executing
    std::stop_source stopSource_;
    std::thread thread_;
    std::thread::id threadID_;
};

}  // namespace varnel
