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

TEST(SetupAction, idsAreUniqueAndOnlyPathRepairsAndTheClaudeInstallsAreCheckedLocally)
{
    QStringList local;
    std::set<QString> seen;
    for (const R& r : everyCase()) {
        const SetupAction action = SetupAction::from(r);
        EXPECT_EQ(action.id, r.id());
        EXPECT_FALSE(action.id.contains(u'{') || action.caption.contains(u'{')) << "unfilled: " << action.id.toStdString();
        seen.insert(action.id);
        if (action.verifyPolicy == VerifyPolicy::localVerification)
            local << action.id;
    }
    EXPECT_EQ(local, QStringList({"path-repair:/opt/homebrew/bin", "brew:claude-code@latest", "path-repair:homebrew",
                                  "brew:claude"}));
    EXPECT_EQ(seen.size(), everyCase().size()) << "ids are unique";
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
