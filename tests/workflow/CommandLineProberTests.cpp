#include "engine/workflow/CommandLineProber.h"
#include "support/FakeFileSystem.h"
#include "support/FakeProcessRunner.h"

#include <gtest/gtest.h>

using namespace varnel;
using varnel::testing::FakeFileSystem;
using varnel::testing::FakeProcessRunner;

namespace {
const QString kHome = QStringLiteral("/Users/tester");

// Every login shell the prober starts answers with `code`.
void loginShellsExit(FakeProcessRunner& process, int code)
{
    process.setFallback([code](const QString& executable, const QStringList&) {
        FakeProcessRunner::Response response;
        if (executable == "/bin/zsh")
            response.result = ProcessResult{code, {}, {}};
        return std::optional(response);
    });
}
}  // namespace

TEST(CommandLineProber, aMacWithEverythingSetUpReportsEveryFact)
{
    FakeProcessRunner process;
    loginShellsExit(process, 0);
    FakeFileSystem fs(kHome);
    fs.addExecutable("/opt/homebrew/bin/gh");
    fs.addDirectory(kHome + "/Documents/AI-Coding-Project");
    fs.addFile(kHome + "/.claude/CLAUDE.md", "<!-- Varnel — development environment (managed) -->\n");

    const SetupProbeBundle b = CommandLineProber().probe(process, fs);
    EXPECT_TRUE(b.companionToolPresent && b.projectExists && b.ghPresent && b.gitIdentitySet && b.ghAuthed);
    EXPECT_FALSE(b.agentDocNeeded);
}

TEST(CommandLineProber, aFreshMacWithAnAgentNeedsTheNoteAndGitSetUp)
{
    FakeProcessRunner process;
    loginShellsExit(process, 1);
    FakeFileSystem fs(kHome);
    fs.addDirectory("/Applications/Claude.app");

    const SetupProbeBundle b = CommandLineProber().probe(process, fs);
    EXPECT_TRUE(b.agentDocNeeded);
    EXPECT_FALSE(b.companionToolPresent || b.projectExists || b.ghPresent || b.gitIdentitySet || b.ghAuthed);

    // Without any agent there is nobody to write the note for.
    FakeFileSystem bare(kHome);
    EXPECT_FALSE(CommandLineProber().probe(process, bare).agentDocNeeded);
}
