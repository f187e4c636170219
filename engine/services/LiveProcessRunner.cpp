#include "engine/services/LiveProcessRunner.h"

#include "engine/services/PosixProcess.h"
#include "engine/services/ProcessLineSplitter.h"

#include <QByteArray>
#include <QStringDecoder>

namespace varnel {

namespace {

// The whole buffer as UTF-8, or the empty text when any of it is not UTF-8.
QString decodeStrictly(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    return decoder.hasError() ? QString() : text;
}

}  // namespace

LiveProcessRunner::LiveProcessRunner(std::chrono::milliseconds terminationGrace) : terminationGrace_(terminationGrace) {}

Expected<ProcessResult, ServiceError> LiveProcessRunner::run(const QString& executable, const QStringList& arguments,
                                                             const std::optional<Environment>& environment,
                                                             std::stop_token stop) const
{
    if (stop.stop_requested())
        return Expected<ProcessResult, ServiceError>::failure(ServiceError::canceled());
    auto launched = PosixProcess::launch(executable, arguments, environment, PosixProcess::Pipes::separate,
                                         terminationGrace_);
    if (!launched)
        return Expected<ProcessResult, ServiceError>::failure(launched.error());
    const std::shared_ptr<PosixProcess> process = std::move(launched).value();
    // Runs at once when the stop came between the check above and here.
    std::stop_callback onStop(stop, [&process] { process->terminate(); });

    QByteArray output;
    QByteArray error;
    const int32_t code = process->pump([&](PosixProcess::Channel channel, const char* data, std::size_t size) {
        (channel == PosixProcess::Channel::standardOutput ? output : error).append(data, static_cast<qsizetype>(size));
    });
    return ProcessResult{code, decodeStrictly(output), decodeStrictly(error)};
}

void LiveProcessRunner::stream(const QString& executable, const QStringList& arguments,
                               const std::optional<Environment>& environment, const ProcessStreamSink& sink,
                               std::stop_token stop) const
{
    if (stop.stop_requested()) {
        sink(ProcessStreamEvent::failedToStart(ServiceError::canceled()));
        return;
    }
    auto launched = PosixProcess::launch(executable, arguments, environment, PosixProcess::Pipes::merged,
                                         terminationGrace_);
    if (!launched) {
        sink(ProcessStreamEvent::failedToStart(launched.error()));
        return;
    }
    const std::shared_ptr<PosixProcess> process = std::move(launched).value();
    // Runs at once when the stop came between the check above and here.
    std::stop_callback onStop(stop, [&process] { process->terminate(); });

    ProcessLineSplitter lines([&sink](const QString& line) { sink(ProcessStreamEvent::line(line)); });
    const int32_t code = process->pump(
        [&lines](PosixProcess::Channel, const char* data, std::size_t size) { lines.feed(data, size); });
    lines.finish();
    sink(ProcessStreamEvent::exited(code));
}

}  // namespace varnel
