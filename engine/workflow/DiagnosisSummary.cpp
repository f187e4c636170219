#include "engine/workflow/DiagnosisSummary.h"

#include "engine/workflow/SetupProviders.h"
#include "engine/workflow/SpineRenderPolicy.h"

namespace varnel {

std::vector<DiagnosisSummaryLine> diagnosisSummaryLines(const SetupWorkflow& workflow, const SpineRenderPolicy& policy,
                                                        const SpineCopyProviding* copy)
{
    std::vector<DiagnosisSummaryLine> lines;
    for (const WorkflowStep& step : workflow.steps) {
        const QString domain = step.stage->domainID();
        if (step.placement != DomainPlacement::primary || policy.summaryExcludedDomains.count(domain))
            continue;
        const SetupDiagnosis diagnosis = step.stage->diagnosis();
        lines.push_back({domain, copy ? copy->summaryLine(domain, diagnosis) : diagnosis.headline,
                         diagnosis.classification == SetupDiagnosisClassification::ready});
    }
    return lines;
}

}  // namespace varnel
