#pragma once

#include "engine/services/ProcessRunning.h"

#include <memory>
#include <stop_token>

namespace varnel {

// Streams a program's merged output as StreamEvents. Every caller passes
// /bin/zsh with "-lc" and one command line, so the command sees the PATH a new
// Terminal window would see. The child inherits the assistant's environment.
//
//   line(text)            -> output(text)
//   exited(code)          -> completed(code)
//   failedToStart(message)-> output("Failed to start <exe>: <message>"), completed(-1)
//
// ShellRunner never reports `canceled` itself: a stop terminates the child,
// which still ends the stream with completed(<signal status>), and the caller
// that asked for the stop reports the cancel in its own terms.
class ShellRunner {
public:
    explicit ShellRunner(std::shared_ptr<const ProcessRunning> process);

    void stream(const QString& executable, const QStringList& arguments, const StreamSink& sink,
                std::stop_token stop = {}) const;

    const ProcessRunning& process() const { return *process_; }

private:
    std::shared_ptr<const ProcessRunning> process_;
};

}  // namespace varnel
