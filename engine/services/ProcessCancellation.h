#pragma once

namespace varnel {

// Something that can stop the process (or sequence of processes) behind it.
class ProcessCancellation {
public:
    virtual ~ProcessCancellation() = default;
    virtual void cancel() = 0;
};

// A launched process as the cancellation objects see it. The live runner's
// handle signals the child's process group; fakes provide their own.
class ProcessHandle {
public:
    virtual ~ProcessHandle() = default;
    virtual bool isRunning() const = 0;
    // Polite termination (SIGTERM to the whole process group); the runner
    // escalates to SIGKILL when the group outlives a short grace.
    virtual void terminate() = 0;
};

}  // namespace varnel
