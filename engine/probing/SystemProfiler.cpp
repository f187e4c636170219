#include "engine/probing/SystemProfiler.h"

#include "engine/probing/HomebrewLocations.h"

#include "engine/probing/MacOSVersion.h"
#include "engine/probing/ProbeRun.h"
#include "engine/probing/Probes.h"
#include "engine/probing/XcodeCLTProbe.h"
#include "engine/services/Background.h"
#include "engine/services/FileSystemOperating.h"
#include "engine/services/ProcessRunning.h"

namespace varnel {

namespace {
const QString kWhich = QStringLiteral("/usr/bin/which");

QString processEnvironment(const QString& name) { return qEnvironmentVariable(name.toUtf8().constData()); }
}  // namespace

SystemProfiler::SystemProfiler(const ProcessRunning& process, const FileSystemOperating& fs,
                               EnvironmentReader environment)
    : process_(process), fs_(fs), environment_(environment ? std::move(environment) : processEnvironment)
{
}

Architecture SystemProfiler::architecture() const
{
    // The exit code does not matter: only a known machine name counts.
    const auto result = probing::runProbe(process_, QStringLiteral("/usr/bin/uname"), {QStringLiteral("-m")});
    return architectureFromMachine(result ? result->standardOutput : QString());
}

Shell SystemProfiler::shell() const { return Shell::fromPath(environment_(QStringLiteral("SHELL"))); }

std::optional<QString> SystemProfiler::homebrewPrefix() const
{
    // Both can exist on an Apple Silicon Mac migrated from an Intel one; the native one wins.
    for (const QString& brew : homebrewBrewPaths())
        if (fs_.isExecutableFile(brew))
            return brew;
    return std::nullopt;
}

std::optional<QString> SystemProfiler::sdkmanRoot() const
{
    // An SDKMAN folder without its init script is a leftover that cannot work.
    const QString root = fs_.homeDirectory() + QStringLiteral("/.sdkman");
    bool isDirectory = false;
    if (fs_.fileExists(root + QStringLiteral("/bin/sdkman-init.sh"), &isDirectory) && !isDirectory)
        return root;
    return std::nullopt;
}

std::optional<QString> SystemProfiler::miseExecutable() const
{
    for (const QString& candidate : {QStringLiteral("/opt/homebrew/bin/mise"), QStringLiteral("/usr/local/bin/mise"),
                                     fs_.homeDirectory() + QStringLiteral("/.local/bin/mise")})
        if (fs_.isExecutableFile(candidate))
            return candidate;
    const auto result = probing::runProbe(process_, kWhich, {QStringLiteral("mise")});
    if (!result || result->exitCode != 0)
        return std::nullopt;
    const QString path = result->standardOutput.trimmed();
    if (path.isEmpty() || !fs_.isExecutableFile(path))
        return std::nullopt;
    return path;
}

std::optional<QString> SystemProfiler::homeDirectoryIfDirectory(const QString& relative) const
{
    const QString path = fs_.homeDirectory() + u'/' + relative;
    bool isDirectory = false;
    if (fs_.fileExists(path, &isDirectory) && isDirectory)
        return path;
    return std::nullopt;
}

std::optional<QString> SystemProfiler::jenvRoot() const { return homeDirectoryIfDirectory(QStringLiteral(".jenv")); }

std::optional<QString> SystemProfiler::asdfRoot() const { return homeDirectoryIfDirectory(QStringLiteral(".asdf")); }

bool SystemProfiler::applicationInstalled(const QString& name) const
{
    const QString userApplications = fs_.homeDirectory() + QStringLiteral("/Applications/");
    for (const QString& folder : {QStringLiteral("/Applications/"), userApplications}) {
        bool isDirectory = false;
        if (fs_.fileExists(folder + name, &isDirectory) && isDirectory)
            return true;
    }
    return false;
}

bool SystemProfiler::commandLineToolInstalled(const QString& name) const
{
    const auto result = probing::runProbe(process_, kWhich, {name});
    if (result && result->exitCode == 0 && !result->standardOutput.trimmed().isEmpty())
        return true;
    // The assistant's own PATH is the bare system one when it is opened from
    // the Finder, so a tool Homebrew installed is looked for where Homebrew puts it.
    return fs_.isExecutableFile(QStringLiteral("/opt/homebrew/bin/") + name) ||
           fs_.isExecutableFile(QStringLiteral("/usr/local/bin/") + name);
}

AITooling SystemProfiler::aiTooling() const
{
    struct Check {
        bool isApplication;
        QString name;
    };
    const auto app = [](const char* name) { return Check{true, QString::fromUtf8(name)}; };
    const auto tool = [](const char* name) { return Check{false, QString::fromUtf8(name)}; };
    const std::vector<Check> checks = {
        app("Claude.app"),    app("Cursor.app"),     app("ChatGPT.app"),        app("Visual Studio Code.app"),
        app("Windsurf.app"),  app("Kiro.app"),       app("Antigravity.app"),    app("Zed.app"),
        app("Replit.app"),    app("Warp.app"),       app("IntelliJ IDEA.app"), app("IntelliJ IDEA CE.app"),
        tool("claude"),       tool("codex"),         tool("aider"),
    };
    const std::vector<bool> found = concurrentMap(checks, [this](const Check& check) {
        return check.isApplication ? applicationInstalled(check.name) : commandLineToolInstalled(check.name);
    });
    AITooling ai;
    ai.claudeCodeDesktop = found[0];
    ai.cursor = found[1];
    ai.chatgptDesktop = found[2];
    ai.vsCode = found[3];
    ai.windsurf = found[4];
    ai.kiro = found[5];
    ai.antigravity = found[6];
    ai.zed = found[7];
    ai.replit = found[8];
    ai.warpApp = found[9];
    ai.intellij = found[10] || found[11];  // Ultimate or Community Edition
    ai.claudeCodeCLI = found[12];
    ai.codexCLI = found[13];
    ai.aider = found[14];
    return ai;
}

Terminals SystemProfiler::terminals() const
{
    const QStringList apps = {QStringLiteral("iTerm.app"),     QStringLiteral("Ghostty.app"),
                              QStringLiteral("Warp.app"),      QStringLiteral("Hyper.app"),
                              QStringLiteral("Alacritty.app"), QStringLiteral("kitty.app"),
                              QStringLiteral("WezTerm.app")};
    const std::vector<bool> found = concurrentMap(std::vector<QString>(apps.begin(), apps.end()),
                                                  [this](const QString& name) { return applicationInstalled(name); });
    return Terminals{found[0], found[1], found[2], found[3], found[4], found[5], found[6]};
}

SystemProfile SystemProfiler::profile() const
{
    // The version is a file read (a kernel query on a Mac); it rides along
    // with the eleven probes rather than delaying their start.
    auto [version, arch, sh, brew, sdkman, mise, jenv, asdf, clt, java, ai, term] = concurrently(
        [this] { return MacOSVersion::current(fs_); }, [this] { return architecture(); },
        [this] { return shell(); }, [this] { return homebrewPrefix(); }, [this] { return sdkmanRoot(); },
        [this] { return miseExecutable(); }, [this] { return jenvRoot(); }, [this] { return asdfRoot(); },
        [this] { return XcodeCLTProbe(process_).developerDirectory(); },
        [this] { return Probes(process_, fs_).javaProbeBundle(); }, [this] { return aiTooling(); },
        [this] { return terminals(); });
    return SystemProfile{arch,
                         version,
                         std::move(sh),
                         std::move(brew),
                         std::move(sdkman),
                         std::move(mise),
                         std::move(jenv),
                         std::move(asdf),
                         std::move(clt),
                         std::move(java),
                         ai,
                         term};
}

}  // namespace varnel
