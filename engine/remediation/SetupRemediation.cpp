#include "engine/remediation/SetupRemediation.h"

#include "engine/workflow/SetupTypes.h"

namespace varnel {

namespace {
QString s(const char* text) { return QString::fromUtf8(text); }

// The sentence of every `brew install --cask` case.
QString caskCaption(const char* cask, const char* rest)
{
    return s("We'll run `brew install --cask ") + s(cask) + s("` ") + s(rest);
}

// The sentence of every `mise use -g` case.
QString miseCaption(const char* tool, const char* rest)
{
    return s("We'll run `mise use -g ") + s(tool) + s("` ") + s(rest);
}
}  // namespace

SetupRemediation SetupRemediation::repairPath(QString directory)
{
    return SetupRemediation(Case::repairPath, RepairPath{std::move(directory)});
}

SetupRemediation SetupRemediation::createProject(ProjectTemplate projectTemplate,
                                                 std::optional<QString> destinationPath)
{
    return SetupRemediation(Case::createProject, CreateProject{projectTemplate, std::move(destinationPath)});
}

SetupRemediation SetupRemediation::installSkill(AgentSkill skill)
{
    return SetupRemediation(Case::installSkill, InstallSkill{std::move(skill)});
}

SetupRemediation SetupRemediation::addMCPServer(MCPServer server, std::optional<QString> apiKey)
{
    return SetupRemediation(Case::addMCPServer, AddMCPServer{std::move(server), std::move(apiKey)});
}

SetupRemediation SetupRemediation::configureGit(QString name, QString email)
{
    return SetupRemediation(Case::configureGit, ConfigureGit{std::move(name), std::move(email)});
}

QString SetupRemediation::directory() const
{
    const auto* p = std::get_if<RepairPath>(&payload_);
    return p ? p->directory : QString();
}

ProjectTemplate SetupRemediation::projectTemplate() const
{
    const auto* p = std::get_if<CreateProject>(&payload_);
    return p ? p->projectTemplate : ProjectTemplate::simple;
}

std::optional<QString> SetupRemediation::destinationPath() const
{
    const auto* p = std::get_if<CreateProject>(&payload_);
    return p ? p->destinationPath : std::nullopt;
}

const AgentSkill* SetupRemediation::skill() const
{
    const auto* p = std::get_if<InstallSkill>(&payload_);
    return p ? &p->skill : nullptr;
}

const MCPServer* SetupRemediation::server() const
{
    const auto* p = std::get_if<AddMCPServer>(&payload_);
    return p ? &p->server : nullptr;
}

std::optional<QString> SetupRemediation::apiKey() const
{
    const auto* p = std::get_if<AddMCPServer>(&payload_);
    return p ? p->apiKey : std::nullopt;
}

QString SetupRemediation::gitName() const
{
    const auto* p = std::get_if<ConfigureGit>(&payload_);
    return p ? p->name : QString();
}

QString SetupRemediation::gitEmail() const
{
    const auto* p = std::get_if<ConfigureGit>(&payload_);
    return p ? p->email : QString();
}

QString SetupRemediation::id() const
{
    switch (case_) {
    case Case::repairPath: return s("path-repair:") + directory();
    case Case::createProject:
        return projectTemplate() == ProjectTemplate::coding ? s("example:coding") : s("example:simple");
    case Case::installSkill: return s("skill:") + (skill() ? skill()->slug : QString());
    case Case::addMCPServer: return s("mcp:") + (server() ? server()->slug : QString());
    case Case::configureGit: return s("git:config");
    case Case::installCommandLineTools: return s("clt");
    case Case::installHomebrew: return s("homebrew");
    case Case::installClaudeCLI: return s("brew:claude-code@latest");
    case Case::repairHomebrewPath: return s("path-repair:homebrew");
    case Case::installWarp: return s("brew:warp");
    case Case::installClaudeDesktop: return s("brew:claude");
    case Case::installZed: return s("brew:zed");
    case Case::installVSCode: return s("brew:visual-studio-code");
    case Case::installCodexCLI: return s("brew:codex");
    case Case::installChatGPTDesktop: return s("brew:chatgpt");
    case Case::configureShell: return s("shell-config");
    case Case::installUv: return s("uv");
    case Case::installMise: return s("brew:mise");
    case Case::installNodeViaMise: return s("mise:node@lts");
    case Case::installRubyViaMise: return s("mise:ruby@latest");
    case Case::installRustViaMise: return s("mise:rust");
    case Case::installRustup: return s("rustup");
    case Case::installTemurin: return s("brew:temurin");
    case Case::documentEnvironment: return s("env-doc");
    case Case::installGh: return s("brew:gh");
    case Case::githubAuth: return s("git:gh-auth");
    }
    return {};
}

QString SetupRemediation::title() const
{
    switch (case_) {
    case Case::repairPath: return s("Fix your PATH so `claude` is found");
    case Case::createProject:
        return projectTemplate() == ProjectTemplate::coding ? s("Create the coding project")
                                                            : s("Create the example project");
    case Case::installSkill: return s("Add ") + (skill() ? skill()->displayName : QString());
    case Case::addMCPServer: return s("Add ") + (server() ? server()->displayName : QString());
    case Case::configureGit: return s("Save your Git name and email");
    case Case::installCommandLineTools: return s("Install Command Line Tools");
    case Case::installHomebrew: return s("Install Homebrew (recommended)");
    case Case::installClaudeCLI: return s("Install Claude Code CLI (recommended)");
    case Case::repairHomebrewPath: return s("Fix your PATH so `brew` is found");
    case Case::installWarp: return s("Install Warp (recommended)");
    case Case::installClaudeDesktop: return s("Install Claude Desktop (recommended)");
    case Case::installZed: return s("Install Zed");
    case Case::installVSCode: return s("Install VS Code");
    case Case::installCodexCLI: return s("Install Codex CLI");
    case Case::installChatGPTDesktop: return s("Install ChatGPT Desktop");
    case Case::configureShell: return s("Set up my shell");
    case Case::installUv: return s("Install Python (uv)");
    case Case::installMise: return s("Install mise (version manager)");
    case Case::installNodeViaMise: return s("Install Node (via mise)");
    case Case::installRubyViaMise: return s("Install Ruby (via mise)");
    case Case::installRustViaMise: return s("Install Rust (via mise)");
    case Case::installRustup: return s("Install Rust (rustup)");
    case Case::installTemurin: return s("Install Java (Temurin)");
    case Case::documentEnvironment: return s("Document the setup for your AI agent");
    case Case::installGh: return s("Install the GitHub CLI");
    case Case::githubAuth: return s("Sign in to GitHub");
    }
    return {};
}

std::optional<QString> SetupRemediation::caption() const
{
    switch (case_) {
    case Case::repairPath:
        return s("We'll add `") + directory() +
               s("` to your PATH in `~/.zprofile` (after backing it up to `~/.zprofile.bak`) so your shell can "
                 "find `claude`.");
    case Case::createProject:
        if (projectTemplate() == ProjectTemplate::coding)
            return s("We'll copy a spec-driven coding project into ~/Documents/AI-Coding-Project — a worked "
                     "scaffold that teaches sustainable AI-assisted development.");
        return s("We'll copy a ready-to-use sample project into ~/Documents/AI-Simple-Project — a folder to open "
                 "with Claude, with notes to try and CLAUDE.md / AGENTS.md guidance.");
    case Case::installSkill: {
        const AgentSkill* sk = skill();
        return s("We'll add the ") + (sk ? sk->displayName : QString()) + s(" skill to your AI agents — ") +
               (sk ? sk->badge : QString()) + u'.';
    }
    case Case::addMCPServer: {
        const MCPServer* sv = server();
        const QString name = sv ? sv->displayName : QString();
        if (sv && sv->signsInWithOAuth())
            return s("We'll add the ") + name +
                   s(" MCP server to your AI agents, then you sign in inside Claude or Codex to finish.");
        return s("We'll add the ") + name + s(" MCP server to your AI agents.");
    }
    case Case::configureGit:
        return s("We'll set your name and email with `git config --global`, and a couple of sensible defaults.");
    case Case::installCommandLineTools: return std::nullopt;
    case Case::installHomebrew:
        return s("We'll run the official Homebrew install script. macOS will prompt for your password (three "
                 "times, as needed).");
    case Case::installClaudeCLI:
        return caskCaption("claude-code@latest",
                           "so Claude Code stays updatable under Homebrew, then verify `claude --version` runs.");
    case Case::repairHomebrewPath:
        return s("We'll add Homebrew to your PATH in `~/.zprofile` (after backing it up to `~/.zprofile.bak`) so "
                 "your shell can find `brew`, then re-check in a fresh shell.");
    case Case::installWarp:
        return s("We'll install Warp via Homebrew — the modern, AI-assisted macOS terminal we recommend.");
    case Case::installClaudeDesktop:
        return caskCaption("claude", "to install the Claude desktop app, then confirm it's present.");
    case Case::installZed: return caskCaption("zed", "to install Zed, a native and fast editor.");
    case Case::installVSCode: return caskCaption("visual-studio-code", "to install Visual Studio Code.");
    case Case::installCodexCLI: return caskCaption("codex", "to install the Codex CLI in your terminal.");
    case Case::installChatGPTDesktop:
        return caskCaption("chatgpt",
                           "to install the ChatGPT desktop app, which has OpenAI's Codex coding agent built in.");
    case Case::configureShell:
        return s("We'll set up `~/.zprofile` (PATH), `~/.zshrc` (aliases and completions), and `~/.env` (API "
                 "keys). Each file is backed up first, and nothing is overwritten.");
    case Case::installUv:
        return s("We'll install uv (Astral's installer), use it to install Python, and add uv's `~/.local/bin` to "
                 "your PATH.");
    case Case::installMise:
        return s("We'll install mise with Homebrew to manage Node and Ruby versions, and activate it in your "
                 "shell.");
    case Case::installNodeViaMise: return miseCaption("node@lts", "to install the latest LTS Node.");
    case Case::installRubyViaMise: return miseCaption("ruby@latest", "to install the latest Ruby.");
    case Case::installRustViaMise:
        return miseCaption("rust",
                           "to install Rust. mise uses rustup underneath, so cargo and rustc resolve through mise.");
    case Case::installRustup:
        return s("We'll install rustup (Rust's official installer) and the stable toolchain, and add "
                 "`~/.cargo/bin` to your PATH.");
    case Case::installTemurin:
        return s("We'll install the Temurin JDK with Homebrew (`temurin` cask) and set JAVA_HOME.");
    case Case::documentEnvironment: return std::nullopt;
    case Case::installGh: return s("We'll run `brew install gh` to install the GitHub CLI.");
    case Case::githubAuth:
        return s("We'll open GitHub sign-in in your browser, then set up Git so pushes don't ask for a password. "
                 "We never see your GitHub password.");
    }
    return std::nullopt;
}

QString SetupRemediation::method() const
{
    switch (case_) {
    case Case::repairPath:
    case Case::repairHomebrewPath: return s("zprofile_write");
    case Case::createProject: return s("template_copy");
    case Case::installSkill: return s("skill_install");
    case Case::addMCPServer: return s("mcp_add");
    case Case::configureGit: return s("git_config");
    case Case::installCommandLineTools: return s("softwareupdate");
    case Case::installHomebrew: return s("homebrew");
    case Case::installClaudeCLI:
    case Case::installWarp:
    case Case::installClaudeDesktop:
    case Case::installZed:
    case Case::installVSCode:
    case Case::installCodexCLI:
    case Case::installChatGPTDesktop:
    case Case::installMise:
    case Case::installTemurin:
    case Case::installGh: return s("brew");
    case Case::configureShell: return s("shell_config");
    case Case::installUv: return s("uv");
    case Case::installNodeViaMise:
    case Case::installRubyViaMise:
    case Case::installRustViaMise: return s("mise");
    case Case::installRustup: return s("rustup");
    case Case::documentEnvironment: return s("env_doc");
    case Case::githubAuth: return s("gh_auth");
    }
    return {};
}

// Declared with the workflow types; defined here, next to the catalogue it reads.
SetupAction SetupAction::from(const SetupRemediation& remediation)
{
    using Case = SetupRemediation::Case;
    const Case c = remediation.kind();
    // These four are confirmed by a check on this Mac right after they run;
    // everything else counts as done when it completes successfully.
    const bool checkedLocally = c == Case::repairPath || c == Case::installClaudeCLI ||
                                c == Case::repairHomebrewPath || c == Case::installClaudeDesktop;
    return SetupAction{remediation.id(), remediation.title(), remediation.caption().value_or(QString()),
                       checkedLocally ? VerifyPolicy::localVerification : VerifyPolicy::installCompletion};
}

}  // namespace varnel
