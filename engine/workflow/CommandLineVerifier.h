#pragma once

#include "engine/workflow/SetupProviders.h"

namespace varnel {

// Confirms in a fresh login shell that the command line works: the Command
// Line Tools are selected and git answers.
class CommandLineVerifier final : public SetupVerifier {
public:
    SetupVerificationResult verify(const std::optional<SystemProfile>& profile, const ProcessRunning& process,
                                   const FileSystemOperating& fs) const override;
};

}  // namespace varnel
