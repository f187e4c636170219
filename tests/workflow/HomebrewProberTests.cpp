#include "engine/workflow/HomebrewProber.h"
#include "engine/workflow/HomebrewState.h"
#include "support/FakeFileSystem.h"
#include "support/FakeProcessRunner.h"

#include <gtest/gtest.h>

using namespace varnel;
using varnel::testing::FakeFileSystem;
using varnel::testing::FakeProcessRunner;

namespace {
const QString kWhich = QStringLiteral("/bin/zsh -lc /usr/bin/which -a brew");
const QString kVersion = QStringLiteral("/bin/zsh -lc brew --version 2>&1");
}  // namespace

TEST(HomebrewProber, gathersPathInstallsAndVersion)
{
    FakeProcessRunner process;
    FakeFileSystem fs;
    process.on(kWhich, ProcessResult{0, "Welcome back!\n/opt/homebrew/bin/brew  \n\n/usr/local/bin/brew\n", {}});
    process.on(kVersion, ProcessResult{0, "Homebrew 4.4.0\n", {}});
    fs.addExecutable("/usr/local/bin/brew");
    fs.addExecutable("/opt/homebrew/bin/brew");

    const SetupProbeBundle b = HomebrewProber().probe(process, fs);
    // Lines are taken as they are: output of login files is the user's business.
    EXPECT_EQ(b.pathVisiblePrimaryTools,
              QStringList({"Welcome back!", "/opt/homebrew/bin/brew", "/usr/local/bin/brew"}));
    EXPECT_EQ(b.installedPrimaryToolLocations, QStringList({"/opt/homebrew/bin/brew", "/usr/local/bin/brew"}));
    EXPECT_EQ(b.versionOutput, QString("Homebrew 4.4.0\n"));
    EXPECT_EQ(b.versionExitCode, 0);
    EXPECT_FALSE(b.companionToolPresent || b.agentDocNeeded || b.projectExists || b.ghPresent || b.gitIdentitySet ||
                 b.ghAuthed);
}

TEST(HomebrewProber, brewOnDiskButUnknownToTheShellIsNotOnPath)
{
    FakeProcessRunner process;
    FakeFileSystem fs;
    process.on(kWhich, ProcessResult{1, "brew not found\n", {}});
    process.on(kVersion, ProcessResult{127, "zsh:1: command not found: brew\n", {}});
    fs.addExecutable("/opt/homebrew/bin/brew");

    const SetupProbeBundle b = HomebrewProber().probe(process, fs);
    EXPECT_TRUE(b.pathVisiblePrimaryTools.isEmpty());
    EXPECT_EQ(b.versionExitCode, 127);
    SystemProfile arm;
    arm.architecture = Architecture::appleSilicon;
    EXPECT_EQ(homebrewState(arm, b), HomebrewState::notOnPath);
}

TEST(HomebrewProber, shellThatCannotStartLeavesFactsAbsent)
{
    FakeProcessRunner process;
    FakeFileSystem fs;
    EXPECT_EQ(HomebrewProber().probe(process, fs), SetupProbeBundle{});
}
