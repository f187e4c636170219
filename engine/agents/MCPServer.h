#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace varnel {

// An MCP endpoint reachable over HTTP that the assistant can register with the
// AI agents on the Mac.
struct MCPServer {
    struct Connection {
        enum class Kind {
            keylessOptionalKey,  // works without a key; a key, when given, goes into the URL template
            oauth,               // the user signs in inside the agent afterwards
        };
        Kind kind = Kind::keylessOptionalKey;
        std::optional<QString> keyURLTemplate;  // keylessOptionalKey: "{key}" stands for the API key
        bool operator==(const Connection&) const = default;

        static Connection keylessOptionalKey(std::optional<QString> keyURLTemplate)
        {
            return {Kind::keylessOptionalKey, std::move(keyURLTemplate)};
        }
        static Connection oauth() { return {Kind::oauth, std::nullopt}; }
    };

    QString slug;  // identifier used in the agents' configuration
    QString displayName;
    QString url;  // the HTTPS endpoint
    QString summary;
    std::optional<QString> disclosure;
    Connection connection;
    bool operator==(const MCPServer&) const = default;

    bool signsInWithOAuth() const { return connection.kind == Connection::Kind::oauth; }

    // The address to register: the key template with every "{key}" replaced
    // when the server takes a key and a non-empty one is given, else `url`.
    QString urlWithKey(const std::optional<QString>& apiKey) const;

    // The servers offered, in display order.
    static const std::vector<MCPServer>& catalog();
    static std::optional<MCPServer> withSlug(const QString& slug);
};

}  // namespace varnel
