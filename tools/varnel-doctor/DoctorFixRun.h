#pragma once

#include "engine/remediation/InstallOutputFilter.h"
#include "engine/remediation/SetupRemediationRunner.h"

#include <QByteArray>
#include <QJsonObject>

#include <functional>
#include <mutex>
#include <set>
#include <stop_token>
#include <vector>

namespace varnel {

// Runs a list of fixes one after another the way the progress screen runs a
// batch, and writes what happens as it happens: the transcript (filtered as
// the screen shows it, or raw), the sign-in code and address, and how each
// fix ended, as text or as one JSON object per line. Sends no usage events.
class DoctorFixRun {
public:
    using Event = SetupRemediationRunner::Event;
    // Carries out one fix to its end; blocking.
    using RunAction = std::function<void(const SetupRemediation&, const QString& passwordPrompt, std::stop_token,
                                         const EventSink<Event>&)>;

    struct Dependencies {
        RunAction run;
        std::function<QString(const SetupRemediation&)> passwordPrompt;
        std::function<void(const QString& url)> openBrowser;
        std::function<void(const QByteArray&)> write;  // standard output
    };
    struct Options {
        bool json = false;
        bool raw = false;
        bool keepGoing = false;
        // Texts never to print (the API keys), should a program show one.
        QStringList secrets;
    };

    // The exit status of a run: every fix succeeded, one failed, or it was stopped.
    static constexpr int kSucceeded = 0;
    static constexpr int kFailed = 1;
    static constexpr int kStopped = 130;

    DoctorFixRun(Dependencies dependencies, Options options);

    // Blocking. A stop ends the running fix as Cancel does, and no later one starts.
    int run(const std::vector<SetupRemediation>& plan, std::stop_token stop);

private:
    void say(const QString& text, QJsonObject json);
    void line(const QString& id, const QString& text);
    void handle(const SetupRemediation& remediation, const Event& event);

    Dependencies deps_;
    Options options_;
    std::mutex lock_;  // events may come from the runner's threads
    InstallOutputFilter filter_;
    std::optional<int32_t> code_;
    bool canceled_ = false;
};

}  // namespace varnel
