#pragma once

#include "engine/services/ProcessRunning.h"

#include <memory>
#include <stop_token>

namespace varnel {

// Streams a program's merged output as StreamEvents, ending with exactly one
// terminal event. Callers pass /bin/zsh with "-lc" and one command line, so the
// command sees the PATH a new Terminal window would see.
//
//   line(text)             -> output(text)
//   exited(code)           -> completed(code), or canceled once a stop was requested
//   failedToStart(error)   -> output("Failed to start <exe>: <message>"), completed(-1) carrying the error
//                             (canceled when the stop came before the launch)
class ShellRunner {
public:
    explicit ShellRunner(std::shared_ptr<const ProcessRunning> process);

    // Without an environment the child inherits the assistant's.
    void stream(const QString& executable, const QStringList& arguments, const StreamSink& sink,
                std::stop_token stop = {}, const std::optional<Environment>& environment = std::nullopt) const;

    const ProcessRunning& process() const { return *process_; }

private:
    std::shared_ptr<const ProcessRunning> process_;
};

}  // namespace varnel
