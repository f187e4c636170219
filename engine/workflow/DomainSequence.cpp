#include "engine/workflow/DomainSequence.h"

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

}  // namespace varnel
