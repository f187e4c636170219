#pragma once

#include "engine/probing/SystemProfile.h"
#include "engine/workflow/SetupTypes.h"

namespace varnel {

// Where a Mac stands with Homebrew, states 0 to 4.
enum class HomebrewState {
    fine = 0,          // on PATH and answering
    twoInstalls = 1,   // /opt/homebrew and /usr/local both, working
    notOnPath = 2,     // installed, but the login shell can't find it (or it doesn't answer)
    wrongChip = 3,     // Apple Silicon with only the Intel /usr/local install
    notInstalled = 4,
};

HomebrewState homebrewState(const SystemProfile& profile, const SetupProbeBundle& probes);

}  // namespace varnel
