#pragma once

#include "engine/workflow/CommandLineDomainRules.h"

#include <vector>

namespace varnel {

// A product's domains in presentation order with their placements.
struct DomainSequenceEntry {
    const char* domainID;
    DomainPlacement placement;
};
using DomainSequence = std::vector<DomainSequenceEntry>;

// The workflow for `sequence` on this Mac. The Codex stage is left out on
// Intel Macs, where OpenAI's desktop app does not run.
SetupWorkflow buildWorkflow(const DomainSequence& sequence, const CommandLineDomainRules& rules,
                            const SystemProfile& profile, const SetupProbeBundle& probes);

}  // namespace varnel
