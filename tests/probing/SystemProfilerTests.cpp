#include "engine/probing/MacOSVersion.h"
#include "engine/probing/SystemProfiler.h"
#include "support/FakeFileSystem.h"
#include "support/FakeProcessRunner.h"

#include <gtest/gtest.h>

using namespace varnel;
using varnel::testing::FakeFileSystem;
using varnel::testing::FakeProcessRunner;

namespace {
ProcessResult out(const QString& text, int code = 0) { return ProcessResult{code, text, {}}; }

SystemProfiler profiler(const FakeProcessRunner& process, const FakeFileSystem& fs, const QString& shell = "/bin/zsh")
{
    return SystemProfiler(process, fs, [shell](const QString& name) {
        return name == u"SHELL" ? shell : QString();
    });
}

const QString kHome = QStringLiteral("/Users/tester");
}  // namespace

TEST(SystemProfiler, architectureFromUnameIgnoresExitCodeAndUnknownMachines)
{
    FakeFileSystem fs;
    const struct {
        std::optional<ProcessResult> uname;
        Architecture expected;
    } cases[] = {
        {out("arm64\n"), Architecture::appleSilicon},
        {out("x86_64\n"), Architecture::intel},
        {out("  arm64  \n", 1), Architecture::appleSilicon},  // only the name counts
        {out("i386\n"), Architecture::unknown},
        {out(""), Architecture::unknown},
        {std::nullopt, Architecture::unknown},  // uname could not start
    };
    for (const auto& c : cases) {
        FakeProcessRunner process;
        if (c.uname)
            process.on("/usr/bin/uname -m", *c.uname);
        EXPECT_EQ(profiler(process, fs).architecture(), c.expected)
            << (c.uname ? c.uname->standardOutput.toStdString() : "launch failure");
    }
}

TEST(SystemProfiler, shellIsTheLastComponentOfSHELL)
{
    FakeProcessRunner process;
    FakeFileSystem fs;
    EXPECT_EQ(profiler(process, fs, "/opt/homebrew/bin/bash").shell(), Shell::bash());
    EXPECT_EQ(profiler(process, fs, "/usr/local/bin/nu").shell(), Shell::other("nu"));
    EXPECT_EQ(profiler(process, fs, "").shell(), Shell::other("unknown"));  // unset or empty
}

TEST(SystemProfiler, homebrewPrefersTheNativeInstallAndNeedsAnExecutable)
{
    FakeProcessRunner process;
    FakeFileSystem fs;
    fs.addFile("/opt/homebrew/bin/brew", "not executable", 0644);
    EXPECT_EQ(profiler(process, fs).homebrewPrefix(), std::nullopt);
    fs.addExecutable("/usr/local/bin/brew");
    EXPECT_EQ(profiler(process, fs).homebrewPrefix(), QString("/usr/local/bin/brew"));
    fs.addExecutable("/opt/homebrew/bin/brew");
    EXPECT_EQ(profiler(process, fs).homebrewPrefix(), QString("/opt/homebrew/bin/brew"));
}

TEST(SystemProfiler, toolManagerFoldersMustBeWhatTheyClaim)
{
    FakeProcessRunner process;
    {
        FakeFileSystem fs;
        fs.addDirectory(kHome + "/.sdkman/bin");  // no init script: a broken leftover
        fs.addFile(kHome + "/.jenv");             // a plain file, not jenv's folder
        fs.addDirectory(kHome + "/.asdf");
        const auto p = profiler(process, fs);
        EXPECT_EQ(p.sdkmanRoot(), std::nullopt);
        EXPECT_EQ(p.jenvRoot(), std::nullopt);
        EXPECT_EQ(p.asdfRoot(), kHome + "/.asdf");
    }
    {
        FakeFileSystem fs;
        fs.addFile(kHome + "/.sdkman/bin/sdkman-init.sh");
        fs.addDirectory(kHome + "/.jenv/versions");
        const auto p = profiler(process, fs);
        EXPECT_EQ(p.sdkmanRoot(), kHome + "/.sdkman");
        EXPECT_EQ(p.jenvRoot(), kHome + "/.jenv");
        EXPECT_EQ(p.asdfRoot(), std::nullopt);
    }
    {
        FakeFileSystem fs;
        fs.addDirectory(kHome + "/.sdkman/bin/sdkman-init.sh");  // a folder of that name does not count
        EXPECT_EQ(profiler(process, fs).sdkmanRoot(), std::nullopt);
    }
}

