#pragma once

#include "engine/workflow/SpineRenderPolicy.h"

namespace varnel {

// The Homebrew product's workflow policy. It walks the same stages as the
// command-line product and shares its choices, except that more stages may
// run before Homebrew exists and no reason is shown with the password prompt.
SpineRenderPolicy homebrewSpinePolicy();

}  // namespace varnel
