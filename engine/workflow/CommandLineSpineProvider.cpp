#include "engine/workflow/CommandLineSpineProvider.h"

#include "engine/remediation/SetupRemediation.h"
#include "engine/workflow/DomainSequence.h"

namespace varnel {

std::optional<SetupWorkflow> CommandLineSpineProvider::workflow(const std::optional<QString>& domainID,
                                                                const SystemProfile& profile,
                                                                const SetupProbeBundle& probes,
                                                                const std::set<QString>&, std::optional<bool>) const
{
    if (domainID)
        return std::nullopt;
    using P = DomainPlacement;
    static const DomainSequence sequence = {
        {"clt", P::primary},       {"shell-config", P::primary}, {"homebrew", P::primary},
        {"warp", P::primary},      {"ai-claude", P::optional},   {"codex", P::optional},
        {"project", P::optional},  {"skills", P::optional},      {"mcp", P::optional},
        {"editor", P::optional},   {"languages", P::optional},   {"agent-docs", P::optional},
        {"git", P::optional},
    };
    return buildWorkflow(sequence, rules_, profile, probes);
}

std::vector<SetupRemediation> CommandLineSpineProvider::remediations(const QString& domainID,
                                                                     const SystemProfile& profile,
                                                                     const SetupProbeBundle& probes) const
{
    return rules_.remediations(domainID, profile, probes);
}

}  // namespace varnel
