#include "engine/agents/MCPConfigWriter.h"

#include "engine/services/FileSystemOperating.h"
#include "engine/services/ScriptQuoting.h"

#include <nlohmann/json.hpp>
#include <toml++/toml.h>

#include <optional>
#include <string>
#include <string_view>

namespace varnel {

namespace {
const QString kFailurePrefix = QStringLiteral("Couldn't write your Codex config: ");

struct TomlParse {
    std::optional<toml::table> table;
    QString error;  // "line 3: …" when it did not parse
};

TomlParse parseToml(const QByteArray& text)
{
    const std::string_view view(text.constData(), static_cast<size_t>(text.size()));
    const auto describe = [](const toml::parse_error& e) {
        return QStringLiteral("line %1: %2")
            .arg(e.source().begin.line)
            .arg(QString::fromUtf8(e.description().data(), static_cast<qsizetype>(e.description().size())));
    };
#if TOML_EXCEPTIONS
    try {
        return {toml::parse(view), {}};
    } catch (const toml::parse_error& e) {
        return {std::nullopt, describe(e)};
    }
#else
    toml::parse_result result = toml::parse(view);
    if (!result)
        return {std::nullopt, describe(result.error())};
    return {std::move(result).table(), {}};
#endif
}

const toml::node* serverEntry(const toml::table& config, const QString& slug)
{
    const toml::table* servers = config["mcp_servers"].as_table();
    return servers ? servers->get(slug.toStdString()) : nullptr;
}

// A key TOML reads back as exactly `key`: bare when it can be, otherwise a
// basic string with its escapes.
QString tomlKey(const QString& key)
{
    static const QString bare = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-");
    bool isBare = !key.isEmpty();
    for (QChar c : key)
        isBare = isBare && bare.contains(c);
    if (isBare)
        return key;
    QString quoted = QStringLiteral("\"");
    for (QChar c : key) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\') + QString(c);
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            quoted += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            quoted += c;
    }
    return quoted + QLatin1Char('"');
}

QString tomlString(const QString& value)
{
    // A basic string has the same escapes as a quoted key.
    const QString key = tomlKey(value);
    return key.startsWith(QLatin1Char('"')) ? key : QLatin1Char('"') + key + QLatin1Char('"');
}

CodexWriteResult failed(const QString& description) { return {{kFailurePrefix + description}, false, true}; }
}  // namespace

QString MCPConfigWriter::claudeRegistrationCommand(const QString& slug, const QString& url)
{
    return QStringLiteral("claude mcp add --transport http ") + ScriptQuoting::shellQuoted(slug) + QLatin1Char(' ') +
           ScriptQuoting::shellQuoted(url) + QStringLiteral(" -s user");
}

QString MCPConfigWriter::codexConfigPath() const { return fs_.homeDirectory() + QStringLiteral("/.codex/config.toml"); }

bool MCPConfigWriter::codexPresent() const
{
    return fs_.fileExists(fs_.homeDirectory() + QStringLiteral("/.codex")) ||
           fs_.isExecutableFile(QStringLiteral("/opt/homebrew/bin/codex")) ||
           fs_.isExecutableFile(QStringLiteral("/usr/local/bin/codex"));
}

CodexWriteResult MCPConfigWriter::writeCodexConfig(const QString& slug, const QString& url) const
{
    if (!codexPresent())
        return {};
    const QString path = codexConfigPath();
    QByteArray old;
    if (fs_.fileExists(path)) {
        auto read = fs_.contents(path);
        if (!read)
            return failed(read.error().localizedDescription());
        old = read.value();
    }

    const TomlParse before = parseToml(old);
    if (!before.table)
        return failed(QStringLiteral("~/.codex/config.toml isn't valid TOML (%1), so it was left as it is.")
                          .arg(before.error));
    if (serverEntry(*before.table, slug))
        return {{slug + QStringLiteral(" is already in your Codex config — left as is.")}, true, true};

    QByteArray text = old;
    if (!old.isEmpty())
        text += old.endsWith('\n') ? "\n" : "\n\n";
    text += (QStringLiteral("[mcp_servers.") + tomlKey(slug) + QStringLiteral("]\nurl = ") + tomlString(url) +
             QLatin1Char('\n'))
                .toUtf8();

    // The append must leave a file Codex can read, holding exactly this URL.
    const TomlParse after = parseToml(text);
    const toml::node* entry = after.table ? serverEntry(*after.table, slug) : nullptr;
    const toml::table* server = entry ? entry->as_table() : nullptr;
    const auto written = server ? server->get_as<std::string>("url") : nullptr;
    if (!written || QString::fromStdString(written->get()) != url)
        return failed(QStringLiteral("adding %1 would leave ~/.codex/config.toml unreadable (%2), so it was left "
                                     "as it is.")
                          .arg(slug, after.table ? QStringLiteral("the server's table is taken") : after.error));

    const QString folder = fs_.homeDirectory() + QStringLiteral("/.codex");
    if (auto made = fs_.createDirectory(folder, true); !made)
        return failed(made.error().localizedDescription());
    if (!old.isEmpty()) {
        const QString backup = path + QStringLiteral(".bak");
        if (fs_.attributesOfItem(backup))  // a link too, even one that leads nowhere
            (void)fs_.removeItem(backup);
        (void)fs_.writeData(old, backup, true);
    }
    if (auto saved = fs_.writeData(text, path, true); !saved)
        return failed(saved.error().localizedDescription());
    (void)fs_.setPosixPermissions(0600, path);
    return {{QStringLiteral("Added ") + slug + QStringLiteral(" to your Codex config.")}, true, true};
}

bool MCPConfigWriter::claudeCodeHasServer(const QString& slug) const
{
    const QString path = fs_.homeDirectory() + QStringLiteral("/.claude.json");
    if (!fs_.fileExists(path))
        return false;
    auto read = fs_.contents(path);
    if (!read)
        return false;
    // Often large and sometimes cut short by a crash: anything that does not
    // parse whole counts as "not configured".
    const QByteArray& data = read.value();
    const auto json = nlohmann::json::parse(data.constData(), data.constData() + data.size(), nullptr, false);
    if (json.is_discarded() || !json.is_object())
        return false;
    const auto servers = json.find("mcpServers");
    return servers != json.end() && servers->is_object() && servers->contains(slug.toStdString());
}

bool MCPConfigWriter::isConfigured(const QString& slug) const
{
    if (claudeCodeHasServer(slug))
        return true;
    const QString path = codexConfigPath();
    if (!fs_.fileExists(path))
        return false;
    auto read = fs_.contents(path);
    if (!read)
        return false;
    const TomlParse config = parseToml(read.value());
    return config.table && serverEntry(*config.table, slug);
}

QString MCPConfigWriter::claudeDesktopSupportDirectory() const
{
    if (auto support = fs_.directory(DirectoryLocation::applicationSupport, true))
        return support.value() + QStringLiteral("/Claude");
    return fs_.homeDirectory() + QStringLiteral("/Library/Application Support/Claude");
}

}  // namespace varnel
