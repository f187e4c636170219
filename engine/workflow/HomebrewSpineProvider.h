#pragma once

#include "engine/workflow/CommandLineDomainRules.h"
#include "engine/workflow/SetupProviders.h"

namespace varnel {

// The Homebrew product's workflow: a working Homebrew first (Command Line
// Tools, Homebrew, a terminal), then the same developer-environment stages as
// the command-line product, judged by the same rules.
class HomebrewSpineProvider final : public SpineProvider {
public:
    explicit HomebrewSpineProvider(SharedDomainCopy sharedCopy = SharedDomainCopy::standard())
        : rules_(std::move(sharedCopy)) {}

    std::optional<SetupWorkflow> workflow(const std::optional<QString>& domainID, const SystemProfile& profile,
                                          const SetupProbeBundle& probes, const std::set<QString>& domains,
                                          std::optional<bool> flag) const override;
    std::vector<SetupRemediation> remediations(const QString& domainID, const SystemProfile& profile,
                                               const SetupProbeBundle& probes) const override;

private:
    CommandLineDomainRules rules_;
};

}  // namespace varnel
