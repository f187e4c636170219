#pragma once

#include "engine/services/Expected.h"
#include "engine/services/ProcessTypes.h"
#include "engine/services/ServiceError.h"

#include <QStringList>

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace varnel {

// One child started with posix_spawn as the leader of a process group of its
// own, with /dev/null as standard input and its output on pipes whose read
// ends only we hold. The launching thread calls pump() exactly once;
// terminate() may come from any thread at any time.
//
// The child is reaped only after it has been marked as such under the lock,
// and every signal is sent under that lock while the child is known to be
// un-reaped: its pid, and so its group id, cannot have been recycled.
class PosixProcess final : public std::enable_shared_from_this<PosixProcess> {
    struct Token {};

public:
    enum class Pipes { separate, merged };
    enum class Channel { standardOutput, standardError };
    // `data` is only valid during the call.
    using OutputSink = std::function<void(Channel channel, const char* data, std::size_t size)>;

    static Expected<std::shared_ptr<PosixProcess>, ServiceError> launch(const QString& executable,
                                                                        const QStringList& arguments,
                                                                        const std::optional<Environment>& environment,
                                                                        Pipes pipes,
                                                                        std::chrono::milliseconds terminationGrace);

    PosixProcess(Token, pid_t pid, int outputFd, int errorFd, std::chrono::milliseconds terminationGrace);
    ~PosixProcess();
    PosixProcess(const PosixProcess&) = delete;
    PosixProcess& operator=(const PosixProcess&) = delete;

    pid_t pid() const { return pid_; }

    // SIGTERM to the whole group now, SIGKILL to it when anything of it is
    // still alive after the grace. Repeating it only repeats the SIGTERM.
    void terminate();

    // Hands output to `sink` as it arrives until the child has exited and its
    // pipes are drained, then reaps it and returns its termination status
    // (exit code, or the signal's number when a signal ended it; -1 when the
    // status was lost). Does not wait for descendants that keep a pipe open
    // after the child exited on its own; after terminate() it does not return
    // while anything of the group is alive, which the SIGKILL bounds.
    int32_t pump(const OutputSink& sink);

private:
    class PipeReader;

    void signalGroup(int signal) const;
    bool hasExited() const;
    void waitUntilExited() const;
    void waitForGroupAfterTermination(PipeReader& reader);
    int32_t reap();
    void escalateAfterGrace(std::chrono::steady_clock::time_point deadline);

    const pid_t pid_;
    int outputFd_;
    int errorFd_;
    const std::chrono::milliseconds terminationGrace_;

    mutable std::mutex lock_;
    std::condition_variable reapedChanged_;
    bool reaped_ = false;
    bool terminating_ = false;
    bool killed_ = false;
};

// Whether any process other than `except` in group `pgid` is still alive
// (zombies do not count). Where the system offers no way to list a group it
// answers true while the group exists, which errs on the side of the SIGKILL.
bool processGroupHasLiveMembers(pid_t pgid, pid_t except);

}  // namespace varnel
