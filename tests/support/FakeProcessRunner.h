#pragma once

#include "engine/services/ProcessRunning.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace varnel::testing {

// A scripted ProcessRunning. Responses are keyed by the command line
// ("<executable> <arg> <arg>…", joined with single spaces). An unscripted
// command fails to launch like a missing executable, which is what probes
// must survive anyway. Thread-safe: probes call it from many threads at once.
class FakeProcessRunner final : public ProcessRunning {
public:
    struct Response {
        std::optional<ProcessResult> result;  // absent: launch error
        QString launchError = QStringLiteral("No such file or directory");
        std::chrono::milliseconds delay{0};
        QStringList streamLines;              // for stream(): lines before `exited`
    };

    static QString key(const QString& executable, const QStringList& arguments);

    // Scripts a command line.
    void on(const QString& commandLine, ProcessResult result, std::chrono::milliseconds delay = {});
    void on(const QString& commandLine, Response response);
    // Called for commands without a scripted answer; may return nullopt to fall through.
    void setFallback(std::function<std::optional<Response>(const QString& executable, const QStringList& arguments)> f);

    // Every command line run so far, in call order.
    QStringList calls() const;
    int callCount(const QString& commandLine) const;
    std::vector<std::optional<Environment>> environments() const;

    Expected<ProcessResult, ServiceError> run(const QString& executable, const QStringList& arguments,
                                              const std::optional<Environment>& environment = std::nullopt,
                                              std::stop_token stop = {}) const override;
    void stream(const QString& executable, const QStringList& arguments, const std::optional<Environment>& environment,
                const ProcessStreamSink& sink, std::stop_token stop = {}) const override;

private:
    std::optional<Response> responseFor(const QString& executable, const QStringList& arguments,
                                        const std::optional<Environment>& environment) const;

    mutable std::mutex lock_;
    std::map<QString, Response> responses_;
    std::function<std::optional<Response>(const QString&, const QStringList&)> fallback_;
    mutable QStringList calls_;
    mutable std::vector<std::optional<Environment>> environments_;
};

}  // namespace varnel::testing
