#include "engine/workflow/HomebrewProber.h"

#include "engine/probing/HomebrewLocations.h"

#include "engine/probing/ProbeRun.h"
#include "engine/services/Background.h"
#include "engine/services/FileSystemOperating.h"
#include "engine/services/ProcessRunning.h"
#include "engine/shellconfig/ShellConfigurator.h"

namespace varnel {

SetupProbeBundle HomebrewProber::probe(const ProcessRunning& process, const FileSystemOperating& fs) const
{
    // Login shells, so PATH is what a new Terminal window would have.
    const auto loginShell = [&](const char* command) {
        return probing::runProbe(process, QStringLiteral("/bin/zsh"), {QStringLiteral("-lc"), QString::fromUtf8(command)});
    };
    auto [which, version, configured] =
        concurrently([&] { return loginShell("/usr/bin/which -a brew"); },
                     [&] { return loginShell("brew --version 2>&1"); },
                     [&] { return ShellConfigurator::isConfigured(fs); });

    SetupProbeBundle bundle;
    if (which && which->exitCode == 0)
        for (const QString& line : probing::nonEmptyLines(which->standardOutput))
            if (const QString path = probing::trimmedSpacesAndTabs(line); !path.isEmpty())
                bundle.pathVisiblePrimaryTools << path;
    for (const QString& brew : homebrewBrewPaths())
        if (fs.fileExists(brew))
            bundle.installedPrimaryToolLocations << brew;
    if (version) {
        bundle.versionOutput = version->standardOutput;
        bundle.versionExitCode = version->exitCode;
    }
    bundle.shellConfigured = configured;
    return bundle;
}

}  // namespace varnel
