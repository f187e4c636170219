#pragma once

#include "engine/workflow/CommandLineDomainRules.h"
#include "engine/workflow/SetupProviders.h"

namespace varnel {

// The command-line product's workflow: the basics first (Command Line Tools,
// shell, Homebrew, a terminal), then the optional developer environment.
class CommandLineSpineProvider final : public SpineProvider {
public:
    explicit CommandLineSpineProvider(SharedDomainCopy sharedCopy = SharedDomainCopy::standard())
        : rules_(std::move(sharedCopy)) {}

    // The whole workflow; none when asked for a single domain.
    std::optional<SetupWorkflow> workflow(const std::optional<QString>& domainID, const SystemProfile& profile,
                                          const SetupProbeBundle& probes, const std::set<QString>& domains,
                                          std::optional<bool> flag) const override;
    std::vector<SetupRemediation> remediations(const QString& domainID, const SystemProfile& profile,
                                               const SetupProbeBundle& probes) const override;

private:
    CommandLineDomainRules rules_;
};

}  // namespace varnel
