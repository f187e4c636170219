#include "engine/services/ShellRunner.h"

namespace varnel {

ShellRunner::ShellRunner(std::shared_ptr<const ProcessRunning> process) : process_(std::move(process)) {}

void ShellRunner::stream(const QString& executable, const QStringList& arguments, const StreamSink& sink,
                         std::stop_token stop) const
{
    auto cancellation = std::make_shared<LiveProcessCancellation>();
    process_->stream(executable, arguments, std::nullopt, cancellation,
                     [&](const ProcessStreamEvent& event) {
                         switch (event.kind) {
                         case ProcessStreamEvent::Kind::line:
                             sink(StreamEvent::output(event.text));
                             break;
                         case ProcessStreamEvent::Kind::exited:
                             sink(StreamEvent::completed(event.code));
                             break;
                         case ProcessStreamEvent::Kind::failedToStart:
                             sink(StreamEvent::output(QStringLiteral("Failed to start ") + executable +
                                                      QStringLiteral(": ") + event.text));
                             sink(StreamEvent::completed(-1));
                             break;
                         }
                     },
                     stop);
}

}  // namespace varnel