TEST(SystemProfiler, miseIsLookedForInKnownPlacesThenWithWhich)
{
    {
        FakeProcessRunner process;
        FakeFileSystem fs;
        fs.addExecutable(kHome + "/.local/bin/mise");
        fs.addExecutable("/usr/local/bin/mise");
        EXPECT_EQ(profiler(process, fs).miseExecutable(), QString("/usr/local/bin/mise"));
        EXPECT_EQ(process.callCount("/usr/bin/which mise"), 0);  // found without running anything
    }
    {
        FakeProcessRunner process;
        FakeFileSystem fs;
        fs.addExecutable("/nix/bin/mise");
        process.on("/usr/bin/which mise", out("/nix/bin/mise\n"));
        EXPECT_EQ(profiler(process, fs).miseExecutable(), QString("/nix/bin/mise"));
    }
    {
        FakeProcessRunner process;
        FakeFileSystem fs;
        process.on("/usr/bin/which mise", out("/gone/mise\n"));  // names nothing executable
        EXPECT_EQ(profiler(process, fs).miseExecutable(), std::nullopt);
        FakeProcessRunner failing;  // which could not start
        EXPECT_EQ(profiler(failing, fs).miseExecutable(), std::nullopt);
    }
}

TEST(SystemProfiler, applicationsAndToolsAreFoundWhereverTheyLive)
{
    FakeProcessRunner process;
    FakeFileSystem fs;
    fs.addDirectory("/Applications/IntelliJ IDEA CE.app");
    fs.addDirectory(kHome + "/Applications/Zed.app");
    fs.addFile("/Applications/Cursor.app");  // a file is not an application bundle
    fs.addDirectory("/Applications/iTerm.app");
    fs.addDirectory("/Applications/Warp.app");
    // claude is not on the assistant's PATH but Homebrew installed it.
    process.on("/usr/bin/which claude", out("", 1));
    fs.addExecutable("/opt/homebrew/bin/claude");
    process.on("/usr/bin/which codex", out("/Users/tester/.npm/bin/codex\n"));
    process.on("/usr/bin/which aider", out("\n"));  // exit 0 but nothing printed

    // Cursor (a file) and aider (an empty answer) are not among them.
    const auto p = profiler(process, fs);
    EXPECT_EQ(p.aiTooling().detectedIDs(), QStringList({"claude-code-cli", "codex-cli", "intellij", "warp", "zed"}));
    EXPECT_EQ(p.terminals().detectedIDs(), QStringList({"iterm2", "warp"}));
}

TEST(SystemProfiler, commandLineToolsPathNeedsSuccessAndAPath)
{
    FakeFileSystem fs;
    const struct {
        std::optional<ProcessResult> result;
        std::optional<QString> expected;
    } cases[] = {
        {out("/Library/Developer/CommandLineTools\n"), QString("/Library/Developer/CommandLineTools")},
        {out("xcode-select: error: unable to get active developer directory\n", 2), std::nullopt},
        {out("  \n"), std::nullopt},
        {std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        FakeProcessRunner process;
        if (c.result)
            process.on("/usr/bin/xcode-select -p", *c.result);
        EXPECT_EQ(profiler(process, fs).profile().xcodeCommandLineToolsPath, c.expected);
    }
}

TEST(SystemProfiler, aMacWhereNothingCanRunStillGivesAProfile)
{
    FakeProcessRunner process;  // every program fails to start
    FakeFileSystem fs;
    const SystemProfile p = profiler(process, fs, "").profile();
    SystemProfile empty;
    empty.shell = Shell::other("unknown");
    empty.macosVersion = p.macosVersion;  // the real one on a Mac, 0.0.0 elsewhere
    EXPECT_EQ(p, empty);
    EXPECT_FALSE(p.likelyDeveloper());
}

TEST(SystemProfile, likelyDeveloperIgnoresAsdfAlone)
{
    SystemProfile p;
    p.asdfRoot = QString("/Users/tester/.asdf");
    EXPECT_FALSE(p.likelyDeveloper());
    p.terminals.kitty = true;
    EXPECT_TRUE(p.likelyDeveloper());
    p.terminals.kitty = false;
    p.jenvRoot = QString("/Users/tester/.jenv");
    EXPECT_TRUE(p.likelyDeveloper());
}
