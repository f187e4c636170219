#include "engine/workflow/CommandLineSpinePolicy.h"

#include "engine/services/Hosts.h"
#include "engine/probing/SystemProfile.h"
#include "engine/telemetry/SetupEvents.h"

namespace varnel {

namespace {
QString s(const char* text) { return QString::fromUtf8(text); }
}  // namespace

std::vector<SpineRenderPolicy::OpenableApp> commandLineOpenableApps(const std::optional<SystemProfile>& profile)
{
    std::vector<SpineRenderPolicy::OpenableApp> apps;
    if (!profile)
        return apps;
    const AITooling& ai = profile->aiTooling;
    if (ai.claudeCodeDesktop)
        apps.push_back({s("Open Claude Desktop"), s("Claude.app")});
    if (ai.chatgptDesktop)
        apps.push_back({s("Open ChatGPT"), s("ChatGPT.app")});
    if (ai.zed)
        apps.push_back({s("Open Zed"), s("Zed.app")});
    if (ai.vsCode)
        apps.push_back({s("Open VS Code"), s("Visual Studio Code.app")});
    if (ai.warpApp)
        apps.push_back({s("Open Warp"), s("Warp.app")});
    return apps;
}

SpineRenderPolicy commandLineSpinePolicy()
{
    using Kind = SpineRenderPolicy::SpecialStageKind::Kind;
    using Special = SpineRenderPolicy::SpecialStageKind;

    SpineRenderPolicy p;
    p.summaryExcludedDomains = {s("warp")};
    p.offers = {{s("warp"), {s("warp"), s("post_homebrew"), s("warp_not_installed")}}};
    p.homebrewIndependentDomains = {s("clt"), s("homebrew"), s("shell-config"), s("git"),
                                    s("project"), s("skills"), s("mcp")};
    p.advanceOnPartialFailureDomains = {s("languages"), s("project"), s("skills"), s("mcp")};
    p.stageArticlePaths = {
        {s("clt"), s("commandlinetools")},   {s("shell-config"), s("terminal/configuration")},
        {s("homebrew"), s("homebrew")},      {s("warp"), s("download/warp")},
        {s("git"), s("git")},                {s("ai-claude"), s("claude-code/install")},
        {s("editor"), s("download/zed")},    {s("languages"), s("mise")},
    };
    p.fallbackArticlePath = s("varnel/coming-soon");
    p.privilegedActionReason = s("Set up the command line");
    p.privilegedReasons = {{s("brew:temurin"), s("Enter a password to install Java")}};

    NetworkReadinessConfig network;
    network.endpoints = {QUrl(hosts::homebrewFormulaeHost() + s("/api/formula.json")),
                         QUrl(hosts::appleSoftwareUpdateHost() + s("/content/catalogs/index.sucatalog")),
                         QUrl(hosts::githubSite() + u'/')};
    network.estimatedPayloadBytes = 1'500'000'000;
    network.slowThresholdSeconds = 600;
    network.maxSampleBytes = 800'000;
    network.probeTimeoutSeconds = 3.0;
    p.networkReadiness = network;
    p.diskReadiness = DiskReadinessConfig{15'000'000'000, 10'000'000'000, 3'000'000'000};

    p.remediationCaptions = {
        {s("brew:warp"), s("We'll install Warp via Homebrew, the fast terminal Kestrane Guide recommends.")}};
    p.onOutcomeReported = [](const std::optional<QString>& engineOutcome, const QString& selfReport,
                             const EventTracker& track) { track(events::outcomeReported(engineOutcome, selfReport)); };
    p.outcomeOpenableApps = [](const std::optional<SystemProfile>& profile, const std::optional<SetupProbeBundle>&) {
        return commandLineOpenableApps(profile);
    };
    p.specialStages = {
        {s("ai-claude"),
         Special::caskMultiselect(s("Install Claude"), s("ai-claude"),
                                  {{s("Claude Desktop"), s("brew:claude"), s("install-claude-desktop")},
                                   {s("Claude Code CLI"), s("brew:claude-code@latest"), s("install-claude-cli")}})},
        {s("codex"),
         Special::caskMultiselect(s("Install ChatGPT"), s("codex"),
                                  {{s("ChatGPT Desktop"), s("brew:chatgpt"), s("install-chatgpt-desktop")},
                                   {s("Codex CLI"), s("brew:codex"), s("install-codex-cli")}})},
        {s("project"), Special::simple(Kind::projectActions)},
        {s("skills"), Special::simple(Kind::skillsMultiselect)},
        {s("mcp"), Special::simple(Kind::mcpMultiselect)},
        {s("languages"), Special::simple(Kind::languagesMultiselect)},
        {s("git"), Special::simple(Kind::gitActions)},
    };
    return p;
}

}  // namespace varnel
