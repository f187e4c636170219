#pragma once

#include "engine/services/ProcessRunning.h"

namespace varnel {

// Hands one stop token to every program a piece of work runs, so a stop
// request reaches children started deep inside code that takes no token of
// its own (a profiler, a prober, a verifier).
class StoppingProcessRunner final : public ProcessRunning {
public:
    StoppingProcessRunner(const ProcessRunning& inner, std::stop_token stop) : inner_(inner), stop_(std::move(stop)) {}

    Expected<ProcessResult, ServiceError> run(const QString& executable, const QStringList& arguments,
                                              const std::optional<Environment>& environment = std::nullopt,
                                              std::stop_token stop = {}) const override
    {
        return inner_.run(executable, arguments, environment, stop.stop_possible() ? stop : stop_);
    }

    void stream(const QString& executable, const QStringList& arguments, const std::optional<Environment>& environment,
                const ProcessStreamSink& sink, std::stop_token stop = {}) const override
    {
        inner_.stream(executable, arguments, environment, sink, stop.stop_possible() ? stop : stop_);
    }

private:
    const ProcessRunning& inner_;
    std::stop_token stop_;
};

}  // namespace varnel
