#include "engine/probing/SystemProfile.h"

#include <algorithm>

namespace varnel {

namespace {
QStringList sortedIDs(std::initializer_list<std::pair<bool, const char*>> flags)
{
    QStringList ids;
    for (const auto& [set, id] : flags)
        if (set)
            ids << QString::fromUtf8(id);
    std::sort(ids.begin(), ids.end());
    return ids;
}
constexpr ArchitectureNames architectureTable[] = {
    {Architecture::appleSilicon, "arm64", "appleSilicon", "Apple Silicon (arm64)"},
    {Architecture::intel, "x86_64", "intel", "Intel (x86_64)"},
    {Architecture::unknown, "unknown", "unknown", "unknown"},
};

constexpr std::pair<Shell::Kind, const char*> shellKindTable[] = {
    {Shell::Kind::zsh, "zsh"}, {Shell::Kind::bash, "bash"}, {Shell::Kind::fish, "fish"}, {Shell::Kind::other, "other"}};
}  // namespace

const ArchitectureNames& architectureNames(Architecture architecture)
{
    for (const auto& row : architectureTable)
        if (row.architecture == architecture)
            return row;
    return architectureTable[std::size(architectureTable) - 1];
}

Architecture architectureFromMachine(const QString& machine)
{
    const QString m = machine.trimmed();
    for (const auto& row : architectureTable)
        if (row.architecture != Architecture::unknown && m == QLatin1String(row.machine))
            return row.architecture;
    return Architecture::unknown;
}

Shell Shell::fromPath(const QString& shellPath)
{
    const QString name = shellPath.section(u'/', -1);
    for (const auto& [kind, kindName] : shellKindTable)
        if (kind != Kind::other && name == QLatin1String(kindName))
            return {kind, {}};
    return other(name.isEmpty() ? QStringLiteral("unknown") : name);
}

QString Shell::kindName() const
{
    for (const auto& [k, name] : shellKindTable)
        if (k == kind)
            return QString::fromLatin1(name);
    return QStringLiteral("other");
}

QString Shell::displayName() const
{
    if (kind != Kind::other)
        return kindName();
    return name.isEmpty() ? QStringLiteral("unknown") : name;
}

QStringList AITooling::detectedIDs() const
{
    return sortedIDs({{claudeCodeDesktop, "claude-desktop"}, {cursor, "cursor"}, {chatgptDesktop, "chatgpt-desktop"},
                      {vsCode, "vs-code"}, {windsurf, "windsurf"}, {kiro, "kiro"}, {antigravity, "antigravity"},
                      {zed, "zed"}, {replit, "replit"}, {warpApp, "warp"}, {intellij, "intellij"},
                      {claudeCodeCLI, "claude-code-cli"}, {codexCLI, "codex-cli"}, {aider, "aider"}});
}

QStringList Terminals::detectedIDs() const
{
    return sortedIDs({{iterm, "iterm2"}, {ghostty, "ghostty"}, {warp, "warp"}, {hyper, "hyper"},
                      {alacritty, "alacritty"}, {kitty, "kitty"}, {wezterm, "wezterm"}});
}

bool SystemProfile::likelyDeveloper() const
{
    // asdf alone does not count.
    return homebrewPrefix || sdkmanRoot || miseExecutable || jenvRoot || xcodeCommandLineToolsPath ||
           aiTooling.any() || terminals.any();
}

}  // namespace varnel
