#include "support/FakeProcessRunner.h"

#include <thread>

namespace varnel::testing {

namespace {
// Sleeps for `delay` unless stopped; returns false when interrupted.
bool interruptibleSleep(std::chrono::milliseconds delay, const std::function<bool()>& interrupted)
{
    const auto until = std::chrono::steady_clock::now() + delay;
    while (std::chrono::steady_clock::now() < until) {
        if (interrupted())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return !interrupted();
}
ServiceError launchError(const std::optional<FakeProcessRunner::Response>& response)
{
    return ServiceError{response ? response->launchError : QStringLiteral("No such file or directory"), 2,
                        QStringLiteral("posix")};
}
}  // namespace

QString FakeProcessRunner::key(const QString& executable, const QStringList& arguments)
{
    return arguments.isEmpty() ? executable : executable + u' ' + arguments.join(u' ');
}

void FakeProcessRunner::on(const QString& commandLine, ProcessResult result, std::chrono::milliseconds delay)
{
    Response r;
    r.result = std::move(result);
    r.delay = delay;
    on(commandLine, std::move(r));
}

void FakeProcessRunner::on(const QString& commandLine, Response response)
{
    std::lock_guard guard(lock_);
    responses_[commandLine] = std::move(response);
}

void FakeProcessRunner::setFallback(
    std::function<std::optional<Response>(const QString& executable, const QStringList& arguments)> f)
{
    std::lock_guard guard(lock_);
    fallback_ = std::move(f);
}

QStringList FakeProcessRunner::calls() const
{
    std::lock_guard guard(lock_);
    return calls_;
}

int FakeProcessRunner::callCount(const QString& commandLine) const
{
    std::lock_guard guard(lock_);
    return static_cast<int>(calls_.count(commandLine));
}

std::vector<std::optional<Environment>> FakeProcessRunner::environments() const
{
    std::lock_guard guard(lock_);
    return environments_;
}

std::optional<FakeProcessRunner::Response> FakeProcessRunner::responseFor(const QString& executable,
                                                                          const QStringList& arguments,
                                                                          const std::optional<Environment>& environment) const
{
    const QString k = key(executable, arguments);
    std::function<std::optional<Response>(const QString&, const QStringList&)> fallback;
    {
        std::lock_guard guard(lock_);
        calls_ << k;
        environments_.push_back(environment);
        auto it = responses_.find(k);
        if (it != responses_.end())
            return it->second;
        fallback = fallback_;
    }
    if (fallback)
        return fallback(executable, arguments);
    return std::nullopt;
}

Expected<ProcessResult, ServiceError> FakeProcessRunner::run(const QString& executable, const QStringList& arguments,
                                                             const std::optional<Environment>& environment,
                                                             std::stop_token stop) const
{
    if (stop.stop_requested())
        return Expected<ProcessResult, ServiceError>::failure(ServiceError::canceled());
    auto response = responseFor(executable, arguments, environment);
    if (!response || !response->result)
        return Expected<ProcessResult, ServiceError>::failure(launchError(response));
    if (!interruptibleSleep(response->delay, [&] { return stop.stop_requested(); }))
        return ProcessResult{15, {}, {}};
    return *response->result;
}

void FakeProcessRunner::stream(const QString& executable, const QStringList& arguments,
                               const std::optional<Environment>& environment, const ProcessStreamSink& sink,
                               std::stop_token stop) const
{
    if (stop.stop_requested()) {
        sink(ProcessStreamEvent::failedToStart(ServiceError::canceled()));
        return;
    }
    auto response = responseFor(executable, arguments, environment);
    if (!response || !response->result) {
        sink(ProcessStreamEvent::failedToStart(launchError(response)));
        return;
    }
    const auto interrupted = [&] { return stop.stop_requested(); };
    for (const QString& line : response->streamLines) {
        if (interrupted())
            break;
        sink(ProcessStreamEvent::line(line));
    }
    const bool finished = interruptibleSleep(response->delay, interrupted);
    sink(ProcessStreamEvent::exited(finished ? response->result->exitCode : 15));
}

}  // namespace varnel::testing
