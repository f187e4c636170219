#include "engine/workflow/DomainSequence.h"

#include "engine/remediation/SetupRemediation.h"

namespace varnel {

SetupWorkflow buildWorkflow(const DomainSequence& sequence, const CommandLineDomainRules& rules,
                            const SystemProfile& profile, const SetupProbeBundle& probes)
{
    SetupWorkflow workflow;
    for (const DomainSequenceEntry& entry : sequence) {
        const QString domain = QString::fromUtf8(entry.domainID);
        if (domain == u"codex" && profile.architecture == Architecture::intel)
            continue;
        workflow.steps.push_back({rules.stage(domain, profile, probes), entry.placement});
    }
    return workflow;
}

std::optional<SetupWorkflow> DomainSequenceSpineProvider::workflow(const std::optional<QString>& domainID,
                                                                   const SystemProfile& profile,
                                                                   const SetupProbeBundle& probes,
                                                                   const std::set<QString>&, std::optional<bool>) const
{
    if (domainID)
        return std::nullopt;
    return buildWorkflow(sequence_, rules_, profile, probes);
}

std::vector<SetupRemediation> DomainSequenceSpineProvider::remediations(const QString& domainID,
                                                                        const SystemProfile& profile,
                                                                        const SetupProbeBundle& probes) const
{
    return rules_.remediations(domainID, profile, probes);
}

}  // namespace varnel
