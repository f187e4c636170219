#pragma once

#include "engine/remediation/CaskRecoveryPolicy.h"
#include "engine/remediation/PrivilegedExecutor.h"
#include "engine/remediation/SystemPrograms.h"
#include "engine/services/HTTPFetching.h"
#include "engine/services/LongWork.h"
#include "engine/services/ProcessRunning.h"

#include <chrono>
#include <stop_token>

namespace varnel {

class InstallTranscript;

// `brew install` for formulas and casks. Casks often need administrator
// rights and fail in ways a transcript tells apart: a leftover app, a
// Caskroom record whose app was deleted, a sudo that bypassed the askpass
// wrapper, a dismissed or refused password dialog. The runner recovers with
// a forced install, a reinstall, one delayed retry or the vendor's package,
// and never runs brew more than three times for one install.
class BrewRunner {
public:
    using CaskRecoveryPolicy = varnel::CaskRecoveryPolicy;

    struct Options {
        QString packageFolderName;  // under the user's caches: the product's cache folder
        std::chrono::milliseconds retryPause{2000};
        SystemPrograms programs = SystemPrograms::mac();
    };

    BrewRunner(QString brewPath, const ProcessRunning& process, const HTTPFetching& http,
               const FileSystemOperating& fs, PrivilegedExecutor executor, Options options);

    // Blocking; each ends with exactly one completed(code) or canceled.
    void installFormula(const QString& formula, std::stop_token stop, const StreamSink& sink) const;
    void installCask(const QString& cask, const QString& passwordPrompt, const CaskRecoveryPolicy& policy,
                     std::stop_token stop, const StreamSink& sink) const;

    // The fixed architecture of the package fallback.
    static QString packageArchitecture() { return QStringLiteral("aarch64"); }

private:
    struct Attempt;
    struct CaskRun;

    Attempt attempt(const CaskRun& run, bool reinstall, bool forced) const;
    StreamEvent afterFirstAttempt(const CaskRun& run, const Attempt& first) const;
    StreamEvent afterFailedAttempt(const CaskRun& run, const Attempt& failed) const;
    StreamEvent afterForcedAttempt(const CaskRun& run, const Attempt& forced) const;
    StreamEvent packageFallback(const CaskRun& run) const;

    QString brewPath_;
    const ProcessRunning* process_;
    const HTTPFetching* http_;
    const FileSystemOperating* fs_;
    PrivilegedExecutor executor_;
    Options options_;
};

}  // namespace varnel
