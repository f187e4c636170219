#include "engine/services/CancellableProcess.h"

namespace varnel {

void CancellableProcess::track(std::shared_ptr<ProcessCancellation> cancellation)
{
    std::lock_guard guard(lock_);
    current_ = std::move(cancellation);
    if (canceled_ && current_)
        current_->cancel();
}

void CancellableProcess::cancel()
{
    std::shared_ptr<ProcessCancellation> current;
    {
        std::lock_guard guard(lock_);
        canceled_ = true;
        current = current_;
    }
    if (current)
        current->cancel();
}

bool CancellableProcess::isCanceled() const
{
    std::lock_guard guard(lock_);
    return canceled_;
}

}  // namespace varnel
