#pragma once

#include "engine/workflow/SetupProviders.h"

namespace varnel {

// Confirms in a fresh login shell that `brew` runs.
class HomebrewVerifier final : public SetupVerifier {
public:
    SetupVerificationResult verify(const std::optional<SystemProfile>& profile, const ProcessRunning& process,
                                   const FileSystemOperating& fs) const override;

    // "Homebrew installed — version 4.3.1" from `brew --version` output, or
    // "Homebrew installed" when the output does not start with "Homebrew <version>".
    static QString verifiedItem(const QString& versionOutput);
};

}  // namespace varnel
