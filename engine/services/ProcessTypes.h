#pragma once

#include "engine/services/ServiceError.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>

namespace varnel {

// A child's whole environment. When a run is given one, it replaces the
// assistant's environment entirely.
using Environment = std::map<QString, QString>;

// The assistant's own environment as a map (to pass explicitly, with overrides).
Environment currentEnvironment();

struct ProcessResult {
    int32_t exitCode = 0;
    // Complete output decoded as UTF-8; empty when the bytes are not valid UTF-8.
    // (Not named stdout/stderr: those are macros on macOS.)
    QString standardOutput;
    QString standardError;
    bool operator==(const ProcessResult&) const = default;
};

// One event of a streamed process. Exactly one terminal event (exited or
// failedToStart) ends every stream.
struct ProcessStreamEvent {
    enum class Kind { line, exited, failedToStart };
    Kind kind = Kind::line;
    QString text;        // the line
    int32_t code = 0;    // exit status for `exited`
    ServiceError error;  // why the launch failed, for `failedToStart`

    static ProcessStreamEvent line(QString t) { return {Kind::line, std::move(t), 0, {}}; }
    static ProcessStreamEvent exited(int32_t c) { return {Kind::exited, {}, c, {}}; }
    static ProcessStreamEvent failedToStart(ServiceError e) { return {Kind::failedToStart, {}, 0, std::move(e)}; }
    bool isTerminal() const { return kind != Kind::line; }
    bool operator==(const ProcessStreamEvent&) const = default;
};

// The event type of long work that reports lines and ends with a code: the
// shell runner, the Homebrew installer, the brew runner. Exactly one terminal
// event (completed or canceled) ends every run. `completed` with a launch
// failure carries it as a value (code -1), besides the line that tells the user.
struct StreamEvent {
    enum class Kind { output, completed, canceled };
    Kind kind = Kind::output;
    QString text;
    int32_t exitCode = 0;
    std::optional<ServiceError> launchFailure;

    static StreamEvent output(QString t) { return {Kind::output, std::move(t), 0, {}}; }
    static StreamEvent completed(int32_t c) { return {Kind::completed, {}, c, {}}; }
    static StreamEvent failedToLaunch(ServiceError e) { return {Kind::completed, {}, -1, std::move(e)}; }
    static StreamEvent canceled() { return {Kind::canceled, {}, 0, {}}; }
    bool isTerminal() const { return kind != Kind::output; }
    bool operator==(const StreamEvent&) const = default;
};

using ProcessStreamSink = std::function<void(const ProcessStreamEvent&)>;
using StreamSink = std::function<void(const StreamEvent&)>;

}  // namespace varnel
