#include "engine/remediation/BrewRunner.h"

#include "engine/remediation/AdministratorInstall.h"
#include "engine/remediation/InstallTranscript.h"
#include "engine/remediation/PackageDownload.h"

#include <condition_variable>
#include <mutex>
#include <optional>

namespace varnel {

namespace {

// Waits `duration` unless a stop comes first; false when stopped.
bool pauseUnlessStopped(std::chrono::milliseconds duration, std::stop_token stop)
{
    std::mutex lock;
    std::condition_variable_any woken;
    std::unique_lock guard(lock);
    return !woken.wait_for(guard, stop, duration, [] { return false; }) && !stop.stop_requested();
}

}  // namespace

struct BrewRunner::Attempt {
    std::optional<int32_t> exitCode;
    InstallTranscript transcript;
    bool succeeded() const { return exitCode && *exitCode == 0; }
    int32_t code() const { return exitCode.value_or(-1); }
};

struct BrewRunner::CaskRun {
    QString cask;
    QString passwordPrompt;
    const CaskRecoveryPolicy& policy;
    Environment environment;
    std::stop_token stop;
    const StreamSink& sink;
    void say(const QString& line) const { sink(StreamEvent::output(line)); }
};

BrewRunner::BrewRunner(QString brewPath, const ProcessRunning& process, const HTTPFetching& http,
                       const FileSystemOperating& fs, PrivilegedExecutor executor, Options options)
    : brewPath_(std::move(brewPath)), process_(&process), http_(&http), fs_(&fs), executor_(std::move(executor)),
      options_(std::move(options))
{
}

void BrewRunner::installFormula(const QString& formula, std::stop_token stop, const StreamSink& sink) const
{
    Environment env = currentEnvironment();
    env[QStringLiteral("HOMEBREW_NO_AUTO_UPDATE")] = QStringLiteral("1");
    std::optional<int32_t> exitCode;
    std::optional<ServiceError> launchFailure;
    process_->stream(
        brewPath_, {QStringLiteral("install"), formula}, env,
        [&](const ProcessStreamEvent& event) {
            if (event.kind == ProcessStreamEvent::Kind::line) {
                sink(StreamEvent::output(event.text));
            } else if (event.kind == ProcessStreamEvent::Kind::exited) {
                exitCode = event.code;
            } else {
                launchFailure = event.error;
                if (!event.error.isCanceled())
                    sink(StreamEvent::output(QStringLiteral("Failed to start brew: ") +
                                             event.error.localizedDescription()));
            }
        },
        stop);
    if (stop.stop_requested())
        sink(StreamEvent::canceled());
    else if (!exitCode && launchFailure)
        sink(StreamEvent::failedToLaunch(*launchFailure));
    else
        sink(StreamEvent::completed(exitCode.value_or(-1)));
}

void BrewRunner::installCask(const QString& cask, const QString& passwordPrompt, const CaskRecoveryPolicy& policy,
                             std::stop_token stop, const StreamSink& sink) const
{
    if (stop.stop_requested()) {
        sink(StreamEvent::canceled());
        return;
    }
    auto session = executor_.prepare(passwordPrompt);
    if (!session) {
        sink(StreamEvent::output(QStringLiteral("Failed to set up privileged executor: ") +
                                 session.error().localizedDescription()));
        sink(StreamEvent::failedToLaunch(session.error()));
        return;
    }
    const CaskRun run{cask, passwordPrompt, policy, session->childEnvironment(currentEnvironment()), stop, sink};
    StreamEvent outcome = afterFirstAttempt(run, attempt(run, false, false));
    session.value().end();
    sink(stop.stop_requested() ? StreamEvent::canceled() : outcome);
}

BrewRunner::Attempt BrewRunner::attempt(const CaskRun& run, bool reinstall, bool forced) const
{
    QStringList arguments{reinstall ? QStringLiteral("reinstall") : QStringLiteral("install"), QStringLiteral("--cask")};
    if (forced)
        arguments << QStringLiteral("--force");
    arguments << run.cask;
    Attempt result;
    process_->stream(
        brewPath_, arguments, run.environment,
        [&](const ProcessStreamEvent& event) {
            if (event.kind == ProcessStreamEvent::Kind::line) {
                result.transcript.add(event.text);
                run.say(event.text);
            } else if (event.kind == ProcessStreamEvent::Kind::exited) {
                result.exitCode = event.code;
            } else if (!event.error.isCanceled()) {
                run.say(QStringLiteral("Failed to start brew: ") + event.error.localizedDescription());
            }
        },
        run.stop);
    return result;
}

// Rules after the first attempt.
StreamEvent BrewRunner::afterFirstAttempt(const CaskRun& run, const Attempt& first) const
{
    if (run.stop.stop_requested())
        return StreamEvent::canceled();
    if (!first.succeeded())
        return afterFailedAttempt(run, first);
    const auto& stale = run.policy.staleCaskroom;
    if (!stale || !first.transcript.containsAll(InstallTranscript::alreadyInstalled()) || !stale->artifactMissing())
        return StreamEvent::completed(0);
    run.say(QString());
    run.say(QStringLiteral("Homebrew reports ") + run.cask + QStringLiteral(" is already installed, but ") +
            stale->missingArtifactDescription + QStringLiteral(". Retrying with `brew reinstall --cask ") + run.cask +
            QStringLiteral("`…"));
    const Attempt again = attempt(run, true, false);
    if (run.stop.stop_requested())
        return StreamEvent::canceled();
    return again.succeeded() ? StreamEvent::completed(0) : afterFailedAttempt(run, again);
}

// The rules for a failed install or reinstall, in order: leftover file,
// bypassed wrapper with a package to fall back on, unknown failure (one
// delayed retry), refused or dismissed password.
StreamEvent BrewRunner::afterFailedAttempt(const CaskRun& run, const Attempt& failed) const
{
    const InstallTranscript& t = failed.transcript;
    if (t.containsAny(InstallTranscript::leftoverFile())) {
        run.say(QString());
        run.say(QStringLiteral("A leftover file is blocking the install. Retrying with `brew install --cask --force ") +
                run.cask + QStringLiteral("`…"));
        const Attempt forced = attempt(run, false, true);
        return run.stop.stop_requested() ? StreamEvent::canceled() : afterForcedAttempt(run, forced);
    }
    if (run.policy.pkgFallback && t.containsAll(InstallTranscript::wrapperBypassed())) {
        run.say(QString());
        run.say(QStringLiteral("Homebrew bypassed our sudo wrapper. Falling back to direct .pkg install…"));
        return packageFallback(run);
    }
    if (t.containsAny(InstallTranscript::authenticationFailed()))
        return StreamEvent::canceled();
    run.say(QString());
    run.say(QStringLiteral("That didn’t work — retrying once in a moment…"));
    if (!pauseUnlessStopped(options_.retryPause, run.stop))
        return StreamEvent::canceled();
    const Attempt retry = attempt(run, false, false);
    return run.stop.stop_requested() ? StreamEvent::canceled() : StreamEvent::completed(retry.code());
}

StreamEvent BrewRunner::afterForcedAttempt(const CaskRun& run, const Attempt& forced) const
{
    if (forced.succeeded())
        return StreamEvent::completed(0);
    if (run.policy.pkgFallback && forced.transcript.containsAll(InstallTranscript::wrapperBypassed()))
        return packageFallback(run);
    if (forced.transcript.containsAny(InstallTranscript::authenticationFailed()))
        return StreamEvent::canceled();
    return StreamEvent::completed(forced.code());
}

StreamEvent BrewRunner::packageFallback(const CaskRun& run) const
{
    const CaskRecoveryPolicy::PKGFallback& fallback = *run.policy.pkgFallback;
    const QString architecture = packageArchitecture();
    const QString version = fallback.versionFromCaskName(run.cask);
    auto failed = [&](const QString& why) {
        run.say(QStringLiteral("Fallback failed: ") + why);
        return StreamEvent::completed(1);
    };
    run.say(fallback.lookupMessage(version, architecture));

    const auto asset = fallback.resolveAsset(version, architecture, run.stop);
    if (!asset) {
        switch (asset.error().kind) {
        case AdoptiumAPI::Error::Kind::canceled:
            return StreamEvent::canceled();
        case AdoptiumAPI::Error::Kind::timedOut:
            run.say(fallback.timeoutMessage);
            return StreamEvent::completed(1);
        case AdoptiumAPI::Error::Kind::other:
            return failed(asset.error().localizedDescription());
        }
    }
    if (run.stop.stop_requested())
        return StreamEvent::canceled();
    run.say(QStringLiteral("GET ") + asset->downloadURL.toString());

    const PackageDownload packages(*http_, *fs_);
    auto reported = [&](const PackageDownload::Failure& failure) {
        using Kind = PackageDownload::Failure::Kind;
        switch (failure.kind) {
        case Kind::canceled:
            return StreamEvent::canceled();
        case Kind::timedOut:
            run.say(fallback.timeoutMessage);
            return StreamEvent::completed(1);
        case Kind::httpStatus:
            return failed(QStringLiteral("Install-asset download HTTP error"));
        case Kind::checksumMismatch:
        case Kind::other:
            break;
        }
        return failed(failure.localizedDescription());
    };
    const auto folder = packages.packageFolder(options_.packageFolderName);
    if (!folder)
        return reported(folder.error());
    const QString package =
        *folder + QLatin1Char('/') + fallback.cacheFilePrefix + QLatin1Char('-') + version + QLatin1Char('-') +
        architecture + QStringLiteral(".pkg");
    if (auto done = packages.download(asset->downloadURL, package, {}, run.stop); !done)
        return reported(done.error());
    run.say(QStringLiteral("Saved to ") + package);

    run.say(QStringLiteral("Verifying download checksum…"));
    if (auto verified = packages.verify(package, asset->checksum); !verified)
        return reported(verified.error());
    if (run.stop.stop_requested())
        return StreamEvent::canceled();

    run.say(QStringLiteral("Running /usr/sbin/installer (macOS will ask for your password)…"));
    // Once more, right before the installer gets it.
    if (auto verified = packages.verify(package, asset->checksum); !verified)
        return reported(verified.error());
    const auto outcome = AdministratorInstall(*process_, options_.programs).run(package, run.passwordPrompt, run.stop);
    switch (outcome.kind) {
    case AdministratorInstall::Outcome::Kind::installed:
        run.say(QStringLiteral("Installer completed."));
        return StreamEvent::completed(0);
    case AdministratorInstall::Outcome::Kind::canceled:
        return StreamEvent::canceled();
    case AdministratorInstall::Outcome::Kind::failed:
        break;
    }
    run.say(QStringLiteral("Installer failed: ") + outcome.failure);
    return StreamEvent::completed(1);
}

}  // namespace varnel
