#include "engine/remediation/HomebrewInstaller.h"

#include "support/FakeFileSystem.h"
#include "support/FakeProcessRunner.h"

#include <gtest/gtest.h>

using namespace varnel;
using varnel::testing::FakeFileSystem;
using varnel::testing::FakeProcessRunner;

namespace {

struct Installer {
    FakeFileSystem fs;
    FakeProcessRunner process;

    Installer() { fs.addDirectory("/tmp"); }

    void scriptRun(int exitCode, QStringList lines)
    {
        process.setFallback([=](const QString& exe, const QStringList&) -> std::optional<FakeProcessRunner::Response> {
            if (exe != "/bin/bash")
                return std::nullopt;
            return FakeProcessRunner::Response{ProcessResult{exitCode, {}, {}}, {}, {}, lines};
        });
    }

    std::vector<StreamEvent> install()
    {
        std::vector<StreamEvent> events;
        HomebrewInstaller(process, fs, PrivilegedExecutor(fs, "Varnel"), ShellMarker{"Varnel"})
            .install({}, [&](const StreamEvent& e) { events.push_back(e); });
        EXPECT_TRUE(fs.contentsOfDirectory("/tmp").valueOr({}).isEmpty()) << "the dialog folder stays";
        return events;
    }
};

QStringList outputs(const std::vector<StreamEvent>& events)
{
    QStringList lines;
    for (const auto& e : events)
        if (e.kind == StreamEvent::Kind::output)
            lines << e.text;
    return lines;
}

}  // namespace

TEST(HomebrewInstaller, RefusedOrDismissedPasswordEndsCanceledOtherFailuresKeepTheirCode)
{
    const std::vector<std::pair<QStringList, StreamEvent>> cases{
        {{"==> Checking for `sudo` access (which may request your password)...", "SUDO: A PASSWORD IS REQUIRED"},
         StreamEvent::canceled()},
        {{"Need sudo access on macOS (e.g. the user anna needs to be an Administrator)!"}, StreamEvent::canceled()},
        {{"0:57: execution error: User canceled. (-128)"}, StreamEvent::canceled()},
        {{"sudo: 3 incorrect password attempts"}, StreamEvent::canceled()},
        {{"Failed during: /usr/bin/git fetch --force origin", "fatal: unable to access"}, StreamEvent::completed(1)},
    };
    for (const auto& [lines, expected] : cases) {
        SCOPED_TRACE(lines.join(" | ").toStdString());
        Installer installer;
        installer.scriptRun(1, lines);
        const auto events = installer.install();
        EXPECT_EQ(events.back(), expected);
        EXPECT_EQ(outputs(events), lines) << "the script's lines pass through unchanged";
    }
}

TEST(HomebrewInstaller, SuccessAddsShellenvOnceAndSaysWhatItDid)
{
    Installer installer;
    installer.scriptRun(0, {"==> Installation successful!"});
    installer.fs.addExecutable("/usr/local/bin/brew");
    installer.fs.addFile("/Users/tester/.zprofile", "export A=1\n");

    auto events = installer.install();
    EXPECT_EQ(events.back(), StreamEvent::completed(0));
    const Environment env = *installer.process.environments().front();
    EXPECT_EQ(env.at("NONINTERACTIVE"), "1") << "the script must not wait for a key press";
    EXPECT_TRUE(env.at("SUDO_ASKPASS").startsWith("/tmp/ksm-priv-"));
    EXPECT_EQ(outputs(events).mid(1),
              (QStringList{"Appending brew shellenv to ~/.zprofile (so brew is fully integrated in new shells).",
                           "Appended. Backup at /Users/tester/.zprofile.bak."}));
    EXPECT_TRUE(installer.fs.fileContents("/Users/tester/.zprofile").contains("eval \"$(/usr/local/bin/brew shellenv)\""));

    events = installer.install();
    EXPECT_EQ(outputs(events).last(), "brew shellenv already active in ~/.zprofile — skipping.");
    EXPECT_EQ(events.back(), StreamEvent::completed(0));
}

TEST(HomebrewInstaller, SuccessWithoutBrewOnDiskStillCompletes)
{
    Installer installer;
    installer.scriptRun(0, {});
    const auto events = installer.install();
    EXPECT_EQ(outputs(events),
              QStringList{"Note: brew not found in expected locations after install; skipping ~/.zprofile shellenv append."});
    EXPECT_EQ(events.back(), StreamEvent::completed(0));
}

TEST(HomebrewInstaller, ScriptThatCannotStartEndsWithMinusOne)
{
    Installer installer;  // nothing scripted: bash fails to launch
    const auto events = installer.install();
    EXPECT_TRUE(outputs(events).front().startsWith("Failed to start Homebrew installer: "));
    EXPECT_EQ(events.back().kind, StreamEvent::Kind::completed);
    EXPECT_EQ(events.back().exitCode, -1);
    EXPECT_TRUE(events.back().launchFailure.has_value()) << "why it failed travels with the code";
}
