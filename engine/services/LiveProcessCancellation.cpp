#include "engine/services/LiveProcessCancellation.h"

namespace varnel {

void LiveProcessCancellation::attach(std::shared_ptr<ProcessHandle> process)
{
    std::lock_guard guard(lock_);
    if (canceled_ && process)
        process->terminate();
    process_ = std::move(process);
}

void LiveProcessCancellation::cancel()
{
    std::lock_guard guard(lock_);
    canceled_ = true;
    if (process_ && process_->isRunning())
        process_->terminate();
}

bool LiveProcessCancellation::isCanceled() const
{
    std::lock_guard guard(lock_);
    return canceled_;
}

}  // namespace varnel
