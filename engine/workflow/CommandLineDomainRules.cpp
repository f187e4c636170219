#include "engine/workflow/CommandLineDomainRules.h"

#include "engine/workflow/HomebrewState.h"

namespace varnel {

namespace {
using Class = SetupDiagnosisClassification;
using R = SetupRemediation;

// How one domain stands: its diagnosis and what would fix it, decided together.
struct Verdict {
    SetupDiagnosis diagnosis;
    std::vector<SetupRemediation> fixes;
};

struct Facts {
    const SystemProfile& profile;
    const SetupProbeBundle& probes;
    const SharedDomainCopy& copy;
};

QString s(const char* text) { return QString::fromUtf8(text); }

SetupDiagnosis text(const char* headline, const char* detail, Class classification)
{
    return {s(headline), s(detail), classification};
}

// Ready with one text, or fixable with another text and these fixes.
Verdict either(bool ready, SetupDiagnosis readyText, SetupDiagnosis fixableText, std::vector<R> fixes)
{
    if (ready)
        return {std::move(readyText), {}};
    return {std::move(fixableText), std::move(fixes)};
}

SetupDiagnosis shared(const SharedDomainCopy::State& state, Class classification)
{
    return {state.headline, state.detail, classification};
}

Verdict clt(const Facts& f)
{
    return either(f.profile.xcodeCommandLineToolsPath.has_value(), shared(f.copy.cltReady, Class::ready),
                  shared(f.copy.cltFixable, Class::fixable), {R::installCommandLineTools()});
}

Verdict homebrew(const Facts& f)
{
    switch (homebrewState(f.profile, f.probes)) {
    case HomebrewState::fine: return {shared(f.copy.homebrewReady, Class::ready), {}};
    case HomebrewState::twoInstalls:
        return {text("Homebrew is installed",
                     "You have Homebrew in two places (/opt/homebrew and /usr/local). We'll use the native "
                     "/opt/homebrew and leave the other one untouched.",
                     Class::ready),
                {}};
    case HomebrewState::notOnPath:
        return {{CommandLineDomainRules::homebrewNotOnPathHeadline(),
                 s("brew is on your Mac but not on your PATH, so your terminal reports \"command not found\". We'll "
                   "add it to ~/.zprofile (backed up first) and re-check in a fresh shell."),
                 Class::fixable},
                {R::repairHomebrewPath()}};
    case HomebrewState::wrongChip:
        return {{CommandLineDomainRules::homebrewWrongChipHeadline(),
                 s("Your Mac is Apple Silicon, but Homebrew is in the Intel location (/usr/local). We'll install the "
                   "native Homebrew in /opt/homebrew and leave the existing one untouched."),
                 Class::fixable},
                {R::installHomebrew()}};
    case HomebrewState::notInstalled: break;
    }
    return {shared(f.copy.homebrewFixable, Class::fixable), {R::installHomebrew()}};
}

Verdict warp(const Facts& f)
{
    return either(f.profile.terminals.warp || f.profile.aiTooling.warpApp, shared(f.copy.warpReady, Class::ready),
                  shared(f.copy.warpFixable, Class::fixable), {R::installWarp()});
}

Verdict aiClaude(const Facts& f)
{
    const AITooling& ai = f.profile.aiTooling;
    std::vector<R> missing;
    if (!ai.claudeCodeDesktop)
        missing.push_back(R::installClaudeDesktop());
    if (!ai.claudeCodeCLI)
        missing.push_back(R::installClaudeCLI());
    const bool both = missing.empty();  // before `missing` is handed over
    return either(both,
                  text("Claude is installed", "You have Claude Desktop and the Claude Code CLI.", Class::ready),
                  text("Install Claude",
                       "Claude Code is Anthropic's AI coding assistant — a desktop app and a terminal CLI. Install "
                       "whichever you want; already-installed ones are grayed out.",
                       Class::fixable),
                  std::move(missing));
}

Verdict codex(const Facts& f)
{
    const bool present = f.profile.aiTooling.codexCLI || f.profile.aiTooling.chatgptDesktop ||
                         f.probes.companionToolPresent;
    return either(present,
                  text("You have OpenAI's coding tools", "ChatGPT or the Codex CLI is already installed.",
                       Class::ready),
                  text("Also install ChatGPT?",
                       "ChatGPT is OpenAI's desktop app, with the Codex coding agent built in. Codex also runs in "
                       "your terminal as a CLI.",
                       Class::fixable),
                  {R::installCodexCLI(), R::installChatGPTDesktop()});
}

Verdict editor(const Facts& f)
{
    return either(f.profile.aiTooling.zed || f.profile.aiTooling.vsCode,
                  text("You have an editor", "A recommended editor is already installed.", Class::ready),
                  text("Install Zed, a better editor",
                       "Based on what you have, we recommend Zed, a native and fast editor. VS Code is a slower "
                       "alternative if you prefer it.",
                       Class::fixable),
                  {R::installZed(), R::installVSCode()});
}

Verdict shellConfig(const Facts& f)
{
    return either(f.probes.shellConfigured,
                  text("Your shell is configured",
                       "Your shell files already have the PATH, mise, and ~/.env setup we add.", Class::ready),
                  text("Shell configuration",
                       "We'll configure your shell files so a new terminal finds your tools, and create ~/.env for "
                       "your API keys.",
                       Class::fixable),
                  {R::configureShell()});
}

Verdict agentDocs(const Facts& f)
{
    return either(!f.probes.agentDocNeeded,
                  text("Your AI agent is set up",
                       "Your agent's instructions already describe how your tools are configured.", Class::ready),
                  text("Tell your AI agent how your Mac is set up",
                       "We'll add a short note to your agent's instructions (CLAUDE.md / AGENTS.md) describing how "
                       "your tools are set up.",
                       Class::fixable),
                  {R::documentEnvironment()});
}

Verdict project(const Facts& f)
{
    std::vector<R> fixes{R::createProject(ProjectTemplate::simple)};
    // The coding scaffold only makes sense to someone who already builds software.
    if (f.profile.likelyDeveloper())
        fixes.push_back(R::createProject(ProjectTemplate::coding));
    const bool exists = f.probes.projectExists;
    return either(exists,
                  text("Your project is set up", "You already have an example project in ~/Documents.", Class::ready),
                  text("Set up a project",
                       "Set up an example project, with CLAUDE.md and AGENTS.md files for guidance.", Class::fixable),
                  std::move(fixes));
}

// The languages, skills, MCP and Git stages build their fixes from the
// user's choices on their own screens.
Verdict languages(const Facts&)
{
    return {text("Install programming languages",
                 "Pick the languages you want. This app also installs a version manager where it's advisable (uv "
                 "for Python, mise for Node and Ruby and Rust).",
                 Class::fixable),
            {}};
}

Verdict skills(const Facts&)
{
    return {text("Add SKILLS",
                 "Skills add new capabilities to AI agents. Some skills are just instructions; some run code. Type "
                 "'/' (slash) in AI chat to see available skills.",
                 Class::fixable),
            {}};
}

Verdict mcp(const Facts&)
{
    return {text("Add MCP servers",
                 "MCP servers connect AI agents to services they can't reach on their own, such as web searches and "
                 "macOS apps (some services need a sign-in). We set up the configuration so you don't get annoying "
                 "errors.",
                 Class::fixable),
            {}};
}

Verdict git(const Facts& f)
{
    return either(f.probes.ghPresent && f.probes.gitIdentitySet && f.probes.ghAuthed,
                  text("Git and GitHub are set up",
                       "Your name and email are configured and you're signed in to GitHub.", Class::ready),
                  text("Set up Git with GitHub",
                       "Git is already on your Mac. We'll set your name and email for commits, then you can sign in "
                       "to set up GitHub for use without password re-typing.",
                       Class::fixable),
                  {});
}

struct DomainRule {
    const char* domainID;
    Verdict (*judge)(const Facts&);
};

const DomainRule kRules[] = {
    {"clt", clt},           {"homebrew", homebrew},   {"warp", warp},     {"ai-claude", aiClaude},
    {"codex", codex},       {"editor", editor},       {"shell-config", shellConfig},
    {"agent-docs", agentDocs}, {"project", project},  {"languages", languages},
    {"skills", skills},     {"mcp", mcp},             {"git", git},
};
}  // namespace

QString CommandLineDomainRules::homebrewNotOnPathHeadline()
{
    return s("Homebrew is installed, but your shell can't find it");
}

QString CommandLineDomainRules::homebrewWrongChipHeadline() { return s("Homebrew is installed for the wrong chip"); }

std::optional<CommandLineDomainRules::Verdict> CommandLineDomainRules::judge(const QString& domainID,
                                                                             const SystemProfile& profile,
                                                                             const SetupProbeBundle& probes) const
{
    for (const DomainRule& rule : kRules) {
        if (domainID == QLatin1String(rule.domainID)) {
            auto [diagnosis, fixes] = rule.judge(Facts{profile, probes, copy_});
            return Verdict{std::move(diagnosis), std::move(fixes)};
        }
    }
    return std::nullopt;
}

SetupDiagnosis CommandLineDomainRules::diagnosis(const QString& domainID, const SystemProfile& profile,
                                                 const SetupProbeBundle& probes) const
{
    auto verdict = judge(domainID, profile, probes);
    return verdict ? verdict->diagnosis : SetupDiagnosis{domainID, QString(), Class::unknown};
}

std::vector<SetupRemediation> CommandLineDomainRules::remediations(const QString& domainID,
                                                                   const SystemProfile& profile,
                                                                   const SetupProbeBundle& probes) const
{
    auto verdict = judge(domainID, profile, probes);
    return verdict ? verdict->fixes : std::vector<SetupRemediation>{};
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
