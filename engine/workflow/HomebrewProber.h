#pragma once

#include "engine/workflow/SetupProviders.h"

namespace varnel {

// Gathers the facts about `brew` the Homebrew and command-line products'
// stages read: where the login shell finds it, where it is installed, what
// `brew --version` says, and whether the shell files carry our setup.
// The facts about agents, projects and GitHub stay false.
class HomebrewProber final : public SetupProber {
public:
    SetupProbeBundle probe(const ProcessRunning& process, const FileSystemOperating& fs) const override;
};

}  // namespace varnel
