#include "engine/agents/AgentSkill.h"
#include "engine/agents/MCPServer.h"
#include "engine/remediation/LanguageRemediations.h"
#include "engine/remediation/SetupRemediation.h"
#include "engine/workflow/SetupTypes.h"

#include <gtest/gtest.h>

#include <set>

using namespace varnel;
using R = SetupRemediation;

namespace {
// One value of every case, in declaration order.
std::vector<R> everyCase()
{
    return {R::repairPath("/opt/homebrew/bin"), R::createProject(ProjectTemplate::coding),
            R::installSkill(AgentSkill::catalog()[0]), R::addMCPServer(MCPServer::catalog()[0]),
            R::configureGit("Ada", "ada@example.com"), R::installCommandLineTools(), R::installHomebrew(),
            R::installClaudeCLI(), R::repairHomebrewPath(), R::installWarp(), R::installClaudeDesktop(),
            R::installZed(), R::installVSCode(), R::installCodexCLI(), R::installChatGPTDesktop(),
            R::configureShell(), R::installUv(), R::installMise(), R::installNodeViaMise(), R::installRubyViaMise(),
            R::installRustViaMise(), R::installRustup(), R::installTemurin(), R::documentEnvironment(),
            R::installGh(), R::githubAuth()};
}

QStringList ids(const std::vector<R>& remediations)
{
    QStringList list;
    for (const auto& r : remediations)
        list << r.id();
    return list;
}
}  // namespace

TEST(SetupRemediation, everyCaseHasItsOwnRowOfTexts)
{
    const auto all = everyCase();
    std::set<QString> seen;
    for (size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(static_cast<size_t>(all[i].kind()), i);
        EXPECT_FALSE(all[i].title().isEmpty()) << i;
        EXPECT_FALSE(all[i].method().isEmpty()) << i;
        EXPECT_FALSE(all[i].id().contains(u'{')) << all[i].id().toStdString();
        EXPECT_FALSE(all[i].caption().value_or(QString()).contains(u'{')) << all[i].id().toStdString();
        seen.insert(all[i].id());
    }
    EXPECT_EQ(seen.size(), all.size());
}

TEST(SetupRemediation, payloadsFillTheirTexts)
{
    const R path = R::repairPath("/Users/ada/.local/bin");
    EXPECT_EQ(path.id(), QString("path-repair:/Users/ada/.local/bin"));
    EXPECT_TRUE(path.caption()->startsWith("We'll add `/Users/ada/.local/bin` to your PATH"));

    // Each template has its own texts; the destination does not change them.
    const R simple = R::createProject(ProjectTemplate::simple, QString("/tmp/x"));
    EXPECT_EQ(simple.id(), QString("example:simple"));
    EXPECT_EQ(simple.title(), R::createProject(ProjectTemplate::simple).title());
    EXPECT_NE(simple.caption(), R::createProject(ProjectTemplate::coding).caption());

    const R skill = R::installSkill(*AgentSkill::withSlug("downloads-cleanup"));
    EXPECT_EQ(skill.title(), QString("Add Downloads cleanup"));
    EXPECT_EQ(skill.caption(),
              QString("We'll add the Downloads cleanup skill to your AI agents — Moves files · Preview first."));

    // Servers that sign in inside the agent say so; the others do not.
    EXPECT_EQ(R::addMCPServer(*MCPServer::withSlug("notion")).caption(),
              QString("We'll add the Notion MCP server to your AI agents, then you sign in inside Claude or Codex to "
                      "finish."));
    EXPECT_EQ(R::addMCPServer(*MCPServer::withSlug("firecrawl"), QString("k")).caption(),
              QString("We'll add the Firecrawl MCP server to your AI agents."));
}

TEST(SetupRemediation, equalityComparesThePayload)
{
    EXPECT_NE(R::installZed(), R::installVSCode());
    EXPECT_NE(R::repairPath("/a"), R::repairPath("/b"));
    EXPECT_NE(R::createProject(ProjectTemplate::simple), R::createProject(ProjectTemplate::simple, QString("/x")));
    EXPECT_NE(R::addMCPServer(MCPServer::catalog()[0]), R::addMCPServer(MCPServer::catalog()[0], QString("key")));
    EXPECT_EQ(R::installZed().skill(), nullptr);
}

TEST(SetupAction, onlyPathRepairsAndTheClaudeInstallsAreCheckedLocally)
{
    QStringList local;
    for (const R& r : everyCase()) {
        const SetupAction action = SetupAction::from(r);
        EXPECT_EQ(action.id, r.id());
        EXPECT_EQ(action.caption, r.caption().value_or(QString()));
        if (action.verifyPolicy == VerifyPolicy::localVerification)
            local << action.id;
    }
    EXPECT_EQ(local, QStringList({"path-repair:/opt/homebrew/bin", "brew:claude-code@latest", "path-repair:homebrew",
                                  "brew:claude"}));
}

TEST(LanguageRemediations, chosenLanguagesBecomeOrderedActions)
{
    using L = VarnelLanguage;
    EXPECT_TRUE(languageRemediations({}).empty());
    EXPECT_EQ(ids(languageRemediations({L::python, L::java})), QStringList({"uv", "brew:mise", "brew:temurin"}));
    EXPECT_EQ(ids(languageRemediations({L::rust})), QStringList({"rustup"}));
    EXPECT_EQ(ids(languageRemediations({L::ruby})), QStringList({"brew:mise", "mise:ruby@latest"}));
    EXPECT_EQ(ids(languageRemediations({L::rust, L::ruby, L::java, L::node, L::python})),
              QStringList({"uv", "brew:mise", "mise:node@lts", "mise:ruby@latest", "brew:temurin", "mise:rust"}));
}
