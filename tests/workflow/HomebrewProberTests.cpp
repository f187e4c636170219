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
