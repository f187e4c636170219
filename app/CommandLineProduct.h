#pragma once

#include "engine/config/ProductConfig.h"

namespace varnel::products {

// The product this application ships: "Varnel for the Command Line".
ProductConfig commandLine();

// The "Open …" buttons of the outcome screen, in display order.
std::vector<SpineRenderPolicy::OpenableApp> commandLineOpenableApps(const std::optional<SystemProfile>& profile);

}  // namespace varnel::products
