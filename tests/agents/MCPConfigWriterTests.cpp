#include "AgentTestHome.h"

#include "engine/agents/MCPConfigWriter.h"
#include "engine/agents/MCPServer.h"
#include "engine/services/LiveProcessRunner.h"

#include <gtest/gtest.h>

#include <toml++/toml.h>

using namespace varnel;
using varnel::testing::AgentTestHome;

namespace {
const QString kURL = QStringLiteral("https://mcp.example.test/v2/mcp");

struct CodexHome : AgentTestHome {
    CodexHome() { mkdir(".codex"); }
    MCPConfigWriter writer() const { return MCPConfigWriter(fs()); }
    QByteArray config() const { return read(".codex/config.toml"); }
};
}  // namespace

TEST(MCPConfigWriter, appendsOneTableAfterABlankLineBacksUpAndMakesTheFilePrivate)
{
    for (const QByteArray& old : {QByteArray(), QByteArray("model = \"o3\""), QByteArray("model = \"o3\"\n")}) {
        CodexHome home;
        if (!old.isEmpty())
            home.write(".codex/config.toml", old);
        const CodexWriteResult result = home.writer().writeCodexConfig("firecrawl", kURL);
        EXPECT_EQ(result, (CodexWriteResult{{"Added firecrawl to your Codex config."}, true, true}));
        const QByteArray table = "[mcp_servers.firecrawl]\nurl = \"" + kURL.toUtf8() + "\"\n";
        EXPECT_EQ(home.config(), old.isEmpty() ? table : QByteArray("model = \"o3\"\n\n") + table);
        EXPECT_EQ(home.read(".codex/config.toml.bak"), old);
        EXPECT_EQ(home.exists(".codex/config.toml.bak"), !old.isEmpty());
        EXPECT_EQ(QFileInfo(home.path(".codex/config.toml")).permissions() & 0x0777, QFileDevice::ReadUser | QFileDevice::WriteUser);

        // Again: the server is there now, and not a byte changes.
        const auto before = home.snapshot();
        EXPECT_TRUE(home.writer().writeCodexConfig("firecrawl", kURL).ok);
        EXPECT_EQ(home.snapshot(), before);
        EXPECT_TRUE(home.writer().isConfigured("firecrawl"));
    }
}

TEST(MCPConfigWriter, findsTheServerInEveryFormTomlAllows)
{
    const QByteArray forms[] = {
        "[mcp_servers.notion]\nurl = \"u\"\n",
        "[mcp_servers.\"notion\"]\nurl = \"u\"\n",
        "mcp_servers.notion.url = \"u\"\n",
        "mcp_servers = { notion = { url = \"u\" } }\n",
        "[mcp_servers]\nnotion = { url = \"u\" }\n",
        "[mcp_servers.notion.env]\nTOKEN = \"t\"\n",
    };
    for (const QByteArray& form : forms) {
        CodexHome home;
        home.write(".codex/config.toml", form);
        EXPECT_TRUE(home.writer().isConfigured("notion")) << form.constData();
        EXPECT_FALSE(home.writer().isConfigured("slack")) << form.constData();
        EXPECT_TRUE(home.writer().writeCodexConfig("notion", kURL).ok);
        EXPECT_EQ(home.config(), form);
    }
}

TEST(MCPConfigWriter, leavesAFileAloneThatDoesNotParseBeforeOrWouldNotAfter)
{
    const QByteArray broken[] = {
        "model = \"o3\n[oops",                        // not TOML to begin with
        "\xff\xfe m = 1\n",                           // not UTF-8
        "mcp_servers = { notion = { url = \"u\" } }\n",  // an inline table cannot grow a table
    };
    for (const QByteArray& text : broken) {
        CodexHome home;
        home.write(".codex/config.toml", text);
        const CodexWriteResult result = home.writer().writeCodexConfig("firecrawl", kURL);
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.handled);
        ASSERT_EQ(result.messages.size(), 1);
        EXPECT_TRUE(result.messages[0].startsWith("Couldn't write your Codex config: ")) << result.messages[0].toStdString();
        EXPECT_EQ(home.config(), text);
        EXPECT_FALSE(home.exists(".codex/config.toml.bak"));
    }
}

TEST(MCPConfigWriter, withoutCodexWritesNothingAndClaudeJsonCountsOnlyWhenItParses)
{
    AgentTestHome home;
    EXPECT_EQ(MCPConfigWriter(home.fs()).writeCodexConfig("firecrawl", kURL), CodexWriteResult{});
    EXPECT_TRUE(home.snapshot().empty());

    const QByteArray whole = R"({"numStartups": 4, "mcpServers": {"notion": {"type": "http", "url": "u"}}})";
    home.write(".claude.json", whole);
    EXPECT_TRUE(MCPConfigWriter(home.fs()).isConfigured("notion"));
    EXPECT_FALSE(MCPConfigWriter(home.fs()).isConfigured("slack"));
    home.write(".claude.json", whole.left(whole.size() - 3));  // cut short
    EXPECT_FALSE(MCPConfigWriter(home.fs()).isConfigured("notion"));
}

TEST(MCPConfigWriter, hostileKeyReachesClaudeAndCodexVerbatimAndRunsNothing)
{
    CodexHome home;
    const QString witness = home.path("ran");
    const MCPServer firecrawl = *MCPServer::withSlug("firecrawl");
    const QString url = firecrawl.urlWithKey(varnel::testing::hostileText());
    ASSERT_NE(url, firecrawl.url);
    EXPECT_EQ(firecrawl.urlWithKey(QString()), firecrawl.url);

    // Codex: the file parses back to the very same URL.
    ASSERT_TRUE(home.writer().writeCodexConfig("firecrawl", url).ok);
    const toml::table config = toml::parse(home.config().toStdString());
    EXPECT_EQ(QString::fromStdString(config["mcp_servers"]["firecrawl"]["url"].value_or(std::string())), url);

    // Claude Code: a real login-less zsh runs the command; `claude` only
    // prints the arguments it receives, one per NUL.
    const QString command = MCPConfigWriter::claudeRegistrationCommand("firecrawl", url);
    auto run = LiveProcessRunner().run(
        "/bin/zsh", {"-c", "cd '" + home.path() + "' && claude() { printf '%s\\0' \"$@\"; } && " + command});
    ASSERT_TRUE(run);
    EXPECT_EQ(run->standardOutput.split(QChar(0), Qt::SkipEmptyParts),
              QStringList({"mcp", "add", "--transport", "http", "firecrawl", url, "-s", "user"}));
    EXPECT_FALSE(QFileInfo::exists(witness));
}
