#include "engine/workflow/HomebrewVerifier.h"

#include "engine/probing/ProbeRun.h"
#include "engine/probing/SystemProfile.h"
#include "engine/services/ProcessRunning.h"

#include <QRegularExpression>

namespace varnel {

QString HomebrewVerifier::verifiedItem(const QString& versionOutput)
{
    // Older brews print a second line about homebrew-core, so the words are
    // split at any white space, not just at spaces.
    static const QRegularExpression whitespace(QStringLiteral("\\s+"));
    const QStringList words = versionOutput.trimmed().split(whitespace, Qt::SkipEmptyParts);
    if (words.size() >= 2 && words[0] == u"Homebrew")
        return QStringLiteral("Homebrew installed — version ") + words[1];
    return QStringLiteral("Homebrew installed");
}

SetupVerificationResult HomebrewVerifier::verify(const std::optional<SystemProfile>&, const ProcessRunning& process,
                                                 const FileSystemOperating&) const
{
    const auto brew = probing::runProbe(process, QStringLiteral("/bin/zsh"),
                                        {QStringLiteral("-lc"), QStringLiteral("brew --version 2>&1")});
    if (!brew)
        return SetupVerificationResult::couldNotStart();
    SetupVerificationResult result{brew->standardOutput, false, brew->exitCode, QStringLiteral("blocked"), {}, {}};
    if (brew->exitCode == 0 && !brew->standardOutput.trimmed().isEmpty()) {
        result.passed = true;
        result.engineOutcome = QStringLiteral("likely_resolved");
        result.verifiedItems << verifiedItem(brew->standardOutput);
    }
    return result;
}

}  // namespace varnel
