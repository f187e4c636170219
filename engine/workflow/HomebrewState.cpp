#include "engine/workflow/HomebrewState.h"

namespace varnel {

HomebrewState homebrewState(const SystemProfile& profile, const SetupProbeBundle& probes)
{
    const bool native = probes.installedPrimaryToolLocations.contains(QStringLiteral("/opt/homebrew/bin/brew"));
    const bool intelLocation = probes.installedPrimaryToolLocations.contains(QStringLiteral("/usr/local/bin/brew"));
    const bool onPath = !probes.pathVisiblePrimaryTools.isEmpty();
    const bool appleSilicon = profile.architecture == Architecture::appleSilicon;
    const bool answers = probes.versionExitCode == 0;

    if (!native && !intelLocation)
        return HomebrewState::notInstalled;
    // An Intel Homebrew runs under Rosetta and installs Intel builds, so it is
    // replaced by a native one rather than wired onto PATH.
    if (appleSilicon && intelLocation && !native)
        return HomebrewState::wrongChip;
    if (answers && onPath)
        return native && intelLocation ? HomebrewState::twoInstalls : HomebrewState::fine;
    return HomebrewState::notOnPath;
}

}  // namespace varnel
