#pragma once

#include "engine/shellconfig/FileAppendWriter.h"
#include "engine/workflow/SetupProviders.h"
#include "engine/workflow/SpineRenderPolicy.h"
#include "engine/workflow/SetupTypes.h"

#include <QString>

#include <memory>

namespace varnel {

// What the setup workflow needs to know of the product it runs for: its
// providers, its policy and the few names and keys the flow uses. The screen
// builds it from the active product configuration when it creates the flow
// model, so nothing below the screens reads the configuration itself.
struct SetupProduct {
    QString displayName;
    QString npsSubmittedKey;      // user-defaults key: the score was submitted once
    ShellMarker shellMarker;      // heads the blocks the product adds to shell files
    std::shared_ptr<const SpineProvider> spineProvider;
    std::shared_ptr<const SetupVerifier> verifier;
    SharedDomainCopy sharedDomainCopy = SharedDomainCopy::standard();
    SpineRenderPolicy spinePolicy;
    std::shared_ptr<const SetupProber> prober;
    std::shared_ptr<const SpineCopyProviding> spineCopy;
    std::shared_ptr<const StageCatalogProviding> stageCatalog;
};

}  // namespace varnel
