#pragma once

#include "engine/workflow/SpineRenderPolicy.h"

#include <optional>
#include <vector>

namespace varnel {

struct SystemProfile;

// How the command-line product's workflow screen renders and advances:
// special stages, offers, readiness thresholds, article links, callbacks.
SpineRenderPolicy commandLineSpinePolicy();

// The "Open …" buttons of the outcome screen, in display order.
std::vector<SpineRenderPolicy::OpenableApp> commandLineOpenableApps(const std::optional<SystemProfile>& profile);

}  // namespace varnel
