#include "engine/agents/MCPServer.h"

#include "engine/services/Hosts.h"

namespace varnel {

const std::vector<MCPServer>& MCPServer::catalog()
{
    static const std::vector<MCPServer> servers = {
        {QStringLiteral("firecrawl"), QStringLiteral("Firecrawl"),
         hosts::firecrawlMCPHost() + QStringLiteral("/v2/mcp"),
         QStringLiteral("Better web search than built-in agent web searches"), std::nullopt,
         Connection::keylessOptionalKey(hosts::firecrawlMCPHost() + QStringLiteral("/{key}/v2/mcp"))},
        {QStringLiteral("notion"), QStringLiteral("Notion"), hosts::notionMCPHost() + QStringLiteral("/mcp"),
         QStringLiteral("Connect Notion, the popular workplace productivity app. Sign-in required."), std::nullopt,
         Connection::oauth()},
        {QStringLiteral("slack"), QStringLiteral("Slack"), hosts::slackMCPHost() + QStringLiteral("/mcp"),
         QStringLiteral("Connect Slack, the popular workplace messaging app. Sign-in required."), std::nullopt,
         Connection::oauth()},
    };
    return servers;
}

std::optional<MCPServer> MCPServer::withSlug(const QString& slug)
{
    for (const MCPServer& server : catalog())
        if (server.slug == slug)
            return server;
    return std::nullopt;
}

QString MCPServer::urlWithKey(const std::optional<QString>& apiKey) const
{
    if (connection.kind != Connection::Kind::keylessOptionalKey || !connection.keyURLTemplate || !apiKey ||
        apiKey->isEmpty())
        return url;
    return QString(*connection.keyURLTemplate).replace(QStringLiteral("{key}"), *apiKey);
}

}  // namespace varnel
