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

TEST(CommandLineSpineCopy, unknownDomainsFallBackToTheirIdAndTheGenericScreen)
{
    const CommandLineSpineCopy cli;
    const HomebrewSpineCopy brew;
    EXPECT_EQ(cli.summaryLine("editor", {"", "", ready}), QString("editor: installed"));
    // The Homebrew product names only its own three domains.
    EXPECT_EQ(brew.summaryLine("shell-config", {"", "", fixable}), QString("shell-config: not installed"));

    // A Homebrew that needs repair shows its diagnosis; a missing one, the generic install screen.
    const auto notOnPath = homebrewDiagnosis(HomebrewState::notOnPath);
    EXPECT_EQ(cli.domainScreen("homebrew", notOnPath)->body, notOnPath.detail);
    EXPECT_EQ(cli.domainScreen("homebrew", homebrewDiagnosis(HomebrewState::notInstalled)),
              cli.domainScreen("homebrew", std::nullopt));
    EXPECT_EQ(cli.domainScreen("editor", std::nullopt), std::nullopt);
}
