#pragma once

#include "engine/workflow/CommandLineDomainRules.h"
#include "engine/workflow/SetupProviders.h"

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

// A spine provider whose products differ only in the order and placement of
// their domains: every stage is judged by the command-line domain rules.
class DomainSequenceSpineProvider : public SpineProvider {
public:
    DomainSequenceSpineProvider(DomainSequence sequence, SharedDomainCopy sharedCopy)
        : sequence_(std::move(sequence)), rules_(std::move(sharedCopy)) {}

    // The whole workflow; none when asked for a single domain.
    std::optional<SetupWorkflow> workflow(const std::optional<QString>& domainID, const SystemProfile& profile,
                                          const SetupProbeBundle& probes, const std::set<QString>& domains,
                                          std::optional<bool> flag) const override;
    std::vector<SetupRemediation> remediations(const QString& domainID, const SystemProfile& profile,
                                               const SetupProbeBundle& probes) const override;

private:
    DomainSequence sequence_;
    CommandLineDomainRules rules_;
};

}  // namespace varnel
