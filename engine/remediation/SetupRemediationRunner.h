#pragma once

#include "engine/remediation/SetupRemediation.h"
#include "engine/services/FileSystemOperating.h"
#include "engine/services/HTTPFetching.h"
#include "engine/services/LongWork.h"
#include "engine/services/ProcessRunning.h"
#include "engine/shellconfig/FileAppendWriter.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>

namespace varnel {

// Carries out one setup action on this Mac: runs its installers and shell
// commands, makes its shell-file edits, and reports as it goes.
//
//   runner.run(SetupRemediation::installWarp(), prompt, stop, [](const Event& e) { … });
//
// run() blocks (call it on a worker thread) and ends with exactly one
// completed(code) or canceled. A stop request terminates the program running
// at that moment and nothing is reported after it but `canceled`. The runner
// holds no state between runs: every run builds the installers and writers it
// needs from the four services, so one runner may serve several runs at once.
class SetupRemediationRunner {
public:
    struct Event {
        enum class Kind { output, completed, openBrowser, canceled };
        Kind kind = Kind::output;
        QString text;                 // output: one transcript line; openBrowser: the URL to open
        int32_t exitCode = 0;         // completed: 0 is success, -1 a program that never ran
        std::optional<QString> code;  // openBrowser: the one-time code to paste there, when known

        static Event output(QString line) { return {Kind::output, std::move(line), 0, std::nullopt}; }
        static Event completed(int32_t code) { return {Kind::completed, {}, code, std::nullopt}; }
        static Event openBrowser(QString url, std::optional<QString> code)
        {
            return {Kind::openBrowser, std::move(url), 0, std::move(code)};
        }
        static Event canceled() { return {Kind::canceled, {}, 0, std::nullopt}; }
        bool isTerminal() const { return kind == Kind::completed || kind == Kind::canceled; }
        bool operator==(const Event&) const = default;
    };

    struct Services {
        std::shared_ptr<const ProcessRunning> process;
        std::shared_ptr<const FileSystemOperating> fs;
        std::shared_ptr<const HTTPFetching> http;
    };

    // What the runner needs to know of the product it installs for.
    struct Product {
        QString displayName;    // titles the password dialog
        ShellMarker shellMarker;  // heads every block written to a shell file
        QString cacheDirName;   // under the user's caches: downloaded packages
    };

    // `brewPath` is the `brew` that probing found (absent before Homebrew is installed).
    SetupRemediationRunner(std::optional<QString> brewPath, Services services, Product product);

    // Blocking. The prompt is the password dialog's text for the installs
    // that may need administrator rights (the brew casks); others ignore it.
    void run(const SetupRemediation& remediation, const QString& passwordPrompt, std::stop_token stop,
             const EventSink<Event>& sink) const;

    // Why an action must not run at all, checked before anything in its batch
    // starts (a Git name with a line break would end the command line early).
    static std::optional<QString> refusal(const SetupRemediation& remediation);

    const std::optional<QString>& brewPath() const { return brewPath_; }

private:
    struct Run;

    std::optional<QString> brewPath_;
    Services services_;
    Product product_;
};

}  // namespace varnel
