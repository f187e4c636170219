#include "engine/workflow/CommandLineProber.h"
#include "engine/workflow/CommandLineSpineProvider.h"
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

SetupDiagnosis diagnosis(const QString& domain, const SetupProbeBundle& probes)
{
    const auto workflow = CommandLineSpineProvider().workflow(std::nullopt, SystemProfile{}, probes, {}, std::nullopt);
    for (const WorkflowStep& step : workflow->steps)
        if (step.stage->domainID() == domain)
            return step.stage->diagnosis();
    return {};
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
    EXPECT_EQ(diagnosis("git", b).classification, SetupDiagnosisClassification::ready);
    EXPECT_EQ(diagnosis("agent-docs", b).classification, SetupDiagnosisClassification::ready);
    EXPECT_EQ(diagnosis("project", b).classification, SetupDiagnosisClassification::ready);
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
    EXPECT_EQ(diagnosis("agent-docs", b).classification, SetupDiagnosisClassification::fixable);
    EXPECT_EQ(diagnosis("git", b).classification, SetupDiagnosisClassification::fixable);

    // Without any agent there is nobody to write the note for.
    FakeFileSystem bare(kHome);
    EXPECT_FALSE(CommandLineProber().probe(process, bare).agentDocNeeded);
}
