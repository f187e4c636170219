#include "engine/services/ShellRunner.h"

namespace varnel {

ShellRunner::ShellRunner(std::shared_ptr<const ProcessRunning> process) : process_(std::move(process)) {}

void ShellRunner::stream(const QString& executable, const QStringList& arguments, const StreamSink& sink,
                         std::stop_token stop, const std::optional<Environment>& environment) const
{
    process_->stream(
        executable, arguments, environment,
        [&](const ProcessStreamEvent& event) {
            switch (event.kind) {
            case ProcessStreamEvent::Kind::line:
                sink(StreamEvent::output(event.text));
                break;
            case ProcessStreamEvent::Kind::exited:
                // A stopped child ends with its signal's status; the user asked for a stop.
                sink(stop.stop_requested() ? StreamEvent::canceled() : StreamEvent::completed(event.code));
                break;
            case ProcessStreamEvent::Kind::failedToStart:
                if (event.error.isCanceled()) {
                    sink(StreamEvent::canceled());
                    break;
                }
                sink(StreamEvent::output(QStringLiteral("Failed to start ") + executable + QStringLiteral(": ") +
                                         event.error.message));
                sink(StreamEvent::failedToLaunch(event.error));
                break;
            }
        },
        stop);
}

}  // namespace varnel
