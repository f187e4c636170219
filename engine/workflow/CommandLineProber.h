#pragma once

#include "engine/workflow/SetupProviders.h"

namespace varnel {

// The command-line product's facts: Homebrew's (see HomebrewProber), and
// those of the later stages: whether OpenAI's tools are here, whether the AI
// agents' instructions lack our note, whether an example project exists, and
// how far Git and GitHub are set up. Every probe starts at once, so the whole
// costs about as long as the slowest login shell.
class CommandLineProber final : public SetupProber {
public:
    SetupProbeBundle probe(const ProcessRunning& process, const FileSystemOperating& fs) const override;
};

}  // namespace varnel
