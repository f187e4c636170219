#pragma once

#include "engine/config/ProductConfig.h"
#include "engine/remediation/SetupRemediationRunner.h"
#include "engine/services/AppServices.h"

#include <optional>

namespace varnel {

// The application's setup runner for the tools that run setup actions
// without the window: the live services and the product's name, shell marker
// and cache folder, and the `brew` given or else the one installed.
SetupRemediationRunner liveSetupRunner(const AppServices& services, const ProductConfig& product,
                                       std::optional<QString> brewPath = std::nullopt);

}  // namespace varnel
