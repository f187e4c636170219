#pragma once

#include "engine/services/ProcessCancellation.h"

#include <memory>
#include <mutex>

namespace varnel {

// For a run made of several processes one after another (a remediation, a
// brew install with retries): cancel() reaches the process that runs now, and
// every process tracked afterwards is stopped as soon as it is tracked.
class CancellableProcess final : public ProcessCancellation {
public:
    void track(std::shared_ptr<ProcessCancellation> cancellation);
    void cancel() override;
    bool isCanceled() const;

private:
    mutable std::mutex lock_;
    std::shared_ptr<ProcessCancellation> current_;
    bool canceled_ = false;
};

}  // namespace varnel
