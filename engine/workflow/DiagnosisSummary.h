#pragma once

#include "engine/workflow/SetupTypes.h"

#include <QString>

#include <vector>

namespace varnel {

class SpineCopyProviding;
struct SpineRenderPolicy;

// One line of the diagnosis summary: a primary stage the product does not
// leave out, in the words of its spine copy (the stage's headline without one).
struct DiagnosisSummaryLine {
    QString domainID;
    QString text;
    bool ready = false;
    bool operator==(const DiagnosisSummaryLine&) const = default;
};

// The summary screen's lines, in workflow order. The screen and the doctor
// both show exactly these.
std::vector<DiagnosisSummaryLine> diagnosisSummaryLines(const SetupWorkflow& workflow, const SpineRenderPolicy& policy,
                                                        const SpineCopyProviding* copy);

}  // namespace varnel
