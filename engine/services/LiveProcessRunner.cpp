#include "engine/services/LiveProcessRunner.h"

// Placeholder until the POSIX implementation lands.
namespace varnel {

LiveProcessRunner::LiveProcessRunner(std::chrono::milliseconds terminationGrace) : terminationGrace_(terminationGrace) {}

Expected<ProcessResult, ServiceError> LiveProcessRunner::run(const QString& executable, const QStringList&,
                                                             const std::optional<Environment>&, std::stop_token) const
{
    return Expected<ProcessResult, ServiceError>::failure(ServiceError::fromErrno(ENOSYS, executable));
}

void LiveProcessRunner::stream(const QString&, const QStringList&, const std::optional<Environment>&,
                               const std::shared_ptr<LiveProcessCancellation>&, const ProcessStreamSink& sink,
                               std::stop_token) const
{
    sink(ProcessStreamEvent::failedToStart(QStringLiteral("not implemented")));
}

}  // namespace varnel
