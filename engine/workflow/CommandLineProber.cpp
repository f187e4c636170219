#include "engine/workflow/CommandLineProber.h"

#include "engine/agents/AgentEnvDoc.h"
#include "engine/agents/ProjectTemplate.h"
#include "engine/probing/ProbeRun.h"
#include "engine/services/Background.h"
#include "engine/services/FileSystemOperating.h"
#include "engine/services/ProcessRunning.h"
#include "engine/workflow/HomebrewProber.h"

namespace varnel {

namespace {
bool loginShellSucceeds(const ProcessRunning& process, const QString& command)
{
    const auto result =
        probing::runProbe(process, QStringLiteral("/bin/zsh"), {QStringLiteral("-lc"), command});
    return result && result->exitCode == 0;
}

// Homebrew's two prefixes first (the app's own PATH may lack them), then
// whatever the user's login shell finds.
bool toolFound(const ProcessRunning& process, const FileSystemOperating& fs, const QString& tool)
{
    return fs.isExecutableFile(QStringLiteral("/opt/homebrew/bin/") + tool) ||
           fs.isExecutableFile(QStringLiteral("/usr/local/bin/") + tool) ||
           loginShellSucceeds(process, QStringLiteral("command -v ") + tool + QStringLiteral(" >/dev/null"));
}

bool applicationFound(const FileSystemOperating& fs, const QString& name)
{
    return fs.fileExists(QStringLiteral("/Applications/") + name) ||
           fs.fileExists(fs.homeDirectory() + QStringLiteral("/Applications/") + name);
}

// On a Mac without the Command Line Tools /usr/bin/git is a stub that opens
// Apple's install dialog, which a probe must never do: git is asked only when
// it is another git or a developer directory is set.
const QString kGitIdentity = QStringLiteral(
    "g=$(command -v git) || exit 1; "
    "if [ \"$g\" = /usr/bin/git ]; then /usr/bin/xcode-select -p >/dev/null 2>&1 || exit 1; fi; "
    "n=$(git config --global user.name) && e=$(git config --global user.email) && [ -n \"$n\" ] && [ -n \"$e\" ]");
}  // namespace

SetupProbeBundle CommandLineProber::probe(const ProcessRunning& process, const FileSystemOperating& fs) const
{
    const QString home = fs.homeDirectory();
    auto [bundle, companion, ghPresent, gitIdentity, ghAuthed, agentDocNeeded, projectExists] = concurrently(
        [&] { return HomebrewProber().probe(process, fs); },
        [&] {
            return applicationFound(fs, QStringLiteral("ChatGPT.app")) ||
                   applicationFound(fs, QStringLiteral("Codex.app")) || toolFound(process, fs, QStringLiteral("codex"));
        },
        [&] { return toolFound(process, fs, QStringLiteral("gh")); },
        [&] { return loginShellSucceeds(process, kGitIdentity); },
        [&] { return loginShellSucceeds(process, QStringLiteral("gh auth status >/dev/null 2>&1")); },
        [&] {
            const AgentEnvDoc doc(fs);
            const EnvironmentFlags flags = doc.detect();
            return (flags.hasClaude || flags.hasCodex) && !doc.isDocumented();
        },
        [&] {
            return fs.fileExists(defaultProjectDestination(ProjectTemplate::simple, home)) ||
                   fs.fileExists(defaultProjectDestination(ProjectTemplate::coding, home));
        });

    bundle.companionToolPresent = companion;
    bundle.ghPresent = ghPresent;
    bundle.gitIdentitySet = gitIdentity;
    bundle.ghAuthed = ghPresent && ghAuthed;
    bundle.agentDocNeeded = agentDocNeeded;
    bundle.projectExists = projectExists;
    return bundle;
}

}  // namespace varnel
