#pragma once

#include "engine/services/Expected.h"
#include "engine/services/LiveProcessCancellation.h"
#include "engine/services/ProcessTypes.h"
#include "engine/services/ServiceError.h"

#include <QStringList>

#include <memory>
#include <optional>
#include <stop_token>

namespace varnel {

// Every external program the assistant starts goes through this interface.
// Both operations block the calling thread until the child is done, so call
// them from a worker thread, never from the UI thread.
class ProcessRunning {
public:
    virtual ~ProcessRunning() = default;

    // Runs `executable` (an absolute path) to completion and returns its exit
    // status with all of stdout and stderr, or the launch error. Without an
    // environment the child inherits ours. A stop request terminates the child
    // (and its process group); the result then carries the signal's status.
    virtual Expected<ProcessResult, ServiceError> run(const QString& executable, const QStringList& arguments,
                                                      const std::optional<Environment>& environment = std::nullopt,
                                                      std::stop_token stop = {}) const = 0;

    // Runs `executable` with stdout and stderr merged into one pipe and hands
    // each line to `sink` as it arrives, then exactly one terminal event
    // (`exited` after every line, or `failedToStart`). `cancellation->cancel()`
    // or a stop request terminates the child from any thread.
    virtual void stream(const QString& executable, const QStringList& arguments,
                        const std::optional<Environment>& environment,
                        const std::shared_ptr<LiveProcessCancellation>& cancellation,
                        const ProcessStreamSink& sink, std::stop_token stop = {}) const = 0;
};

}  // namespace varnel
