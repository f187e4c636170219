#include "engine/remediation/SetupRemediation.h"
#include "engine/workflow/CommandLineSpineProvider.h"
#include "engine/workflow/HomebrewState.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace varnel;

namespace {
const QString kNative = QStringLiteral("/opt/homebrew/bin/brew");
const QString kIntel = QStringLiteral("/usr/local/bin/brew");

SystemProfile mac(Architecture architecture)
{
    SystemProfile p;
    p.architecture = architecture;
    return p;
}

SetupProbeBundle brew(QStringList installed, QStringList onPath, std::optional<int> versionExit)
{
    SetupProbeBundle b;
    b.installedPrimaryToolLocations = std::move(installed);
    b.pathVisiblePrimaryTools = std::move(onPath);
    b.versionExitCode = versionExit;
    if (versionExit)
        b.versionOutput = QStringLiteral("Homebrew 4.4.0\n");
    return b;
}

QStringList domains(const SetupWorkflow& w)
{
    QStringList list;
    for (const WorkflowStep& step : w.steps)
        list << step.stage->domainID();
    return list;
}

// A copy, so that it outlives the workflow it came from.
BasicSetupStage stageOf(const SetupWorkflow& w, const QString& domain)
{
    for (const WorkflowStep& step : w.steps)
        if (step.stage->domainID() == domain)
            return BasicSetupStage(step.stage->domainID(), step.stage->diagnosis(), step.stage->actions());
    throw std::runtime_error("no stage " + domain.toStdString());
}

QStringList actionIDs(const SetupStage& stage)
{
    QStringList ids;
    for (const SetupAction& a : stage.actions())
        ids << a.id;
    return ids;
}

SetupWorkflow workflowFor(const SystemProfile& profile, const SetupProbeBundle& probes)
{
    return *CommandLineSpineProvider().workflow(std::nullopt, profile, probes, {}, std::nullopt);
}
}  // namespace

TEST(CommandLineSpineProvider, intelLeavesOutCodexAndTheFirstFourArePrimary)
{
    const SetupProbeBundle probes;
    const SetupWorkflow intel = workflowFor(mac(Architecture::intel), probes);
    const SetupWorkflow arm = workflowFor(mac(Architecture::appleSilicon), probes);
    EXPECT_EQ(workflowFor(mac(Architecture::unknown), probes).steps.size(), arm.steps.size());
    EXPECT_EQ(domains(arm).mid(0, 4), QStringList({"clt", "shell-config", "homebrew", "warp"}));
    QStringList withoutCodex = domains(arm);
    withoutCodex.removeAll("codex");
    EXPECT_EQ(domains(intel), withoutCodex);
    for (size_t i = 0; i < arm.steps.size(); ++i)
        EXPECT_EQ(arm.steps[i].placement, i < 4 ? DomainPlacement::primary : DomainPlacement::optional) << i;

    // Asked for one domain, the provider declines.
    EXPECT_EQ(CommandLineSpineProvider().workflow(QString("clt"), mac(Architecture::intel), probes, {}, std::nullopt),
              std::nullopt);
}

TEST(CommandLineSpineProvider, homebrewStates)
{
    const auto arm = mac(Architecture::appleSilicon);
    const auto intel = mac(Architecture::intel);
    EXPECT_EQ(homebrewState(arm, brew({}, {}, std::nullopt)), HomebrewState::notInstalled);
    EXPECT_EQ(homebrewState(arm, brew({kIntel}, {kIntel}, 0)), HomebrewState::wrongChip);
    EXPECT_EQ(homebrewState(intel, brew({kIntel}, {kIntel}, 0)), HomebrewState::fine);
    EXPECT_EQ(homebrewState(arm, brew({kNative, kIntel}, {kNative, kIntel}, 0)), HomebrewState::twoInstalls);
    EXPECT_EQ(homebrewState(arm, brew({kNative}, {kNative}, 0)), HomebrewState::fine);
    EXPECT_EQ(homebrewState(arm, brew({kNative}, {}, 0)), HomebrewState::notOnPath);
    EXPECT_EQ(homebrewState(arm, brew({kNative}, {kNative}, 1)), HomebrewState::notOnPath);
    EXPECT_EQ(homebrewState(arm, brew({kNative}, {kNative}, std::nullopt)), HomebrewState::notOnPath);
    EXPECT_EQ(homebrewState(mac(Architecture::unknown), brew({kIntel}, {}, 0)), HomebrewState::notOnPath);
}

