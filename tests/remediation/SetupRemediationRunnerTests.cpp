#include "engine/remediation/SetupRemediationRunner.h"
#include "engine/services/LiveHTTPFetcher.h"
#include "shellconfig/ShellTestHome.h"
#include "support/FakeFileSystem.h"
#include "support/FakeProcessRunner.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <thread>

using namespace varnel;
using namespace varnel::testing;
using Event = SetupRemediationRunner::Event;
using Kind = Event::Kind;

namespace {

QString zsh(const QString& command) { return QStringLiteral("/bin/zsh -lc ") + command; }
ProcessResult exits(int code) { return ProcessResult{code, {}, {}}; }

FakeProcessRunner::Response streams(QStringList lines, int code = 0, std::chrono::milliseconds delay = {})
{
    FakeProcessRunner::Response r;
    r.result = exits(code);
    r.streamLines = std::move(lines);
    r.delay = delay;
    return r;
}

QStringList outputs(const std::vector<Event>& events)
{
    QStringList lines;
    for (const Event& e : events)
        if (e.kind == Kind::output)
            lines << e.text;
    return lines;
}

// A runner over a fake process runner and a real temporary home.
class RunnerTest : public ::testing::Test {
protected:
    std::vector<Event> run(const SetupRemediation& remediation, std::optional<QString> brew = std::nullopt,
                           std::stop_token stop = {}, std::shared_ptr<const FileSystemOperating> files = nullptr) const
    {
        if (!files)
            files = std::shared_ptr<const FileSystemOperating>(&home.fs(), [](auto*) {});
        std::vector<Event> events;
        const SetupRemediationRunner runner(std::move(brew), {process, files, http},
                                            {QStringLiteral("Varnel"), testMarker, QStringLiteral("varnel")});
        runner.run(remediation, QStringLiteral("prompt"), stop, [&](const Event& e) { events.push_back(e); });
        return events;
    }
    // The password-dialog folder of the latest run, which must be gone.
    bool dialogFolderRemains() const
    {
        const auto environment = process->environments().back();
        return environment && environment->count(QStringLiteral("SUDO_ASKPASS")) &&
               QFileInfo::exists(QFileInfo(environment->at(QStringLiteral("SUDO_ASKPASS"))).path());
    }

    const QString brew = QStringLiteral("/opt/homebrew/bin/brew");
    std::shared_ptr<FakeProcessRunner> process = std::make_shared<FakeProcessRunner>();
    ShellTestHome home;
    std::shared_ptr<const HTTPFetching> http = std::make_shared<LiveHTTPFetcher>();
};

// What a real shell makes of a command line (zsh, as on a Mac, where there
// is one; its startup files are skipped): its standard output.
QString runInShell(const QString& command, const QString& homePath)
{
    const bool zsh = QFileInfo::exists(QStringLiteral("/bin/zsh"));
    QProcess shell;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), homePath);
    environment.insert(QStringLiteral("GIT_CONFIG_NOSYSTEM"), QStringLiteral("1"));
    shell.setProcessEnvironment(environment);
    shell.setWorkingDirectory(homePath);
    if (zsh)
        shell.start(QStringLiteral("/bin/zsh"), {QStringLiteral("-f"), QStringLiteral("-c"), command});
    else
        shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    shell.waitForFinished(20000);
    return QString::fromUtf8(shell.readAllStandardOutput());
}

}  // namespace

TEST_F(RunnerTest, EveryCaseEndsWithExactlyOneTerminalEventLast)
{
    // Nothing scripted: every program fails to start, which every case must survive.
    const std::vector<SetupRemediation> all{
        SetupRemediation::repairPath(home.path(QStringLiteral("bin"))),
        SetupRemediation::configureGit(QStringLiteral("Ada"), QStringLiteral("ada@example.com")),
        SetupRemediation::installCommandLineTools(), SetupRemediation::installHomebrew(),
        SetupRemediation::installClaudeCLI(), SetupRemediation::repairHomebrewPath(),
        SetupRemediation::installWarp(), SetupRemediation::installTemurin(), SetupRemediation::configureShell(),
        SetupRemediation::installUv(), SetupRemediation::installMise(), SetupRemediation::installNodeViaMise(),
        SetupRemediation::installRubyViaMise(), SetupRemediation::installRustViaMise(),
        SetupRemediation::installRustup(), SetupRemediation::installGh(), SetupRemediation::githubAuth(),
    };
    for (const SetupRemediation& remediation : all) {
        const auto events = run(remediation);
        ASSERT_FALSE(events.empty()) << remediation.id().toStdString();
        EXPECT_TRUE(events.back().isTerminal()) << remediation.id().toStdString();
        EXPECT_EQ(std::count_if(events.begin(), events.end(), [](const Event& e) { return e.isTerminal(); }), 1)
            << remediation.id().toStdString();
    }
}

