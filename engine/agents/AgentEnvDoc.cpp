#include "engine/agents/AgentEnvDoc.h"

#include "engine/services/FileSystemOperating.h"

namespace varnel {

namespace {
struct NoteLine {
    bool EnvironmentFlags::*when;  // nullptr: always
    const char* text;
};

// The note, line by line; a line with a flag appears only on Macs that have it.
const NoteLine kNote[] = {
    {nullptr, "<!-- Varnel — development environment (managed; you can edit the lines below) -->"},
    {nullptr, "## Development environment (Varnel)"},
    {nullptr, ""},
    {nullptr,
     "This Mac's developer toolchain was configured by Varnel. One owner per language (no conflicting version "
     "managers on PATH). When working in a project, drive per-project versions with the manager that owns the "
     "language:"},
    {nullptr, ""},
    {&EnvironmentFlags::hasHomebrew, "- Homebrew is the base package manager (`brew`)."},
    {&EnvironmentFlags::hasUV,
     "- Python: uv owns Python. `uv python install <version>`, `uv venv` / `.venv`, `uv run`; pin per project with "
     "`uv python pin <version>`. Do not use a Homebrew or system `python` for projects."},
    {&EnvironmentFlags::hasMise,
     "- Node / Ruby: mise manages versions. `mise use node@<version>` / `mise use ruby@<version>` per project "
     "(writes `mise.toml`); `mise use -g <tool>@<version>` sets the global default."},
    {&EnvironmentFlags::hasCargo,
     "- Rust: rustup owns toolchains. `rustup default <toolchain>`, `rustup toolchain install`, `cargo`."},
    {&EnvironmentFlags::hasJavaHome,
     "- Java: Temurin JDK via Homebrew; `JAVA_HOME` is set with `/usr/libexec/java_home` (use `-v <N>` to select a "
     "version)."},
    {nullptr, ""},
    {nullptr,
     "PATH and tool activation live in `~/.zprofile` (login shells, including this agent's own subshells) and "
     "`~/.zshrc` (interactive mise activation). API keys go in `~/.env` (sourced by `~/.zshrc`); never hardcode a "
     "key."},
    {nullptr, ""},
};
}  // namespace

EnvironmentFlags AgentEnvDoc::detect() const
{
    const QString home = fs_.homeDirectory();
    const auto byHomebrew = [this](const char* tool) {
        return fs_.isExecutableFile(QStringLiteral("/opt/homebrew/bin/") + QLatin1String(tool)) ||
               fs_.isExecutableFile(QStringLiteral("/usr/local/bin/") + QLatin1String(tool));
    };
    const auto exists = [this](const QString& path) { return fs_.fileExists(path); };
    auto zprofile = fs_.contents(home + QStringLiteral("/.zprofile"));
    const QByteArray profile = zprofile ? zprofile.value() : QByteArray();

    EnvironmentFlags f;
    f.hasHomebrew = byHomebrew("brew");
    f.hasUV = byHomebrew("uv") || exists(home + QStringLiteral("/.local/bin/uv"));
    f.hasMise = byHomebrew("mise") || exists(home + QStringLiteral("/.local/bin/mise"));
    f.hasCargo = exists(home + QStringLiteral("/.cargo/bin/cargo")) || profile.contains(".cargo/bin");
    f.hasJavaHome = profile.contains("JAVA_HOME");
    f.hasClaude = byHomebrew("claude") || exists(home + QStringLiteral("/.local/bin/claude")) ||
                  exists(home + QStringLiteral("/.claude")) || exists(QStringLiteral("/Applications/Claude.app"));
    f.hasCodex = byHomebrew("codex") || exists(home + QStringLiteral("/.codex")) ||
                 exists(QStringLiteral("/Applications/ChatGPT.app")) || exists(QStringLiteral("/Applications/Codex.app"));
    return f;
}

QString AgentEnvDoc::document(const EnvironmentFlags& flags)
{
    QStringList lines;
    for (const NoteLine& line : kNote)
        if (!line.when || flags.*line.when)
            lines << QString::fromUtf8(line.text);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

std::vector<AgentEnvDoc::Target> AgentEnvDoc::targets(const EnvironmentFlags& flags) const
{
    const QString home = fs_.homeDirectory();
    std::vector<Target> found;
    if (flags.hasClaude)
        found.push_back({home + QStringLiteral("/.claude/CLAUDE.md"), QStringLiteral("Claude (~/.claude/CLAUDE.md)")});
    if (flags.hasCodex)
        found.push_back({home + QStringLiteral("/.codex/AGENTS.md"), QStringLiteral("Codex (~/.codex/AGENTS.md)")});
    return found;
}

bool AgentEnvDoc::carriesNote(const QString& path) const
{
    auto text = fs_.contents(path);
    return text && text->contains(marker().toUtf8());
}

StepOutcome AgentEnvDoc::write(const Target& target, const QString& note) const
{
    const auto couldNotWrite = [&](const ServiceError& error) {
        return StepOutcome{{QStringLiteral("Couldn't write ") + target.label + QStringLiteral(": ") +
                            error.localizedDescription()},
                           false};
    };
    // Bytes, not text: whatever the file holds is kept exactly as it is.
    QByteArray old;
    if (fs_.fileExists(target.path)) {
        auto read = fs_.contents(target.path);
        if (!read)
            return couldNotWrite(read.error());
        old = read.value();
    }
    if (old.contains(marker().toUtf8()))
        return {{target.label + QStringLiteral(" already documents the setup — nothing to do.")}, true};

    const qsizetype slash = target.path.lastIndexOf(QLatin1Char('/'));
    if (auto made = fs_.createDirectory(target.path.left(slash), true); !made)
        return couldNotWrite(made.error());
    QByteArray text = old;
    if (!old.isEmpty()) {
        if (auto backup = fs_.writeData(old, target.path + QStringLiteral(".bak"), true); !backup)
            return couldNotWrite(backup.error());
        text += old.endsWith('\n') ? "\n" : "\n\n";
    }
    text += (note + QLatin1Char('\n')).toUtf8();
    if (auto saved = fs_.writeData(text, target.path, true); !saved)
        return couldNotWrite(saved.error());
    return {{QStringLiteral("Documented your setup for ") + target.label + QLatin1Char('.')}, true};
}

bool AgentEnvDoc::isDocumented() const
{
    for (const Target& target : targets(detect()))
        if (!carriesNote(target.path))
            return false;
    return true;
}

StepOutcome AgentEnvDoc::documentEnvironment() const
{
    const EnvironmentFlags flags = detect();
    const std::vector<Target> found = targets(flags);
    if (found.empty())
        return {{QStringLiteral("No AI agent (Claude or Codex) detected — skipping the agent setup note.")}, true};
    const QString note = document(flags);
    StepOutcome outcome;
    for (const Target& target : found) {
        const StepOutcome one = write(target, note);
        outcome.messages << one.messages;
        outcome.succeeded = outcome.succeeded && one.succeeded;
    }
    return outcome;
}

}  // namespace varnel
