#pragma once

#include <QString>
#include <QStringList>

namespace varnel {

class FileSystemOperating;

// What writing a server into Codex's configuration came to.
struct CodexWriteResult {
    QStringList messages;
    bool ok = false;       // the configuration holds the server afterwards
    bool handled = false;  // Codex is on this Mac and was dealt with
    bool operator==(const CodexWriteResult&) const = default;
};

// Registers MCP servers with the AI agents: builds Claude Code's registration
// command, appends a table to Codex's ~/.codex/config.toml, and tells whether
// a server is already there for either agent.
//
// Codex's file is the user's: it is read with a real TOML parser (a server
// may be written as a [mcp_servers.x] table, with a quoted name, as dotted
// keys or as an inline table), but written by appending text, so the user's
// comments and layout survive. A file that does not parse is reported and
// left alone, and so is one that would not parse after the append.
class MCPConfigWriter {
public:
    explicit MCPConfigWriter(const FileSystemOperating& fs) : fs_(fs) {}

    // "claude mcp add --transport http '<slug>' '<url>' -s user", each value in
    // POSIX single quotes, so whatever it holds reaches `claude` as one argument.
    static QString claudeRegistrationCommand(const QString& slug, const QString& url);

    CodexWriteResult writeCodexConfig(const QString& slug, const QString& url) const;

    // Whether Claude Code (~/.claude.json) or Codex already has the server.
    // Files that are missing, unreadable or malformed count as "not there".
    bool isConfigured(const QString& slug) const;

    // The Claude desktop app's data folder; it exists once the app has run.
    QString claudeDesktopSupportDirectory() const;

    QString codexConfigPath() const;

private:
    bool codexPresent() const;
    bool claudeCodeHasServer(const QString& slug) const;

    const FileSystemOperating& fs_;
};

}  // namespace varnel
