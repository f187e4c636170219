#pragma once

#include "engine/services/AppServices.h"
#include "engine/config/ProductConfig.h"
#include "engine/workflow/SetupFlowModel.h"
#include "tools/varnel-doctor/DoctorReport.h"

#include <memory>
#include <optional>

namespace varnel {

// Looks at the Mac the way the setup workflow screen does on its way to the
// diagnosis summary: the product's own flow model profiles the Mac, runs the
// prober and asks the spine provider for the workflow. Unless the caller
// gives a tracker it sends no usage events: a support tool that reports
// "diagnosis_reached" would count diagnoses nobody saw.
//
// run() turns an event loop until the model is done; call it on the thread
// that owns the QCoreApplication.
class DoctorProbe {
public:
    DoctorProbe(std::shared_ptr<const ProductConfig> config, AppServices services,
                SetupFlowModel::Dependencies dependencies = {});

    // What the flow model found: the profile, the prober's facts and the workflow.
    struct Findings {
        SystemProfile profile;
        SetupProbeBundle probes;
        std::optional<SetupWorkflow> workflow;
    };

    // None only when no profile could be had at all.
    std::optional<Findings> look() const;
    std::optional<DoctorReport> run() const;

private:
    std::shared_ptr<const ProductConfig> config_;
    AppServices services_;
    SetupFlowModel::Dependencies dependencies_;
};

}  // namespace varnel
