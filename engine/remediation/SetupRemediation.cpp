#include "engine/remediation/SetupRemediation.h"

namespace varnel {

using Case = SetupRemediation::Case;

// The catalogue: one row per case (two for the project templates). In the
// texts, {directory}, {slug}, {name}, {badge} and {signIn} stand for the
// payload's values. A caption of nullptr means the case has none.
struct SetupRemediation::Row {
    Case kind;
    const char* id;
    const char* title;
    const char* caption;
    const char* method;
    // Confirmed by a check on this Mac right after it runs; everything else
    // counts as done when it completes successfully.
    bool checkedLocally = false;
    std::optional<ProjectTemplate> projectTemplate = std::nullopt;
};

namespace {
const SetupRemediation::Row kRows[] = {
    {Case::repairPath, "path-repair:{directory}", "Fix your PATH so `claude` is found",
     "We'll add `{directory}` to your PATH in `~/.zprofile` (after backing it up to `~/.zprofile.bak`) so your shell "
     "can find `claude`.",
     "zprofile_write", true},
    {Case::createProject, "example:coding", "Create the coding project",
     "We'll copy a spec-driven coding project into ~/Documents/AI-Coding-Project — a worked scaffold that teaches "
     "sustainable AI-assisted development.",
     "template_copy", false, ProjectTemplate::coding},
    {Case::createProject, "example:simple", "Create the example project",
     "We'll copy a ready-to-use sample project into ~/Documents/AI-Simple-Project — a folder to open with Claude, "
     "with notes to try and CLAUDE.md / AGENTS.md guidance.",
     "template_copy", false, ProjectTemplate::simple},
    {Case::installSkill, "skill:{slug}", "Add {name}", "We'll add the {name} skill to your AI agents — {badge}.",
     "skill_install"},
    {Case::addMCPServer, "mcp:{slug}", "Add {name}", "We'll add the {name} MCP server to your AI agents{signIn}.",
     "mcp_add"},
    {Case::configureGit, "git:config", "Save your Git name and email",
     "We'll set your name and email with `git config --global`, and a couple of sensible defaults.", "git_config"},
    {Case::installCommandLineTools, "clt", "Install Command Line Tools", nullptr, "softwareupdate"},
    {Case::installHomebrew, "homebrew", "Install Homebrew (recommended)",
     "We'll run the official Homebrew install script. macOS will prompt for your password (three times, as "
     "needed).",
     "homebrew"},
    {Case::installClaudeCLI, "brew:claude-code@latest", "Install Claude Code CLI (recommended)",
     "We'll run `brew install --cask claude-code@latest` so Claude Code stays updatable under Homebrew, then verify "
     "`claude --version` runs.",
     "brew", true},
    {Case::repairHomebrewPath, "path-repair:homebrew", "Fix your PATH so `brew` is found",
     "We'll add Homebrew to your PATH in `~/.zprofile` (after backing it up to `~/.zprofile.bak`) so your shell can "
     "find `brew`, then re-check in a fresh shell.",
     "zprofile_write", true},
    {Case::installWarp, "brew:warp", "Install Warp (recommended)",
     "We'll install Warp via Homebrew — the modern, AI-assisted macOS terminal we recommend.", "brew"},
    {Case::installClaudeDesktop, "brew:claude", "Install Claude Desktop (recommended)",
     "We'll run `brew install --cask claude` to install the Claude desktop app, then confirm it's present.", "brew",
     true},
    {Case::installZed, "brew:zed", "Install Zed",
     "We'll run `brew install --cask zed` to install Zed, a native and fast editor.", "brew"},
    {Case::installVSCode, "brew:visual-studio-code", "Install VS Code",
     "We'll run `brew install --cask visual-studio-code` to install Visual Studio Code.", "brew"},
    {Case::installCodexCLI, "brew:codex", "Install Codex CLI",
     "We'll run `brew install --cask codex` to install the Codex CLI in your terminal.", "brew"},
    {Case::installChatGPTDesktop, "brew:chatgpt", "Install ChatGPT Desktop",
     "We'll run `brew install --cask chatgpt` to install the ChatGPT desktop app, which has OpenAI's Codex coding "
     "agent built in.",
     "brew"},
    {Case::configureShell, "shell-config", "Set up my shell",
     "We'll set up `~/.zprofile` (PATH), `~/.zshrc` (aliases and completions), and `~/.env` (API keys). Each file is "
     "backed up first, and nothing is overwritten.",
     "shell_config"},
    {Case::installUv, "uv", "Install Python (uv)",
     "We'll install uv (Astral's installer), use it to install Python, and add uv's `~/.local/bin` to your PATH.",
     "uv"},
    {Case::installMise, "brew:mise", "Install mise (version manager)",
     "We'll install mise with Homebrew to manage Node and Ruby versions, and activate it in your shell.", "brew"},
    {Case::installNodeViaMise, "mise:node@lts", "Install Node (via mise)",
     "We'll run `mise use -g node@lts` to install the latest LTS Node.", "mise"},
    {Case::installRubyViaMise, "mise:ruby@latest", "Install Ruby (via mise)",
     "We'll run `mise use -g ruby@latest` to install the latest Ruby.", "mise"},
    {Case::installRustViaMise, "mise:rust", "Install Rust (via mise)",
     "We'll run `mise use -g rust` to install Rust. mise uses rustup underneath, so cargo and rustc resolve through "
     "mise.",
     "mise"},
    {Case::installRustup, "rustup", "Install Rust (rustup)",
     "We'll install rustup (Rust's official installer) and the stable toolchain, and add `~/.cargo/bin` to your "
     "PATH.",
     "rustup"},
    {Case::installTemurin, "brew:temurin", "Install Java (Temurin)",
     "We'll install the Temurin JDK with Homebrew (`temurin` cask) and set JAVA_HOME.", "brew"},
    {Case::documentEnvironment, "env-doc", "Document the setup for your AI agent", nullptr, "env_doc"},
    {Case::installGh, "brew:gh", "Install the GitHub CLI", "We'll run `brew install gh` to install the GitHub CLI.",
     "brew"},
    {Case::githubAuth, "git:gh-auth", "Sign in to GitHub",
     "We'll open GitHub sign-in in your browser, then set up Git so pushes don't ask for a password. We never see "
     "your GitHub password.",
     "gh_auth"},
};

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

std::optional<SetupRemediation> SetupRemediation::fromID(const QString& id, const Inputs& inputs)
{
    // An identifier is the row's pattern with the payload's one value in it.
    const auto valueAfter = [&id](const char* pattern) -> std::optional<QString> {
        const QString prefix = QString::fromUtf8(pattern).section(u'{', 0, 0);
        if (!id.startsWith(prefix) || id.size() == prefix.size())
            return std::nullopt;
        return id.mid(prefix.size());
    };
    for (const Row& row : kRows) {
        if (!QByteArrayView(row.id).contains('{')) {
            if (id != QLatin1String(row.id))
                continue;
            if (row.projectTemplate)
                return createProject(*row.projectTemplate, inputs.projectFolder);
            if (row.kind == Case::configureGit)
                return configureGit(inputs.gitName, inputs.gitEmail);
            return SetupRemediation(row.kind);
        }
        const std::optional<QString> value = valueAfter(row.id);
        if (!value)
            continue;
        switch (row.kind) {
        case Case::repairPath:
            if (*value == u"homebrew")  // its own case, matched by its own row
                continue;
            return repairPath(*value);
        case Case::installSkill:
            if (auto skill = AgentSkill::withSlug(*value))
                return installSkill(*skill);
            return std::nullopt;
        case Case::addMCPServer:
            if (auto server = MCPServer::withSlug(*value))
                return addMCPServer(*server, inputs.apiKey);
            return std::nullopt;
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
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

const SetupRemediation::Row& SetupRemediation::row() const
{
    for (const Row& r : kRows)
        if (r.kind == case_ && (!r.projectTemplate || r.projectTemplate == projectTemplate()))
            return r;
    Q_UNREACHABLE();  // every case has a row
}

QString SetupRemediation::fill(const char* text) const
{
    QString out = QString::fromUtf8(text);
    if (!out.contains(u'{'))
        return out;
    const AgentSkill* sk = skill();
    const MCPServer* sv = server();
    const QString name = sk ? sk->displayName : sv ? sv->displayName : QString();
    const QString slug = sk ? sk->slug : sv ? sv->slug : QString();
    out.replace(QStringLiteral("{directory}"), directory());
    out.replace(QStringLiteral("{slug}"), slug);
    out.replace(QStringLiteral("{name}"), name);
    out.replace(QStringLiteral("{badge}"), sk ? sk->badge : QString());
    out.replace(QStringLiteral("{signIn}"), sv && sv->signsInWithOAuth()
                                                 ? QStringLiteral(", then you sign in inside Claude or Codex to finish")
                                                 : QString());
    return out;
}

QString SetupRemediation::id() const { return fill(row().id); }

QString SetupRemediation::title() const { return fill(row().title); }

std::optional<QString> SetupRemediation::caption() const
{
    const char* caption = row().caption;
    return caption ? std::optional(fill(caption)) : std::nullopt;
}

QString SetupRemediation::method() const { return QString::fromUtf8(row().method); }

bool SetupRemediation::isCheckedLocally() const { return row().checkedLocally; }

}  // namespace varnel
