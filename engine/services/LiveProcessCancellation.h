#pragma once

#include "engine/services/ProcessCancellation.h"

#include <memory>
#include <mutex>

namespace varnel {

// Shared between a stream's producer and its consumer; serves exactly one
// process. A cancel that arrives before the launch still stops the process:
// attach() terminates it at once.
class LiveProcessCancellation final : public ProcessCancellation {
public:
    void attach(std::shared_ptr<ProcessHandle> process);
    void cancel() override;
    bool isCanceled() const;

private:
    mutable std::mutex lock_;
    std::shared_ptr<ProcessHandle> process_;
    bool canceled_ = false;
};

}  // namespace varnel
