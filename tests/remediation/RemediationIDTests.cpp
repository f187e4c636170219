#include "engine/remediation/SetupRemediation.h"

#include <gtest/gtest.h>

using namespace varnel;

TEST(RemediationID, everyActionIsFoundAgainByItsIdentifier)
{
    std::vector<SetupRemediation> all = {
        SetupRemediation::repairPath(QStringLiteral("/Users/maya/.local/bin")),
        SetupRemediation::createProject(ProjectTemplate::coding),
        SetupRemediation::createProject(ProjectTemplate::simple),
        SetupRemediation::configureGit({}, {}),
    };
    for (const AgentSkill& skill : AgentSkill::catalog())
        all.push_back(SetupRemediation::installSkill(skill));
    for (const MCPServer& server : MCPServer::catalog())
        all.push_back(SetupRemediation::addMCPServer(server));
    for (const auto& plain : {SetupRemediation::installCommandLineTools(), SetupRemediation::repairHomebrewPath(),
                              SetupRemediation::installClaudeCLI(), SetupRemediation::installRubyViaMise(),
                              SetupRemediation::documentEnvironment(), SetupRemediation::githubAuth()})
        all.push_back(plain);

    for (const SetupRemediation& remediation : all)
        EXPECT_EQ(SetupRemediation::fromID(remediation.id()), remediation) << remediation.id().toStdString();

    // The values an identifier cannot carry come from the caller.
    SetupRemediation::Inputs identity;
    identity.gitName = QStringLiteral("Maya");
    identity.gitEmail = QStringLiteral("m@x.io");
    const auto git = SetupRemediation::fromID(QStringLiteral("git:config"), identity);
    EXPECT_EQ(git, SetupRemediation::configureGit(QStringLiteral("Maya"), QStringLiteral("m@x.io")));
    EXPECT_EQ(SetupRemediation::fromID(QStringLiteral("path-repair:homebrew")), SetupRemediation::repairHomebrewPath());
    for (const char* unknown : {"brew:", "skill:nope", "mcp:", "path-repair:", "brew:warpx", ""})
        EXPECT_FALSE(SetupRemediation::fromID(QString::fromLatin1(unknown))) << unknown;
}
