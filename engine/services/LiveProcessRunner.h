#pragma once

#include "engine/services/ProcessRunning.h"

#include <chrono>

namespace varnel {

// The POSIX implementation of ProcessRunning (posix_spawn, pipes, poll, waitid).
//
// Every child starts in its own process group with /dev/null as standard input
// and no descriptor of ours but its pipe ends. Terminating a child signals the
// whole group with SIGTERM and, when anything of the group is still alive after
// `terminationGrace`, with SIGKILL: a stopped `zsh -lc 'brew …'` leaves nothing
// behind, and a stopped call returns only once the group is gone.
//
// Both calls run on the calling thread and need no other: one poll loop reads
// the pipes. stream() delivers every line the child wrote before `exited`,
// including a last one without a line break, and splits at "\n", "\r\n" and a
// lone "\r". A child that exits while a background descendant still holds the
// pipe ends the stream all the same (the descendant is left alone).
class LiveProcessRunner final : public ProcessRunning {
public:
    explicit LiveProcessRunner(std::chrono::milliseconds terminationGrace = std::chrono::seconds(3));

    Expected<ProcessResult, ServiceError> run(const QString& executable, const QStringList& arguments,
                                              const std::optional<Environment>& environment = std::nullopt,
                                              std::stop_token stop = {}) const override;

    void stream(const QString& executable, const QStringList& arguments,
                const std::optional<Environment>& environment, const ProcessStreamSink& sink,
                std::stop_token stop = {}) const override;

private:
    std::chrono::milliseconds terminationGrace_;
};

}  // namespace varnel
