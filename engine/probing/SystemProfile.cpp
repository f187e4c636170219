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
}  // namespace

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
