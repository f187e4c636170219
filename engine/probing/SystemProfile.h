#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace varnel {

enum class Architecture { appleSilicon, intel, unknown };

// How each architecture is read from `uname -m` and named in reports and
// telemetry; one row per architecture.
struct ArchitectureNames {
    Architecture architecture;
    const char* machine;  // `uname -m`, also what telemetry sends
    const char* id;       // the doctor's JSON
    const char* text;     // what a person reads
};
const ArchitectureNames& architectureNames(Architecture architecture);
Architecture architectureFromMachine(const QString& machine);

struct OperatingSystemVersion {
    int majorVersion = 0;
    int minorVersion = 0;
    int patchVersion = 0;
    bool operator==(const OperatingSystemVersion&) const = default;
};

struct Shell {
    enum class Kind { zsh, bash, fish, other };
    Kind kind = Kind::other;
    QString name;  // for `other`: the last path component of $SHELL, or "unknown"
    bool operator==(const Shell&) const = default;

    static Shell zsh() { return {Kind::zsh, {}}; }
    static Shell bash() { return {Kind::bash, {}}; }
    static Shell fish() { return {Kind::fish, {}}; }
    static Shell other(QString name) { return {Kind::other, std::move(name)}; }
    static Shell fromPath(const QString& shellPath);  // $SHELL

    QString kindName() const;     // zsh, bash, fish or other
    QString displayName() const;  // the kind, or an other shell's own name
};

struct JDKInfo {
    QString version;       // as printed, e.g. "21.0.2"
    QString vendor;        // may be empty
    QString architecture;  // may be empty
    QString path;          // the JDK's home (the folder holding bin/java)
    bool operator==(const JDKInfo&) const = default;
};

// The Java part of the profile.
struct ProbeBundle {
    std::optional<QString> whichJava;
    std::vector<JDKInfo> installedJDKs;
    QStringList jvmDirContents;
    std::optional<QString> javaHomeInActiveShell;
    bool operator==(const ProbeBundle&) const = default;
};

struct AITooling {
    bool claudeCodeDesktop = false;
    bool cursor = false;
    bool chatgptDesktop = false;
    bool vsCode = false;
    bool windsurf = false;
    bool kiro = false;
    bool antigravity = false;
    bool zed = false;
    bool replit = false;
    bool warpApp = false;
    bool intellij = false;
    bool claudeCodeCLI = false;
    bool codexCLI = false;
    bool aider = false;
    bool operator==(const AITooling&) const = default;

    // Telemetry identifiers of the set flags, ascending.
    QStringList detectedIDs() const;
    bool any() const { return !detectedIDs().isEmpty(); }
};

struct Terminals {
    bool iterm = false;
    bool ghostty = false;
    bool warp = false;
    bool hyper = false;
    bool alacritty = false;
    bool kitty = false;
    bool wezterm = false;
    bool operator==(const Terminals&) const = default;

    QStringList detectedIDs() const;
    bool any() const { return !detectedIDs().isEmpty(); }
};

// One immutable snapshot of the Mac. Paths are absolute file paths.
struct SystemProfile {
    Architecture architecture = Architecture::unknown;
    OperatingSystemVersion macosVersion;
    Shell shell = Shell::other(QStringLiteral("unknown"));
    std::optional<QString> homebrewPrefix;  // the brew executable that was found
    std::optional<QString> sdkmanRoot;
    std::optional<QString> miseExecutable;
    std::optional<QString> jenvRoot;
    std::optional<QString> asdfRoot;
    std::optional<QString> xcodeCommandLineToolsPath;
    ProbeBundle javaState;
    AITooling aiTooling;
    Terminals terminals;
    bool operator==(const SystemProfile&) const = default;

    // The one developer-tooling test of the system.
    bool likelyDeveloper() const;
};

}  // namespace varnel
