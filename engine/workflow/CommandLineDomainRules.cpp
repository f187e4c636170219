#include "engine/workflow/CommandLineDomainRules.h"

#include "engine/remediation/SetupRemediation.h"
#include "engine/workflow/HomebrewState.h"

namespace varnel {

namespace {
using Class = SetupDiagnosisClassification;

QString s(const char* text) { return QString::fromUtf8(text); }

SetupDiagnosis from(const SharedDomainCopy::State& state, Class classification)
{
    return {state.headline, state.detail, classification};
}

SetupDiagnosis diag(const char* headline, const char* detail, Class classification)
{
    return {s(headline), s(detail), classification};
}

bool hasOpenAITools(const SystemProfile& profile, const SetupProbeBundle& probes)
{
    return profile.aiTooling.codexCLI || profile.aiTooling.chatgptDesktop || probes.companionToolPresent;
}

bool hasEditor(const SystemProfile& profile) { return profile.aiTooling.zed || profile.aiTooling.vsCode; }

bool hasWarp(const SystemProfile& profile) { return profile.terminals.warp || profile.aiTooling.warpApp; }
}  // namespace

QString CommandLineDomainRules::homebrewNotOnPathHeadline()
{
    return s("Homebrew is installed, but your shell can't find it");
}

QString CommandLineDomainRules::homebrewWrongChipHeadline() { return s("Homebrew is installed for the wrong chip"); }

SetupDiagnosis CommandLineDomainRules::diagnosis(const QString& domainID, const SystemProfile& profile,
                                                 const SetupProbeBundle& probes) const
{
    if (domainID == u"clt")
        return profile.xcodeCommandLineToolsPath ? from(copy_.cltReady, Class::ready)
                                                 : from(copy_.cltFixable, Class::fixable);
    if (domainID == u"homebrew") {
        switch (homebrewState(profile, probes)) {
        case HomebrewState::fine: return from(copy_.homebrewReady, Class::ready);
        case HomebrewState::twoInstalls:
            return diag("Homebrew is installed",
                        "You have Homebrew in two places (/opt/homebrew and /usr/local). We'll use the native "
                        "/opt/homebrew and leave the other one untouched.",
                        Class::ready);
        case HomebrewState::notOnPath:
            return {homebrewNotOnPathHeadline(),
                    s("brew is on your Mac but not on your PATH, so your terminal reports \"command not found\". "
                      "We'll add it to ~/.zprofile (backed up first) and re-check in a fresh shell."),
                    Class::fixable};
        case HomebrewState::wrongChip:
            return {homebrewWrongChipHeadline(),
                    s("Your Mac is Apple Silicon, but Homebrew is in the Intel location (/usr/local). We'll install "
                      "the native Homebrew in /opt/homebrew and leave the existing one untouched."),
                    Class::fixable};
        case HomebrewState::notInstalled: break;
        }
        return from(copy_.homebrewFixable, Class::fixable);
    }
    if (domainID == u"warp")
        return hasWarp(profile) ? from(copy_.warpReady, Class::ready) : from(copy_.warpFixable, Class::fixable);
    if (domainID == u"ai-claude") {
        if (profile.aiTooling.claudeCodeCLI && profile.aiTooling.claudeCodeDesktop)
            return diag("Claude is installed", "You have Claude Desktop and the Claude Code CLI.", Class::ready);
        return diag("Install Claude",
                    "Claude Code is Anthropic's AI coding assistant — a desktop app and a terminal CLI. Install "
                    "whichever you want; already-installed ones are grayed out.",
                    Class::fixable);
    }
    if (domainID == u"codex") {
        if (hasOpenAITools(profile, probes))
            return diag("You have OpenAI's coding tools", "ChatGPT or the Codex CLI is already installed.",
                        Class::ready);
        return diag("Also install ChatGPT?",
                    "ChatGPT is OpenAI's desktop app, with the Codex coding agent built in. Codex also runs in your "
                    "terminal as a CLI.",
                    Class::fixable);
    }
    if (domainID == u"editor") {
        if (hasEditor(profile))
            return diag("You have an editor", "A recommended editor is already installed.", Class::ready);
        return diag("Install Zed, a better editor",
                    "Based on what you have, we recommend Zed, a native and fast editor. VS Code is a slower "
                    "alternative if you prefer it.",
                    Class::fixable);
    }
    if (domainID == u"shell-config") {
        if (probes.shellConfigured)
            return diag("Your shell is configured",
                        "Your shell files already have the PATH, mise, and ~/.env setup we add.", Class::ready);
        return diag("Shell configuration",
                    "We'll configure your shell files so a new terminal finds your tools, and create ~/.env for "
                    "your API keys.",
                    Class::fixable);
    }
    if (domainID == u"languages")
        return diag("Install programming languages",
                    "Pick the languages you want. This app also installs a version manager where it's advisable "
                    "(uv for Python, mise for Node and Ruby and Rust).",
                    Class::fixable);
    if (domainID == u"agent-docs") {
        if (probes.agentDocNeeded)
            return diag("Tell your AI agent how your Mac is set up",
                        "We'll add a short note to your agent's instructions (CLAUDE.md / AGENTS.md) describing how "
                        "your tools are set up.",
                        Class::fixable);
        return diag("Your AI agent is set up", "Your agent's instructions already describe how your tools are "
                                               "configured.",
                    Class::ready);
    }
    if (domainID == u"project") {
        if (probes.projectExists)
            return diag("Your project is set up", "You already have an example project in ~/Documents.",
                        Class::ready);
        return diag("Set up a project", "Set up an example project, with CLAUDE.md and AGENTS.md files for guidance.",
                    Class::fixable);
    }
    if (domainID == u"skills")
        return diag("Add SKILLS",
                    "Skills add new capabilities to AI agents. Some skills are just instructions; some run code. "
                    "Type '/' (slash) in AI chat to see available skills.",
                    Class::fixable);
    if (domainID == u"mcp")
        return diag("Add MCP servers",
                    "MCP servers connect AI agents to services they can't reach on their own, such as web searches "
                    "and macOS apps (some services need a sign-in). We set up the configuration so you don't get "
                    "annoying errors.",
                    Class::fixable);
    if (domainID == u"git") {
        if (probes.ghPresent && probes.gitIdentitySet && probes.ghAuthed)
            return diag("Git and GitHub are set up",
                        "Your name and email are configured and you're signed in to GitHub.", Class::ready);
        return diag("Set up Git with GitHub",
                    "Git is already on your Mac. We'll set your name and email for commits, then you can sign in to "
                    "set up GitHub for use without password re-typing.",
                    Class::fixable);
    }
    return {domainID, QString(), Class::unknown};
}

std::vector<SetupRemediation> CommandLineDomainRules::remediations(const QString& domainID,
                                                                   const SystemProfile& profile,
                                                                   const SetupProbeBundle& probes) const
{
    using R = SetupRemediation;
    const auto fixable = [&] { return diagnosis(domainID, profile, probes).classification == Class::fixable; };

    if (domainID == u"clt")
        return fixable() ? std::vector{R::installCommandLineTools()} : std::vector<R>{};
    if (domainID == u"homebrew") {
        switch (homebrewState(profile, probes)) {
        case HomebrewState::fine:
        case HomebrewState::twoInstalls: return {};
        case HomebrewState::notOnPath: return {R::repairHomebrewPath()};
        case HomebrewState::wrongChip:
        case HomebrewState::notInstalled: break;
        }
        return {R::installHomebrew()};
    }
    if (domainID == u"warp")
        return fixable() ? std::vector{R::installWarp()} : std::vector<R>{};
    if (domainID == u"ai-claude") {
        std::vector<R> list;
        if (!profile.aiTooling.claudeCodeDesktop)
            list.push_back(R::installClaudeDesktop());
        if (!profile.aiTooling.claudeCodeCLI)
            list.push_back(R::installClaudeCLI());
        return list;
    }
    if (domainID == u"codex")
        return hasOpenAITools(profile, probes) ? std::vector<R>{}
                                               : std::vector{R::installCodexCLI(), R::installChatGPTDesktop()};
    if (domainID == u"editor")
        return hasEditor(profile) ? std::vector<R>{} : std::vector{R::installZed(), R::installVSCode()};
    if (domainID == u"shell-config")
        return probes.shellConfigured ? std::vector<R>{} : std::vector{R::configureShell()};
    if (domainID == u"agent-docs")
        return probes.agentDocNeeded ? std::vector{R::documentEnvironment()} : std::vector<R>{};
    if (domainID == u"project") {
        if (probes.projectExists)
            return {};
        std::vector<R> list{R::createProject(ProjectTemplate::simple)};
        // The coding scaffold only makes sense to someone who already builds software.
        if (profile.likelyDeveloper())
            list.push_back(R::createProject(ProjectTemplate::coding));
        return list;
    }
    // "languages", "skills", "mcp" and "git" build their lists from the user's
    // choices on their own screens.
    return {};
}

std::shared_ptr<const SetupStage> CommandLineDomainRules::stage(const QString& domainID, const SystemProfile& profile,
                                                                const SetupProbeBundle& probes) const
{
    std::vector<SetupAction> actions;
    for (const SetupRemediation& remediation : remediations(domainID, profile, probes))
        actions.push_back(SetupAction::from(remediation));
    return std::make_shared<BasicSetupStage>(domainID, diagnosis(domainID, profile, probes), std::move(actions));
}

}  // namespace varnel
