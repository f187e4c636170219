#include "engine/remediation/HomebrewInstaller.h"

#include "engine/probing/HomebrewLocations.h"
#include "engine/remediation/InstallTranscript.h"
#include "engine/services/Hosts.h"

#include <optional>

namespace varnel {

namespace {

constexpr int kConnectTimeoutSeconds = 10;

}  // namespace

HomebrewInstaller::HomebrewInstaller(const ProcessRunning& process, const FileSystemOperating& fs,
                                     PrivilegedExecutor executor, ShellMarker marker, SystemPrograms programs)
    : process_(&process), fs_(&fs), executor_(std::move(executor)), marker_(std::move(marker)),
      programs_(std::move(programs))
{
}

QString HomebrewInstaller::installCommand() const
{
    // The script is fetched first: an empty script (curl failed) would "run"
    // and succeed. A server that takes the connection but never answers
    // fails within the connect time-out instead of hanging the install.
    return QStringLiteral("SCRIPT=$(") + programs_.curl + QStringLiteral(" -fsSL --connect-timeout ") +
           QString::number(kConnectTimeoutSeconds) + u' ' + hosts::homebrewInstallScript() +
           QStringLiteral(") || { echo \"Couldn't download Homebrew's install script. Check your internet connection "
                          "and try again.\" >&2; exit 1; }\n") +
           programs_.bash + QStringLiteral(" -c \"$SCRIPT\"");
}

void HomebrewInstaller::install(std::stop_token stop, const StreamSink& sink) const
{
    auto session = executor_.prepare(QStringLiteral("Enter Mac password to install Homebrew."));
    if (!session) {
        sink(StreamEvent::output(QStringLiteral("Failed to set up privileged executor: ") +
                                 session.error().localizedDescription()));
        sink(StreamEvent::failedToLaunch(session.error()));
        return;
    }
    Environment env = session->childEnvironment(currentEnvironment());
    env[QStringLiteral("NONINTERACTIVE")] = QStringLiteral("1");

    InstallTranscript transcript;
    std::optional<int32_t> exitCode;
    std::optional<ServiceError> launchFailure;
    process_->stream(
        programs_.bash, {QStringLiteral("-c"), installCommand()}, env,
        [&](const ProcessStreamEvent& event) {
            switch (event.kind) {
            case ProcessStreamEvent::Kind::line:
                transcript.add(event.text);
                sink(StreamEvent::output(event.text));
                break;
            case ProcessStreamEvent::Kind::exited:
                exitCode = event.code;
                break;
            case ProcessStreamEvent::Kind::failedToStart:
                launchFailure = event.error;
                if (!event.error.isCanceled())
                    sink(StreamEvent::output(QStringLiteral("Failed to start Homebrew installer: ") +
                                             event.error.localizedDescription()));
                break;
            }
        },
        stop);

    // The folder goes before the outcome is told, so nothing of it outlives the run.
    session.value().end();
    if (stop.stop_requested()) {
        sink(StreamEvent::canceled());
    } else if (!exitCode) {
        sink(launchFailure ? StreamEvent::failedToLaunch(*launchFailure) : StreamEvent::completed(-1));
    } else if (*exitCode != 0 && transcript.containsAny(InstallTranscript::authenticationFailed())) {
        sink(StreamEvent::canceled());
    } else if (*exitCode == 0) {
        appendShellenv(sink);
        sink(StreamEvent::completed(0));
    } else {
        sink(StreamEvent::completed(*exitCode));
    }
}

void HomebrewInstaller::appendShellenv(const StreamSink& sink) const
{
    const std::optional<QString> brew = installedBrew(*fs_);
    if (!brew) {
        sink(StreamEvent::output(QStringLiteral(
            "Note: brew not found in expected locations after install; skipping ~/.zprofile shellenv append.")));
        return;
    }
    const FileAppendWriter writer(fs_->homeDirectory() + QStringLiteral("/.zprofile"), *fs_, marker_);
    const auto preview = writer.append(QStringLiteral("eval \"$(") + *brew + QStringLiteral(" shellenv)\""),
                                       QStringLiteral("Homebrew shellenv"), QStringLiteral("brew shellenv"), true);
    if (!preview) {
        sink(StreamEvent::output(QStringLiteral("Couldn't append brew shellenv to ~/.zprofile: ") +
                                 preview.error().localizedDescription()));
    } else if (preview->alreadySet) {
        sink(StreamEvent::output(QStringLiteral("brew shellenv already active in ~/.zprofile — skipping.")));
    } else {
        sink(StreamEvent::output(
            QStringLiteral("Appending brew shellenv to ~/.zprofile (so brew is fully integrated in new shells).")));
        sink(StreamEvent::output(QStringLiteral("Appended. Backup at ") + preview->backupPath + QStringLiteral(".")));
    }
}

}  // namespace varnel
