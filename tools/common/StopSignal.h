#pragma once

#include <stop_token>
#include <thread>

namespace varnel {

// Turns SIGINT and SIGTERM into a stop request, the way the Cancel button
// stops a running install: a tool hands token() to the work it runs, and the
// work ends with `canceled` instead of the process dying mid-step. Only one
// instance may live at a time; while it does, the signals no longer end the
// process.
class StopSignal {
public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    std::stop_token token() const { return stop_.get_token(); }

private:
    std::stop_source stop_;
    std::jthread watcher_;
};

}  // namespace varnel
