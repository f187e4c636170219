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

TEST(HomebrewInstaller, SuccessAddsShellenvOnce)
{
    Installer installer;
    installer.scriptRun(0, {"==> Installation successful!"});
    installer.fs.addExecutable("/usr/local/bin/brew");
    installer.fs.addFile("/Users/tester/.zprofile", "export A=1\n");
    const QByteArray line = "eval \"$(/usr/local/bin/brew shellenv)\"";
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(installer.install().back(), StreamEvent::completed(0));
        const QByteArray zprofile = installer.fs.fileContents("/Users/tester/.zprofile");
        EXPECT_TRUE(zprofile.startsWith("export A=1\n"));
        EXPECT_EQ(zprofile.count(line), 1) << "run " << run;
    }
    EXPECT_EQ(installer.fs.fileContents("/Users/tester/.zprofile.bak"), "export A=1\n");
    const Environment env = *installer.process.environments().front();
    EXPECT_EQ(env.at("NONINTERACTIVE"), "1") << "the script must not wait for a key press";
    EXPECT_TRUE(env.at("SUDO_ASKPASS").startsWith("/tmp/ksm-priv-"));
}
