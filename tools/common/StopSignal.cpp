#include "tools/common/StopSignal.h"

#include <atomic>
#include <chrono>
#include <csignal>

namespace varnel {

namespace {

std::atomic<bool> signalled{false};

extern "C" void onSignal(int) { signalled = true; }

}  // namespace

StopSignal::StopSignal()
{
    signalled = false;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    // A signal handler may only set a flag; this thread passes it on.
    watcher_ = std::jthread([this](std::stop_token own) {
        while (!own.stop_requested()) {
            if (signalled) {
                stop_.request_stop();
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
}

StopSignal::~StopSignal()
{
    watcher_.request_stop();
    watcher_.join();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

}  // namespace varnel
