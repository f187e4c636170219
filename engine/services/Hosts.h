#pragma once

#include <QString>

// Every host name the assistant talks to or links to lives here, so that a
// change of address is one edit. Paths and queries stay with the code that uses them.
namespace varnel::hosts {

// The maker's guide site: article links, privacy pages.
inline QString guideSite() { return QStringLiteral("https://kestraneguide.com"); }

// Reverse-DNS prefix of the products' identifiers (user-defaults keys).
inline QString bundleIDPrefix() { return QStringLiteral("com.kestraneguide"); }

// Warp's own site (the partner page linked from the Warp stage).
inline QString warpSite() { return QStringLiteral("https://www.warp.dev"); }

// Readiness endpoints: Homebrew's formulae host, Apple's software-update
// catalog host and GitHub's site.
inline QString homebrewFormulaeHost() { return QStringLiteral("https://formulae.brew.sh"); }
inline QString appleSoftwareUpdateHost() { return QStringLiteral("https://swscan.apple.com"); }
inline QString githubSite() { return QStringLiteral("https://github.com"); }
inline QString githubHostName() { return QStringLiteral("github.com"); }

// Official install scripts.
inline QString homebrewInstallScript()
{
    return QStringLiteral("https://raw.githubusercontent.com/Homebrew/install/HEAD/install.sh");
}
inline QString uvInstallScript() { return QStringLiteral("https://astral.sh/uv/install.sh"); }
inline QString rustupInstallScript() { return QStringLiteral("https://sh.rustup.rs"); }

// Adoptium's assets API (Temurin packages).
inline QString adoptiumAPI() { return QStringLiteral("https://api.adoptium.net"); }

// The hosted MCP servers of the MCP catalogue.
inline QString firecrawlMCPHost() { return QStringLiteral("https://mcp.firecrawl.dev"); }
inline QString notionMCPHost() { return QStringLiteral("https://mcp.notion.com"); }
inline QString slackMCPHost() { return QStringLiteral("https://mcp.slack.com"); }

// The telemetry backend (usage events).
inline QString telemetryBackend() { return QStringLiteral("https://telemetry.kestraneguide.com"); }

}  // namespace varnel::hosts
