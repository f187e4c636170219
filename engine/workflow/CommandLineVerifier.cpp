#include "engine/workflow/CommandLineVerifier.h"

#include "engine/probing/ProbeRun.h"
#include "engine/probing/SystemProfile.h"
#include "engine/services/ProcessRunning.h"

namespace varnel {

SetupVerificationResult CommandLineVerifier::verify(const std::optional<SystemProfile>&, const ProcessRunning& process,
                                                    const FileSystemOperating&) const
{
    // Login shells, so the user's PATH from ~/.zprofile applies as in a new Terminal window.
    const QString zsh = QStringLiteral("/bin/zsh");
    const auto clt = probing::runProbe(process, zsh, {QStringLiteral("-lc"), QStringLiteral("xcode-select -p 2>&1")});
    if (!clt)
        return SetupVerificationResult::couldNotStart();
    if (clt->exitCode != 0 || clt->standardOutput.trimmed().isEmpty())
        return {clt->standardOutput, false, clt->exitCode, QStringLiteral("blocked"), {}, {}};

    // A selected developer directory is not enough: the tools in it must run.
    const auto git = probing::runProbe(process, zsh, {QStringLiteral("-lc"), QStringLiteral("git --version 2>&1")});
    if (!git)
        return SetupVerificationResult::couldNotStart();
    SetupVerificationResult result{git->standardOutput, false, git->exitCode, QStringLiteral("blocked"), {}, {}};
    if (git->exitCode == 0 && !git->standardOutput.trimmed().isEmpty()) {
        result.passed = true;
        result.engineOutcome = QStringLiteral("likely_resolved");
        result.verifiedItems << QStringLiteral("Command Line Tools installed");
        const QString versionLine = probing::nonEmptyLines(git->standardOutput).value(0).trimmed();
        if (!versionLine.isEmpty())
            result.verifiedItems << versionLine;
    }
    return result;
}

}  // namespace varnel
