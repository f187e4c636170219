#include "engine/workflow/CommandLineDomainRules.h"
#include "engine/workflow/CommandLineSpineCopy.h"
#include "engine/workflow/HomebrewSpineCopy.h"
#include "engine/workflow/HomebrewState.h"

#include <gtest/gtest.h>

using namespace varnel;

namespace {
const auto ready = SetupDiagnosisClassification::ready;
const auto fixable = SetupDiagnosisClassification::fixable;

SetupDiagnosis homebrewDiagnosis(HomebrewState state)
{
    SystemProfile p;
    p.architecture = Architecture::appleSilicon;
    SetupProbeBundle b;
    switch (state) {
    case HomebrewState::fine: b = {{"/opt/homebrew/bin/brew"}, {"/opt/homebrew/bin/brew"}, "", 0}; break;
    case HomebrewState::twoInstalls:
        b = {{"/opt/homebrew/bin/brew"}, {"/opt/homebrew/bin/brew", "/usr/local/bin/brew"}, "", 0};
        break;
    case HomebrewState::notOnPath: b = {{}, {"/opt/homebrew/bin/brew"}, "", 0}; break;
    case HomebrewState::wrongChip: b = {{"/usr/local/bin/brew"}, {"/usr/local/bin/brew"}, "", 0}; break;
    case HomebrewState::notInstalled: break;
    }
    EXPECT_EQ(homebrewState(p, b), state);
    return CommandLineDomainRules().diagnosis("homebrew", p, b);
}
}  // namespace

TEST(CommandLineSpineCopy, summaryLinesForEveryHomebrewState)
{
    const CommandLineSpineCopy cli;
    const HomebrewSpineCopy brew;
    const std::pair<HomebrewState, const char*> expected[] = {
        {HomebrewState::fine, "Homebrew: installed"},
        {HomebrewState::twoInstalls, "Homebrew: installed"},
        {HomebrewState::notOnPath, "Homebrew: installed, not on PATH"},
        {HomebrewState::wrongChip, "Homebrew: installed for the wrong chip"},
        {HomebrewState::notInstalled, "Homebrew: not installed"},
    };
    for (const auto& [state, line] : expected) {
        const SetupDiagnosis d = homebrewDiagnosis(state);
        EXPECT_EQ(cli.summaryLine("homebrew", d), QString(line)) << int(state);
        EXPECT_EQ(brew.summaryLine("homebrew", d), QString(line)) << int(state);
    }
}

TEST(CommandLineSpineCopy, summaryLabelsAndWords)
{
    const CommandLineSpineCopy cli;
    const HomebrewSpineCopy brew;
    EXPECT_EQ(cli.summaryLine("clt", {"", "", ready}), QString("Command Line Tools: installed"));
    EXPECT_EQ(cli.summaryLine("shell-config", {"", "", fixable}), QString("Shell configuration: not installed"));
    EXPECT_EQ(cli.summaryLine("git", {"", "", SetupDiagnosisClassification::blocked}),
              QString("Git and GitHub: needs attention"));
    EXPECT_EQ(cli.summaryLine("warp", {"", "", SetupDiagnosisClassification::unknown}), QString("Warp: unknown"));
    EXPECT_EQ(cli.summaryLine("editor", {"", "", ready}), QString("editor: installed"));
    // The Homebrew product names only its own three domains.
    EXPECT_EQ(brew.summaryLine("clt", {"", "", ready}), QString("Command Line Tools: installed"));
    EXPECT_EQ(brew.summaryLine("shell-config", {"", "", fixable}), QString("shell-config: not installed"));
    EXPECT_EQ(brew.summaryLine("git", {"", "", ready}), QString("git: installed"));
}

TEST(CommandLineSpineCopy, stageScreens)
{
    const CommandLineSpineCopy cli;
    const auto notOnPath = homebrewDiagnosis(HomebrewState::notOnPath);
    const auto wrongChip = homebrewDiagnosis(HomebrewState::wrongChip);
    const auto notInstalled = homebrewDiagnosis(HomebrewState::notInstalled);

    EXPECT_EQ(cli.domainScreen("homebrew", notOnPath),
              (SpineScreenCopy{"Homebrew package manager", notOnPath.headline, notOnPath.detail, std::nullopt}));
    EXPECT_EQ(cli.domainScreen("homebrew", wrongChip)->body, wrongChip.detail);
    const SpineScreenCopy generic{"Homebrew package manager", "Install Homebrew",
                                  "This installs Homebrew, the macOS package manager, and wires it onto your PATH.",
                                  std::nullopt};
    EXPECT_EQ(cli.domainScreen("homebrew", notInstalled), generic);
    EXPECT_EQ(cli.domainScreen("homebrew", std::nullopt), generic);
    EXPECT_EQ(cli.domainScreen("warp", std::nullopt)->headline, QString("Install Warp, a better terminal"));
    EXPECT_EQ(cli.domainScreen("editor", std::nullopt), std::nullopt);
    EXPECT_TRUE(cli.domainScreen("clt", std::nullopt)->body.startsWith("Apple's Command Line Tools are the basics"));
    EXPECT_TRUE(HomebrewSpineCopy().domainScreen("clt", std::nullopt)->body.startsWith(
        "Apple's Command Line Tools provide basic programs Homebrew needs."));
}

TEST(CommandLineSpineCopy, screenTextsOfBothProducts)
{
    const CommandLineSpineCopy cli;
    const HomebrewSpineCopy brew;
    EXPECT_EQ(cli.verifyingTitle(), QString("Verifying the command line…"));
    EXPECT_EQ(brew.verifyingTitle(), QString("Verifying Homebrew…"));
    EXPECT_EQ(cli.diagnosisArticlePath(), QString("commandlinetools"));
    EXPECT_EQ(brew.diagnosisArticlePath(), QString("homebrew"));
    EXPECT_EQ(brew.keepGoingWindowTitle(), QString("Homebrew is installed"));
    EXPECT_EQ(brew.keepGoingHeadline(), QString("Homebrew is set up"));
    EXPECT_EQ(brew.keepGoingBody(), cli.keepGoingBody());
    EXPECT_EQ(cli.outcomeReadyHeadline(), QString("Your command line is ready"));
    EXPECT_EQ(brew.outcomeReadyHeadline(), QString("Your Mac is ready"));
    EXPECT_EQ(brew.outcomeReadyArticlePath(), QString("homebrew/update"));
    EXPECT_EQ(brew.outcomeTroubleArticlePath(), QString("homebrew"));
    EXPECT_EQ(brew.outcomeNotVerifiedBody(), cli.outcomeNotVerifiedBody());
    EXPECT_TRUE(cli.outcomeFooter().isEmpty());
    EXPECT_EQ(cli.diagnosisHeadline(), QString("Here's what the system check found"));
    EXPECT_EQ(cli.projectFolderPrompt(), QString("Choose a folder to work in"));
}
