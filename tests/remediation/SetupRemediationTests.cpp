#include "engine/agents/AgentSkill.h"
#include "engine/agents/MCPServer.h"
#include "engine/agents/ProjectTemplate.h"
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
    return {R::repairPath("/opt/homebrew/bin"),
            R::createProject(ProjectTemplate::coding),
            R::installSkill(AgentSkill::catalog()[0]),
            R::addMCPServer(MCPServer::catalog()[0]),
            R::configureGit("Ada", "ada@example.com"),
            R::installCommandLineTools(),
            R::installHomebrew(),
            R::installClaudeCLI(),
            R::repairHomebrewPath(),
            R::installWarp(),
            R::installClaudeDesktop(),
            R::installZed(),
            R::installVSCode(),
            R::installCodexCLI(),
            R::installChatGPTDesktop(),
            R::configureShell(),
            R::installUv(),
            R::installMise(),
            R::installNodeViaMise(),
            R::installRubyViaMise(),
            R::installRustViaMise(),
            R::installRustup(),
            R::installTemurin(),
            R::documentEnvironment(),
            R::installGh(),
            R::githubAuth()};
}
}  // namespace

TEST(SetupRemediation, everyCaseHasItsOwnIdentifierTitleAndMethod)
{
    const auto all = everyCase();
    ASSERT_EQ(all.size(), 26u);
    std::set<QString> ids;
    for (size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(static_cast<size_t>(all[i].kind()), i);
        EXPECT_FALSE(all[i].title().isEmpty()) << i;
        EXPECT_FALSE(all[i].method().isEmpty()) << i;
        ids.insert(all[i].id());
    }
    EXPECT_EQ(ids.size(), 26u);

    const QStringList expectedIDs = {
        "path-repair:/opt/homebrew/bin", "example:coding", "skill:avoid-ai-writing", "mcp:firecrawl",
        "git:config", "clt", "homebrew", "brew:claude-code@latest", "path-repair:homebrew", "brew:warp",
        "brew:claude", "brew:zed", "brew:visual-studio-code", "brew:codex", "brew:chatgpt", "shell-config", "uv",
        "brew:mise", "mise:node@lts", "mise:ruby@latest", "mise:rust", "rustup", "brew:temurin", "env-doc",
        "brew:gh", "git:gh-auth"};
    const QStringList expectedMethods = {
        "zprofile_write", "template_copy", "skill_install", "mcp_add", "git_config", "softwareupdate", "homebrew",
        "brew", "zprofile_write", "brew", "brew", "brew", "brew", "brew", "brew", "shell_config", "uv", "brew",
        "mise", "mise", "mise", "rustup", "brew", "env_doc", "brew", "gh_auth"};
    for (size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].id(), expectedIDs[int(i)]);
        EXPECT_EQ(all[i].method(), expectedMethods[int(i)]) << all[i].id().toStdString();
    }
}

TEST(SetupRemediation, titlesAndCaptionsOfPayloadCases)
{
    const R path = R::repairPath("/Users/ada/.local/bin");
    EXPECT_EQ(path.title(), QString("Fix your PATH so `claude` is found"));
    EXPECT_EQ(path.caption(), QString("We'll add `/Users/ada/.local/bin` to your PATH in `~/.zprofile` (after backing "
                                      "it up to `~/.zprofile.bak`) so your shell can find `claude`."));

    const R simple = R::createProject(ProjectTemplate::simple, QString("/tmp/x"));
    EXPECT_EQ(simple.id(), QString("example:simple"));
    EXPECT_EQ(simple.title(), QString("Create the example project"));
    EXPECT_EQ(simple.caption(),
              QString("We'll copy a ready-to-use sample project into ~/Documents/AI-Simple-Project — a folder to open "
                      "with Claude, with notes to try and CLAUDE.md / AGENTS.md guidance."));
    EXPECT_EQ(simple.destinationPath(), QString("/tmp/x"));
    EXPECT_EQ(R::createProject(ProjectTemplate::coding).title(), QString("Create the coding project"));

    const R skill = R::installSkill(*AgentSkill::withSlug("downloads-cleanup"));
    EXPECT_EQ(skill.title(), QString("Add Downloads cleanup"));
    EXPECT_EQ(skill.caption(),
              QString("We'll add the Downloads cleanup skill to your AI agents — Moves files · Preview first."));

    const R notion = R::addMCPServer(*MCPServer::withSlug("notion"));
    EXPECT_EQ(notion.id(), QString("mcp:notion"));
    EXPECT_EQ(notion.title(), QString("Add Notion"));
    EXPECT_EQ(notion.caption(), QString("We'll add the Notion MCP server to your AI agents, then you sign in inside "
                                        "Claude or Codex to finish."));
    EXPECT_EQ(R::addMCPServer(*MCPServer::withSlug("firecrawl"), QString("k")).caption(),
              QString("We'll add the Firecrawl MCP server to your AI agents."));

    const R git = R::configureGit("Ada O'Hara", "ada@example.com");
    EXPECT_EQ(git.gitName(), QString("Ada O'Hara"));
    EXPECT_EQ(git.title(), QString("Save your Git name and email"));
}

