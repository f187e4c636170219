#pragma once

#include "engine/services/Expected.h"
#include "engine/services/ProcessTypes.h"
#include "engine/services/ServiceError.h"

#include <QStringList>

#include <optional>
#include <stop_token>

namespace varnel {

// Every external program the assistant starts goes through this interface.
// Both operations block the calling thread until the child is done, so call
// them from a worker thread, never from the UI thread.
//
// Stopping is the stop token's job alone: a stop request terminates the child
// (its whole process group) from any thread, and a program asked to start
// after the stop was requested is not started at all (the launch fails with
// ServiceError::canceled()). A sequence of programs that shares one token is
// therefore stopped as a whole, whichever of them runs at that moment.
class ProcessRunning {
public:
    virtual ~ProcessRunning() = default;

    // Runs `executable` (an absolute path) to completion and returns its exit
    // status with all of stdout and stderr, or the launch error. Without an
    // environment the child inherits ours. A stopped child's result carries
    // the signal's status; callers tell a cancel from their own token.
    virtual Expected<ProcessResult, ServiceError> run(const QString& executable, const QStringList& arguments,
                                                      const std::optional<Environment>& environment = std::nullopt,
                                                      std::stop_token stop = {}) const = 0;

    // Runs `executable` with stdout and stderr merged into one pipe and hands
    // each line to `sink` as it arrives, then exactly one terminal event
    // (`exited` after every line, or `failedToStart`).
    virtual void stream(const QString& executable, const QStringList& arguments,
                        const std::optional<Environment>& environment, const ProcessStreamSink& sink,
                        std::stop_token stop = {}) const = 0;
};

}  // namespace varnel
