// The runner's AI-agent actions: what each one runs and writes in a real
// temporary home, and how it ends.

#include "engine/agents/MCPConfigWriter.h"
#include "engine/agents/MCPServer.h"
#include "engine/remediation/SetupRemediationRunner.h"
#include "engine/services/LiveHTTPFetcher.h"
#include "shellconfig/ShellTestHome.h"
#include "support/FakeProcessRunner.h"

#include <gtest/gtest.h>

using namespace varnel;
using namespace varnel::testing;
using Event = SetupRemediationRunner::Event;

namespace {

class AgentActions : public ::testing::Test {
protected:
    QStringList run(const SetupRemediation& remediation)
    {
        const SetupRemediationRunner runner(std::nullopt,
                                            {process, std::shared_ptr<const FileSystemOperating>(&home.fs(), [](auto*) {}),
                                             std::make_shared<LiveHTTPFetcher>()},
                                            {QStringLiteral("Varnel"), testMarker, QStringLiteral("varnel")});
        QStringList lines;
        runner.run(remediation, QStringLiteral("prompt"), {}, [&](const Event& e) {
            if (e.kind == Event::Kind::output)
                lines << e.text;
            else
                last = e;
        });
        return lines;
    }

    std::shared_ptr<FakeProcessRunner> process = std::make_shared<FakeProcessRunner>();
    ShellTestHome home;
    Event last;
};

MCPServer server(const char* slug)
{
    return *MCPServer::withSlug(QString::fromLatin1(slug));
}

}  // namespace

TEST_F(AgentActions, anMCPServerGoesToEveryAgentThereWithTheKeyInItsURL)
{
    const MCPServer firecrawl = server("firecrawl");
    const QString key = QStringLiteral("fc-'$(touch pwned)`x`\\ é");
    const QString registration =
        QStringLiteral("/bin/zsh -lc ") + MCPConfigWriter::claudeRegistrationCommand(firecrawl.slug, firecrawl.urlWithKey(key));
    process->on(QStringLiteral("/bin/zsh -lc command -v claude"), ProcessResult{0, QStringLiteral("/x/claude\n"), {}});
    process->on(registration, ProcessResult{0, {}, {}});
    home.mkdir(QStringLiteral(".codex"));

    const QStringList lines = run(SetupRemediation::addMCPServer(firecrawl, key));
    EXPECT_EQ(last, Event::completed(0)) << lines.join(u'\n').toStdString();
    EXPECT_EQ(process->callCount(registration), 1);
    EXPECT_TRUE(home.read(QStringLiteral(".codex/config.toml")).contains(firecrawl.urlWithKey(key).toUtf8().left(20)));

    // A failed registration fails the action, though Codex got the server;
    // the URL it prints back keeps the key out of the transcript.
    process->on(registration, FakeProcessRunner::Response{
                                  ProcessResult{1, {}, {}}, {}, {}, {QStringLiteral("Invalid URL: ") + firecrawl.urlWithKey(key)}});
    const QStringList failed = run(SetupRemediation::addMCPServer(firecrawl, key));
    EXPECT_EQ(last, Event::completed(1));
    EXPECT_TRUE(failed.join(u'\n').contains(QStringLiteral("Invalid URL:")));
    EXPECT_FALSE(failed.join(u'\n').contains(key));
}

TEST_F(AgentActions, withNoAgentThereIsNothingToConfigure)
{
    const QStringList lines = run(SetupRemediation::addMCPServer(server("notion")));
    EXPECT_EQ(last, Event::completed(0));
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("No AI agent is set up yet")));
    EXPECT_FALSE(home.exists(QStringLiteral(".codex")));
}

TEST_F(AgentActions, aProjectNeedsItsResourcesAndTheAgentNoteIsWrittenOnce)
{
    // The test program carries no resources: the action says so and fails.
    run(SetupRemediation::createProject(ProjectTemplate::simple, std::nullopt));
    EXPECT_EQ(last, Event::completed(1));
    EXPECT_FALSE(home.exists(QStringLiteral("Documents/AI-Simple-Project")));

    home.mkdir(QStringLiteral(".claude"));
    const auto before = home.snapshot();
    run(SetupRemediation::documentEnvironment());
    EXPECT_EQ(last, Event::completed(0));
    const auto documented = home.snapshot();
    EXPECT_NE(documented, before);
    run(SetupRemediation::documentEnvironment());
    EXPECT_EQ(last, Event::completed(0));
    EXPECT_EQ(home.snapshot(), documented);
}