TEST(CommandLineSpineProvider, homebrewDiagnosesAndActionsPerState)
{
    const auto arm = mac(Architecture::appleSilicon);

    // Brew only in /usr/local on Apple Silicon: install the native one, no PATH repair.
    const BasicSetupStage wrongChip = stageOf(workflowFor(arm, brew({kIntel}, {kIntel}, 0)), "homebrew");
    EXPECT_EQ(wrongChip.diagnosis().classification, SetupDiagnosisClassification::fixable);
    EXPECT_EQ(actionIDs(wrongChip), QStringList({"homebrew"}));

    // Found on disk but not by the login shell: repair PATH, confirmed locally.
    const BasicSetupStage notOnPath = stageOf(workflowFor(arm, brew({kNative}, {}, 0)), "homebrew");
    ASSERT_EQ(notOnPath.actions().size(), 1u);
    EXPECT_EQ(notOnPath.actions()[0].id, QString("path-repair:homebrew"));
    EXPECT_EQ(notOnPath.actions()[0].verifyPolicy, VerifyPolicy::localVerification);

    const BasicSetupStage two = stageOf(workflowFor(arm, brew({kNative, kIntel}, {kNative}, 0)), "homebrew");
    EXPECT_EQ(two.diagnosis().classification, SetupDiagnosisClassification::ready);
    EXPECT_TRUE(two.actions().empty());

    const SharedDomainCopy shared = SharedDomainCopy::standard();
    const BasicSetupStage fine = stageOf(workflowFor(arm, brew({kNative}, {kNative}, 0)), "homebrew");
    EXPECT_EQ(fine.diagnosis(), (SetupDiagnosis{shared.homebrewReady.headline, shared.homebrewReady.detail,
                                                SetupDiagnosisClassification::ready}));
    EXPECT_TRUE(fine.actions().empty());

    const BasicSetupStage none = stageOf(workflowFor(arm, SetupProbeBundle{}), "homebrew");
    EXPECT_EQ(none.diagnosis().headline, shared.homebrewFixable.headline);
    EXPECT_EQ(actionIDs(none), QStringList({"homebrew"}));
}

TEST(CommandLineSpineProvider, claudeStageOffersOnlyWhatIsMissing)
{
    SystemProfile p = mac(Architecture::appleSilicon);
    EXPECT_EQ(actionIDs(stageOf(workflowFor(p, {}), "ai-claude")),
              QStringList({"brew:claude", "brew:claude-code@latest"}));

    p.aiTooling.claudeCodeDesktop = true;
    const BasicSetupStage desktopOnly = stageOf(workflowFor(p, {}), "ai-claude");
    EXPECT_EQ(desktopOnly.diagnosis().classification, SetupDiagnosisClassification::fixable);
    EXPECT_EQ(actionIDs(desktopOnly), QStringList({"brew:claude-code@latest"}));

    p.aiTooling.claudeCodeCLI = true;
    const BasicSetupStage both = stageOf(workflowFor(p, {}), "ai-claude");
    EXPECT_EQ(both.diagnosis().classification, SetupDiagnosisClassification::ready);
    EXPECT_TRUE(both.actions().empty());
}

TEST(CommandLineSpineProvider, remainingDomains)
{
    const CommandLineSpineProvider provider;
    SystemProfile p = mac(Architecture::appleSilicon);
    SetupProbeBundle b;
    const auto ids = [&](const char* domain) {
        QStringList list;
        for (const SetupRemediation& r : provider.remediations(domain, p, b))
            list << r.id();
        return list;
    };

    for (const char* d : {"clt", "warp", "codex", "editor", "shell-config"})
        EXPECT_FALSE(ids(d).isEmpty()) << d;
    EXPECT_EQ(ids("project"), QStringList({"example:simple"}));  // not a developer's Mac yet
    for (const char* d : {"agent-docs", "languages", "skills", "mcp", "git", "nonsense"})
        EXPECT_TRUE(ids(d).isEmpty()) << d;

    p.xcodeCommandLineToolsPath = QString("/Library/Developer/CommandLineTools");
    p.aiTooling.warpApp = true;  // Warp counts as an app as well as a terminal
    p.aiTooling.vsCode = true;
    b.companionToolPresent = true;
    b.shellConfigured = true;
    b.agentDocNeeded = true;
    for (const char* d : {"clt", "warp", "codex", "editor", "shell-config"})
        EXPECT_TRUE(ids(d).isEmpty()) << d;
    EXPECT_EQ(ids("agent-docs"), QStringList({"env-doc"}));
    EXPECT_EQ(ids("project"), QStringList({"example:simple", "example:coding"}));  // now likely a developer
    b.projectExists = true;
    EXPECT_TRUE(ids("project").isEmpty());

    const auto w = workflowFor(p, b);
    for (const char* d : {"clt", "warp", "codex", "editor", "shell-config", "project"})
        EXPECT_EQ(stageOf(w, d).diagnosis().classification, SetupDiagnosisClassification::ready) << d;
    EXPECT_EQ(stageOf(w, "git").diagnosis().classification, SetupDiagnosisClassification::fixable);
    EXPECT_EQ(stageOf(w, "languages").diagnosis().classification, SetupDiagnosisClassification::fixable);

    b.ghPresent = b.gitIdentitySet = b.ghAuthed = true;
    EXPECT_EQ(stageOf(workflowFor(p, b), "git").diagnosis().classification, SetupDiagnosisClassification::ready);

    // A domain nobody knows.
    const auto unknown = CommandLineDomainRules().diagnosis("telepathy", p, b);
    EXPECT_EQ(unknown, (SetupDiagnosis{"telepathy", "", SetupDiagnosisClassification::unknown}));
}
