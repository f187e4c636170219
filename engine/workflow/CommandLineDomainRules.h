#pragma once

#include "engine/probing/SystemProfile.h"
#include "engine/remediation/SetupRemediation.h"
#include "engine/workflow/SetupTypes.h"

#include <memory>
#include <optional>
#include <vector>

namespace varnel {

// How the command-line product judges each domain of the Mac and what it
// offers to fix it. The Homebrew product walks the same domains in another
// order, with the same rules.
class CommandLineDomainRules {
public:
    explicit CommandLineDomainRules(SharedDomainCopy sharedCopy = SharedDomainCopy::standard())
        : copy_(std::move(sharedCopy)) {}

    SetupDiagnosis diagnosis(const QString& domainID, const SystemProfile& profile,
                             const SetupProbeBundle& probes) const;
    std::vector<SetupRemediation> remediations(const QString& domainID, const SystemProfile& profile,
                                               const SetupProbeBundle& probes) const;
    // The domain's diagnosis with its remediations as actions.
    std::shared_ptr<const SetupStage> stage(const QString& domainID, const SystemProfile& profile,
                                            const SetupProbeBundle& probes) const;

    // The two Homebrew headlines the screens and summary lines recognise.
    static QString homebrewNotOnPathHeadline();
    static QString homebrewWrongChipHeadline();

private:
    // A domain's diagnosis and fixes, decided together by its rule; none for
    // a domain this product does not know.
    struct Verdict {
        SetupDiagnosis diagnosis;
        std::vector<SetupRemediation> fixes;
    };
    std::optional<Verdict> judge(const QString& domainID, const SystemProfile& profile,
                                 const SetupProbeBundle& probes) const;

    SharedDomainCopy copy_;
};

}  // namespace varnel