TEST_F(RunnerTest, WithoutHomebrewBrewActionsRunNothing)
{
    for (const SetupRemediation& r : {SetupRemediation::installWarp(), SetupRemediation::installGh(),
                                      SetupRemediation::installMise(), SetupRemediation::installTemurin()}) {
        EXPECT_EQ(run(r).back(), Event::completed(-1));
    }
    EXPECT_EQ(run(SetupRemediation::repairHomebrewPath()).back(), Event::completed(1));
    EXPECT_TRUE(process->calls().isEmpty());
}

TEST_F(RunnerTest, RepairPathEscapesTheDirectoryForTheShellAndIsIdempotent)
{
    const QString directory = home.path(QStringLiteral("we\"ird $HOME `id` back\\slash"));
    const auto first = run(SetupRemediation::repairPath(directory));
    EXPECT_EQ(first.back(), Event::completed(0));
    EXPECT_TRUE(outputs(first).front().startsWith(QStringLiteral("Added `") + directory + u'`'));

    // A shell reading ~/.zprofile puts exactly that directory first on PATH.
    const QString path = runInShell(QStringLiteral(". ./.zprofile; printf %s \"$PATH\""), home.path());
    EXPECT_TRUE(path.startsWith(directory + u':')) << path.toStdString();

    const auto second = run(SetupRemediation::repairPath(directory));
    EXPECT_EQ(outputs(second),
              QStringList{u'`' + directory + QStringLiteral("` is already on your PATH in ~/.zprofile — nothing to do.")});
    EXPECT_EQ(second.back(), Event::completed(0));
}

TEST_F(RunnerTest, ConfigureGitStoresHostileValuesVerbatimAndRunsNothingElse)
{
    const QString name = QStringLiteral("O'Brien \"$(touch pwned)\" `touch pwned2` \\n Zoë 李");
    const QString email = QStringLiteral("o'b+$USER@example.com");
    process->setFallback([](const QString&, const QStringList&) { return std::optional(streams({}, 0)); });
    const auto events = run(SetupRemediation::configureGit(name, email));
    EXPECT_EQ(outputs(events), (QStringList{QStringLiteral("Saving your Git name and email…"),
                                            QStringLiteral("Saved to ~/.gitconfig.")}));
    EXPECT_EQ(events.back(), Event::completed(0));

    // Run the very command line through a real shell with a real git.
    ASSERT_EQ(process->calls().size(), 1);
    const QString command = process->calls().front().mid(zsh({}).size());
    runInShell(command, home.path());
    EXPECT_EQ(runInShell(QStringLiteral("git config --global user.name"), home.path()), name + u'\n');
    EXPECT_EQ(runInShell(QStringLiteral("git config --global user.email"), home.path()), email + u'\n');
    EXPECT_EQ(runInShell(QStringLiteral("git config --global init.defaultBranch"), home.path()), QStringLiteral("main\n"));
    EXPECT_FALSE(home.exists(QStringLiteral("pwned")) || home.exists(QStringLiteral("pwned2")));
}

TEST_F(RunnerTest, AGitValueWithALineBreakIsRefusedBeforeAnythingRuns)
{
    const auto remediation = SetupRemediation::configureGit(QStringLiteral("Ada"), QStringLiteral("a@b.c\rrm -rf ~"));
    ASSERT_TRUE(SetupRemediationRunner::refusal(remediation));
    EXPECT_EQ(run(remediation), (std::vector{Event::output(*SetupRemediationRunner::refusal(remediation)), Event::completed(1)}));
    EXPECT_TRUE(process->calls().isEmpty());
    EXPECT_FALSE(SetupRemediationRunner::refusal(SetupRemediation::configureGit(QStringLiteral("Zoë"), QString())));
}

TEST_F(RunnerTest, GitHubSignInOpensTheDevicePageOnceWithTheCodeSeenSoFar)
{
    const QString login = zsh(QStringLiteral("gh auth login --web --git-protocol https --hostname github.com --skip-ssh-key"));
    const QString status = zsh(QStringLiteral("gh auth status >/dev/null 2>&1"));
    const QString setupGit = zsh(QStringLiteral("gh auth setup-git"));
    const QString url = QStringLiteral("https://github.com/login/device");
    const auto browserEvents = [](std::vector<Event> events) {
        std::erase_if(events, [](const Event& e) { return e.kind != Kind::openBrowser; });
        return events;
    };

    // Code first, then the address twice; gh's own failure does not matter.
    process->on(login, streams({QString(), QStringLiteral("! First copy your one-time code: AB12-CD34"),
                                QStringLiteral("Open this URL to continue in your web browser: ") + url,
                                QStringLiteral("again ") + url},
                               1));
    process->on(status, streams({}, 0));
    process->on(setupGit, streams({}, 1));
    auto events = run(SetupRemediation::githubAuth());
    EXPECT_EQ(browserEvents(events), std::vector{Event::openBrowser(url, QStringLiteral("AB12-CD34"))});
    EXPECT_EQ(outputs(events).back(), QStringLiteral("Signed in to GitHub. Git is ready — pushes won't ask for a password."));
    EXPECT_EQ(events.back(), Event::completed(0));
    EXPECT_EQ(process->callCount(setupGit), 1);

    // The address first: no code to show yet. A code-shaped text on a line
    // that does not speak of a code is not taken either.
    process->on(login, streams({QStringLiteral("build ZZ99-ZZ99"), url,
                                QStringLiteral("! First copy your one-time code: AB12-CD34")}));
    process->on(status, streams({}, 1));
    events = run(SetupRemediation::githubAuth());
    EXPECT_EQ(browserEvents(events), std::vector{Event::openBrowser(url, std::nullopt)});
    EXPECT_EQ(outputs(events).back(), QStringLiteral("GitHub sign-in not completed. You can finish anytime by running "
                                                     "`gh auth login` in your terminal."));
    EXPECT_EQ(events.back(), Event::completed(1));
    EXPECT_EQ(process->callCount(setupGit), 1);
}

