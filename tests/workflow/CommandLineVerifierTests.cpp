#include "engine/probing/SystemProfile.h"
#include "engine/workflow/CommandLineVerifier.h"
#include "engine/workflow/HomebrewVerifier.h"
#include "support/FakeFileSystem.h"
#include "support/FakeProcessRunner.h"

#include <gtest/gtest.h>

using namespace varnel;
using varnel::testing::FakeFileSystem;
using varnel::testing::FakeProcessRunner;

namespace {
const QString kCLT = QStringLiteral("/bin/zsh -lc xcode-select -p 2>&1");
const QString kGit = QStringLiteral("/bin/zsh -lc git --version 2>&1");
const QString kBrew = QStringLiteral("/bin/zsh -lc brew --version 2>&1");

SetupVerificationResult verifyCommandLine(const FakeProcessRunner& process)
{
    FakeFileSystem fs;
    return CommandLineVerifier().verify(std::nullopt, process, fs);
}

SetupVerificationResult verifyHomebrew(const FakeProcessRunner& process)
{
    FakeFileSystem fs;
    return HomebrewVerifier().verify(SystemProfile{}, process, fs);
}
}  // namespace

TEST(CommandLineVerifier, passesWithToolsSelectedAndGitAnswering)
{
    FakeProcessRunner process;
    process.on(kCLT, ProcessResult{0, "/Library/Developer/CommandLineTools\n", {}});
    process.on(kGit, ProcessResult{0, "\n  git version 2.39.5 (Apple Git-154)  \nmore\n", {}});
    EXPECT_EQ(verifyCommandLine(process),
              (SetupVerificationResult{"\n  git version 2.39.5 (Apple Git-154)  \nmore\n", true, 0, QString("likely_resolved"),
                                       {"Command Line Tools installed", "git version 2.39.5 (Apple Git-154)"}, {}}));
}

TEST(CommandLineVerifier, blockedCases)
{
    {  // Command Line Tools selected, but git prints nothing.
        FakeProcessRunner process;
        process.on(kCLT, ProcessResult{0, "/Library/Developer/CommandLineTools\n", {}});
        process.on(kGit, ProcessResult{0, " \n", {}});
        EXPECT_EQ(verifyCommandLine(process), (SetupVerificationResult{" \n", false, 0, QString("blocked"), {}, {}}));
    }
    {  // No developer directory: git is never asked.
        FakeProcessRunner process;
        process.on(kCLT, ProcessResult{2, "xcode-select: error: unable to get active developer directory\n", {}});
        const auto r = verifyCommandLine(process);
        EXPECT_EQ(r, (SetupVerificationResult{"xcode-select: error: unable to get active developer directory\n",
                                              false, 2, QString("blocked"), {}, {}}));
        EXPECT_EQ(process.callCount(kGit), 0);
    }
    {  // git fails.
        FakeProcessRunner process;
        process.on(kCLT, ProcessResult{0, "/Library/Developer/CommandLineTools\n", {}});
        process.on(kGit, ProcessResult{1, "xcrun: error: invalid active developer path\n", {}});
        EXPECT_EQ(verifyCommandLine(process).exitCode, 1);
    }
    {  // The login shell cannot start, at either step.
        FakeProcessRunner process;
        EXPECT_EQ(verifyCommandLine(process), SetupVerificationResult::couldNotStart());
        process.on(kCLT, ProcessResult{0, "/Library/Developer/CommandLineTools\n", {}});
        EXPECT_EQ(verifyCommandLine(process), (SetupVerificationResult{"", false, -1, QString("blocked"), {}, {}}));
    }
}

TEST(HomebrewVerifier, versionItemAndBlockedCases)
{
    {
        FakeProcessRunner process;
        process.on(kBrew, ProcessResult{0, "Homebrew 4.4.0\nHomebrew/homebrew-core (git revision 1a2b)\n", {}});
        const auto r = verifyHomebrew(process);
        EXPECT_TRUE(r.passed);
        EXPECT_EQ(r.verifiedItems, QStringList({"Homebrew installed — version 4.4.0"}));
    }
    {
        FakeProcessRunner process;
        process.on(kBrew, ProcessResult{127, "zsh:1: command not found: brew\n", {}});
        const auto r = verifyHomebrew(process);
        EXPECT_EQ(r, (SetupVerificationResult{"zsh:1: command not found: brew\n", false, 127, QString("blocked"), {}, {}}));
    }
    {
        FakeProcessRunner process;
        process.on(kBrew, ProcessResult{0, "\n", {}});
        EXPECT_FALSE(verifyHomebrew(process).passed);
    }
    FakeProcessRunner failing;
    EXPECT_EQ(verifyHomebrew(failing), SetupVerificationResult::couldNotStart());
}