TEST(SetupRemediation, captionsOfPlainCases)
{
    EXPECT_EQ(R::installCommandLineTools().caption(), std::nullopt);
    EXPECT_EQ(R::documentEnvironment().caption(), std::nullopt);
    EXPECT_EQ(R::installClaudeCLI().caption(),
              QString("We'll run `brew install --cask claude-code@latest` so Claude Code stays updatable under "
                      "Homebrew, then verify `claude --version` runs."));
    EXPECT_EQ(R::installChatGPTDesktop().caption(),
              QString("We'll run `brew install --cask chatgpt` to install the ChatGPT desktop app, which has "
                      "OpenAI's Codex coding agent built in."));
    EXPECT_EQ(R::installRustViaMise().caption(),
              QString("We'll run `mise use -g rust` to install Rust. mise uses rustup underneath, so cargo and rustc "
                      "resolve through mise."));
    EXPECT_EQ(R::installTemurin().caption(),
              QString("We'll install the Temurin JDK with Homebrew (`temurin` cask) and set JAVA_HOME."));
    EXPECT_EQ(R::installGh().caption(), QString("We'll run `brew install gh` to install the GitHub CLI."));
    EXPECT_EQ(R::installWarp().caption(),
              QString("We'll install Warp via Homebrew — the modern, AI-assisted macOS terminal we recommend."));
    EXPECT_EQ(R::repairHomebrewPath().title(), QString("Fix your PATH so `brew` is found"));
    EXPECT_EQ(R::installHomebrew().title(), QString("Install Homebrew (recommended)"));
}

TEST(SetupRemediation, equalityComparesThePayload)
{
    EXPECT_EQ(R::installZed(), R::installZed());
    EXPECT_NE(R::installZed(), R::installVSCode());
    EXPECT_NE(R::repairPath("/a"), R::repairPath("/b"));
    EXPECT_NE(R::createProject(ProjectTemplate::simple), R::createProject(ProjectTemplate::simple, QString("/x")));
    EXPECT_NE(R::addMCPServer(MCPServer::catalog()[0]), R::addMCPServer(MCPServer::catalog()[0], QString("key")));
    EXPECT_EQ(R::configureGit("a", "b"), R::configureGit("a", "b"));
    // Payload accessors of another case give nothing.
    EXPECT_EQ(R::installZed().skill(), nullptr);
    EXPECT_EQ(R::installZed().server(), nullptr);
    EXPECT_TRUE(R::installZed().directory().isEmpty());
}

TEST(SetupAction, derivedOneForOneWithTheRightVerifyPolicy)
{
    for (const R& r : everyCase()) {
        const SetupAction action = SetupAction::from(r);
        EXPECT_EQ(action.id, r.id());
        EXPECT_EQ(action.displayLabel, r.title());
        EXPECT_EQ(action.caption, r.caption().value_or(QString()));
        const bool local = r.kind() == R::Case::repairPath || r.kind() == R::Case::installClaudeCLI ||
                           r.kind() == R::Case::repairHomebrewPath || r.kind() == R::Case::installClaudeDesktop;
        EXPECT_EQ(action.verifyPolicy, local ? VerifyPolicy::localVerification : VerifyPolicy::installCompletion)
            << r.id().toStdString();
    }
    SetupAction a = SetupAction::from(R::installWarp());
    SetupAction b = a;
    b.caption = "Another sentence.";
    EXPECT_NE(a, b);  // same id, different caption
}

TEST(AgentCatalogues, skillsServersAndTemplates)
{
    const auto& skills = AgentSkill::catalog();
    ASSERT_EQ(skills.size(), 3u);
    EXPECT_TRUE(skills[0].preselected);
    EXPECT_EQ(skills[0].source, AgentSkill::Source::bundle("avoid-ai-writing"));
    EXPECT_EQ(skills[2].source.kind, AgentSkill::Source::Kind::fetch);
    EXPECT_EQ(skills[2].source.repo, QString("anthropics/skills"));
    EXPECT_EQ(skills[2].source.pin.size(), 40);
    EXPECT_TRUE(skills[2].developerOnly);

    const auto& servers = MCPServer::catalog();
    ASSERT_EQ(servers.size(), 3u);
    EXPECT_EQ(servers[0].slug, QString("firecrawl"));
    EXPECT_TRUE(servers[0].url.startsWith("https://") && servers[0].url.endsWith("/v2/mcp"));
    ASSERT_TRUE(servers[0].connection.keyURLTemplate);
    EXPECT_TRUE(servers[0].connection.keyURLTemplate->endsWith("/{key}/v2/mcp"));
    EXPECT_TRUE(servers[1].signsInWithOAuth());
    EXPECT_TRUE(servers[2].signsInWithOAuth());
    EXPECT_TRUE(servers[2].url.startsWith("https://") && servers[2].url.endsWith("/mcp"));
    EXPECT_EQ(MCPServer::withSlug("nope"), std::nullopt);

    EXPECT_EQ(folderName(ProjectTemplate::simple), QString("AI-Simple-Project"));
    EXPECT_EQ(defaultProjectDestination(ProjectTemplate::coding, "/Users/ada"),
              QString("/Users/ada/Documents/AI-Coding-Project"));
}