TEST_F(RunnerTest, InstallUvStopsAtAFailedDownloadAndOtherwisePutsUvOnPath)
{
    const QString script = zsh(QStringLiteral("curl -LsSf https://astral.sh/uv/install.sh | sh -s -- --no-modify-path"));
    const QString python = zsh(QStringLiteral("uv python install --default"));
    process->on(script, streams({QStringLiteral("curl: (6) Could not resolve host")}, 6));
    EXPECT_EQ(run(SetupRemediation::installUv()).back(), Event::completed(6));
    EXPECT_EQ(process->callCount(python), 0);
    EXPECT_FALSE(home.exists(QStringLiteral(".zprofile")));

    process->on(script, streams({}, 0));
    process->on(python, streams({}, 0));
    EXPECT_EQ(run(SetupRemediation::installUv()).back(), Event::completed(0));
    EXPECT_TRUE(home.read(QStringLiteral(".zprofile")).contains("$HOME/.local/bin"));
}

TEST_F(RunnerTest, AStopEndsTheRunWithCanceledAndNothingAfterIt)
{
    process->on(zsh(QStringLiteral("mise use -g node@lts")), streams({QStringLiteral("downloading")}, 0, std::chrono::seconds(20)));
    std::stop_source stop;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        stop.request_stop();
    });
    const auto events = run(SetupRemediation::installNodeViaMise(), std::nullopt, stop.get_token());
    stopper.join();
    EXPECT_EQ(events, (std::vector{Event::output(QStringLiteral("Running mise use -g node@lts…")),
                                   Event::output(QStringLiteral("downloading")), Event::canceled()}));
}

TEST_F(RunnerTest, CaskInstallsFollowUpInZprofileOnlyAfterSuccess)
{
    const QString cask = brew + QStringLiteral(" install --cask ");
    process->on(cask + QStringLiteral("claude-code@latest"), streams({QStringLiteral("🍺  claude-code was successfully installed!")}));
    auto events = run(SetupRemediation::installClaudeCLI(), brew);
    EXPECT_TRUE(outputs(events).back().startsWith(QStringLiteral("Enabled Claude Code auto-update in ~/.zprofile (backup at ")));
    EXPECT_EQ(events.back(), Event::completed(0));
    events = run(SetupRemediation::installClaudeCLI(), brew);
    EXPECT_EQ(outputs(events).back(), QStringLiteral("Claude Code auto-update is already enabled in ~/.zprofile."));

    // A dismissed password dialog is a cancel, and nothing is written.
    process->on(cask + QStringLiteral("temurin"), streams({QStringLiteral("sudo: a password is required")}, 1));
    EXPECT_EQ(run(SetupRemediation::installTemurin(), brew).back(), Event::canceled());
    EXPECT_FALSE(home.read(QStringLiteral(".zprofile")).contains("JAVA_HOME"));

    process->on(cask + QStringLiteral("temurin"), streams({}, 0));
    events = run(SetupRemediation::installTemurin(), brew);
    EXPECT_TRUE(outputs(events).back().startsWith(QStringLiteral("Set JAVA_HOME in ~/.zprofile")));
    EXPECT_TRUE(home.read(QStringLiteral(".zprofile")).contains("export JAVA_HOME=$(/usr/libexec/java_home)"));
    EXPECT_FALSE(dialogFolderRemains());
}

// The Command Line Tools' script runs under sudo: a dismissed dialog or three
// wrong passwords is a cancel, a failing download a failure.
TEST_F(RunnerTest, CommandLineToolsReadARefusedPasswordAsACancel)
{
    FakeProcessRunner::Response sudo = streams({QStringLiteral("sudo: no password was provided")}, 1);
    process->setFallback([&sudo](const QString& executable, const QStringList&) {
        return executable == QStringLiteral("/usr/bin/sudo") ? std::optional(sudo) : std::nullopt;
    });
    EXPECT_EQ(run(SetupRemediation::installCommandLineTools()).back(), Event::canceled());
    EXPECT_FALSE(dialogFolderRemains());

    sudo = streams({QStringLiteral("Cannot install Command Line Tools for Xcode-16.2: No such update")}, 1);
    const auto events = run(SetupRemediation::installCommandLineTools());
    EXPECT_EQ(outputs(events).back(), QStringLiteral("The Command Line Tools install did not complete. You can retry."));
    EXPECT_EQ(events.back(), Event::completed(1));
}
