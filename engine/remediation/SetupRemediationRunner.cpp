#include "engine/remediation/SetupRemediationRunner.h"

#include "engine/agents/AgentEnvDoc.h"
#include "engine/agents/BundledResources.h"
#include "engine/agents/MCPConfigWriter.h"
#include "engine/agents/SkillFolderInstaller.h"
#include "engine/agents/TemplateTreeCopier.h"
#include "engine/probing/HomebrewLocations.h"
#include "engine/remediation/AdoptiumAPI.h"
#include "engine/remediation/BrewRunner.h"
#include "engine/remediation/CaskRecoveryPolicy.h"
#include "engine/remediation/GitIdentityInput.h"
#include "engine/remediation/HomebrewInstaller.h"
#include "engine/remediation/InstallTranscript.h"
#include "engine/remediation/PrivilegedExecutor.h"
#include "engine/services/Hosts.h"
#include "engine/services/ScriptQuoting.h"
#include "engine/shellconfig/ShellConfigurator.h"
#include "engine/shellconfig/ZprofileWriter.h"

#include <QDir>
#include <QRegularExpression>

namespace varnel {

using Case = SetupRemediation::Case;
using Event = SetupRemediationRunner::Event;

namespace {

QString s(const char16_t* text) { return QString::fromUtf16(text); }

const QString kZsh = QStringLiteral("/bin/zsh");
const QString kCommandLineTools = QStringLiteral("/Library/Developer/CommandLineTools");

// Run by bash as root. The marker file makes softwareupdate list the Command
// Line Tools; the newest label by version wins. The download runs in the
// background so that a stop (Cancel reaches this shell through sudo, which
// passes it on; the user may not signal root's processes) ends it too and
// takes the marker away, instead of leaving softwareupdate running.
const QString kCommandLineToolsScript = QStringList{
    QStringLiteral("MARKER=/tmp/.com.apple.dt.CommandLineTools.installondemand.in-progress"),
    QStringLiteral("/usr/bin/touch \"$MARKER\""),
    QStringLiteral("trap 'if [ -n \"$PID\" ]; then kill -TERM \"$PID\" 2>/dev/null; wait \"$PID\"; fi; "
                   "/bin/rm -f \"$MARKER\"; exit 143' TERM INT HUP"),
    QStringLiteral("LABEL=$(/usr/sbin/softwareupdate -l 2>/dev/null | /usr/bin/grep 'Label:.*Command Line Tools' | "
                   "/usr/bin/sed -E 's/^.*Label: //' | /usr/bin/sort -V | /usr/bin/tail -n1)"),
    QStringLiteral("if [ -n \"$LABEL\" ]; then /usr/sbin/softwareupdate -i \"$LABEL\" --verbose & PID=$!; wait \"$PID\"; fi"),
    QStringLiteral("/bin/rm -f \"$MARKER\""),
    QStringLiteral("/usr/bin/xcode-select --switch /Library/Developer/CommandLineTools 2>/dev/null || true"),
    QStringLiteral("if [ -d /Library/Developer/CommandLineTools ]; then exit 0; else exit 1; fi"),
}.join(u'\n');

// Casks, each with the standard recovery unless noted.
struct CaskRow {
    Case kind;
    const char* cask;
};
const CaskRow kCasks[] = {
    {Case::installClaudeCLI, "claude-code@latest"},
    {Case::installWarp, "warp"},
    {Case::installClaudeDesktop, "claude"},
    {Case::installZed, "zed"},
    {Case::installVSCode, "visual-studio-code"},
    {Case::installCodexCLI, "codex"},
    {Case::installChatGPTDesktop, "chatgpt"},
    {Case::installTemurin, "temurin"},
};

// Tools installed with `mise use -g`; Ruby comes precompiled rather than
// built from source, which needs a setting first.
struct MiseRow {
    Case kind;
    const char* tool;
    const char* preparation;
};
const MiseRow kMiseTools[] = {
    {Case::installNodeViaMise, "node@lts", nullptr},
    {Case::installRubyViaMise, "ruby@latest", "mise settings ruby.compile=false"},
    {Case::installRustViaMise, "rust", nullptr},
};

template <typename Row, std::size_t N>
const Row* rowFor(const Row (&rows)[N], Case kind)
{
    for (const Row& row : rows)
        if (row.kind == kind)
            return &row;
    return nullptr;
}

// A value for a double-quoted shell word: backslashes first, then the
// characters the shell still expands inside double quotes.
QString doubleQuotedShellText(const QString& text)
{
    QString escaped = text;
    escaped.replace(u'\\', QStringLiteral("\\\\"));
    escaped.replace(u'"', QStringLiteral("\\\""));
    escaped.replace(u'`', QStringLiteral("\\`"));
    escaped.replace(u'$', QStringLiteral("\\$"));
    return escaped;
}

// How a run ends: an exit code, or nothing when it was stopped.
using Ending = std::optional<int32_t>;

}  // namespace

struct SetupRemediationRunner::Run {
    const SetupRemediationRunner& runner;
    const QString& passwordPrompt;
    std::stop_token stop;
    const EventSink<Event>& sink;
    // The API key of the server being added: should a program print it back
    // (a registration echoing its URL), the transcript shows dots instead.
    QString secret;

    bool stopped() const { return stop.stop_requested(); }

    // Nothing reaches the consumer once a stop was asked for.
    void say(const QString& line) const
    {
        if (stopped())
            return;
        if (secret.isEmpty() || !line.contains(secret))
            sink(Event::output(line));
        else
            sink(Event::output(QString(line).replace(secret, QStringLiteral("••••"))));
    }
    void sayAll(const QStringList& lines) const
    {
        for (const QString& line : lines)
            say(line);
    }

    const FileSystemOperating& fs() const { return *runner.services_.fs; }
    QString zprofile() const { return QDir(fs().homeDirectory()).filePath(QStringLiteral(".zprofile")); }

    // One command line in a zsh login shell, so it sees the PATH the user's
    // ~/.zprofile sets up (including lines earlier actions of this session
    // appended). Gives the exit code, or -1 when the shell never ran.
    int32_t shell(const QString& command, const std::function<void(const QString&)>& onLine = {}) const
    {
        std::optional<int32_t> code;
        runner.services_.process->stream(
            kZsh, {QStringLiteral("-lc"), command}, currentEnvironment(),
            [&](const ProcessStreamEvent& event) {
                switch (event.kind) {
                case ProcessStreamEvent::Kind::line:
                    say(event.text);
                    if (onLine && !stopped())
                        onLine(event.text);
                    break;
                case ProcessStreamEvent::Kind::exited:
                    code = event.code;
                    break;
                case ProcessStreamEvent::Kind::failedToStart:
                    if (!event.error.isCanceled())
                        say(QStringLiteral("Failed to start: ") + event.error.message);
                    break;
                }
            },
            stop);
        return code.value_or(-1);
    }

    Expected<DiffPreview, WriteError> appendToZprofile(const QString& line, const QString& title,
                                                       const QString& needle, bool ignoringComments) const
    {
        const FileAppendWriter writer(zprofile(), fs(), runner.product_.shellMarker);
        return writer.append(line, title, needle, ignoringComments);
    }

    ShellConfigurator configurator() const { return ShellConfigurator(fs(), runner.product_.shellMarker); }

    Ending perform(const SetupRemediation& remediation) const;

    Ending repairPath(const QString& directory) const;
    Ending repairHomebrewPath() const;
    Ending configureShell() const;
    Ending installUv() const;
    Ending installRustup() const;
    Ending installMiseTool(const MiseRow& row) const;
    Ending configureGit(const QString& name, const QString& email) const;
    Ending githubAuth() const;
    Ending installCommandLineTools() const;
    Ending installHomebrew() const;
    Ending installCask(const CaskRow& row) const;
    void enableClaudeAutoUpdate() const;
    void setJavaHome() const;
    Ending installFormula(const QString& formula) const;
    std::optional<BrewRunner> brewRunner() const;
    PrivilegedExecutor executor() const { return PrivilegedExecutor(fs(), runner.product_.displayName); }
    // Runs an installer that reports StreamEvents, passing its lines on.
    Ending forward(const std::function<void(const StreamSink&)>& work) const;
    Ending afterInstallMise(Ending formula) const;

    Ending reportStep(const StepOutcome& outcome) const
    {
        sayAll(outcome.messages);
        return outcome.succeeded ? 0 : 1;
    }
    Ending installSkill(const AgentSkill& skill) const;
    Ending addMCPServer(const MCPServer& server, const std::optional<QString>& apiKey) const;
    bool claudeCommandAvailable() const;
};

SetupRemediationRunner::SetupRemediationRunner(std::optional<QString> brewPath, Services services, Product product)
    : brewPath_(std::move(brewPath)), services_(std::move(services)), product_(std::move(product))
{
}

std::optional<QString> SetupRemediationRunner::refusal(const SetupRemediation& remediation)
{
    if (remediation.kind() != Case::configureGit)
        return std::nullopt;
    if (GitIdentityInput::breaksLines(remediation.gitName()) || GitIdentityInput::breaksLines(remediation.gitEmail()))
        return s(u"Your Git name and email must each fit on one line. Remove the line break and try again \u2014 "
                 u"nothing was changed.");
    return std::nullopt;
}

void SetupRemediationRunner::run(const SetupRemediation& remediation, const QString& passwordPrompt,
                                 std::stop_token stop, const EventSink<Event>& sink) const
{
    const Run run{*this, passwordPrompt, stop, sink, remediation.apiKey().value_or(QString())};
    Ending ending = std::nullopt;
    if (!stop.stop_requested())
        ending = run.perform(remediation);
    // Exactly one terminal event, whatever the case did: a stop always wins,
    // since the consumer asked for it and may already have moved on.
    if (!ending || stop.stop_requested())
        sink(Event::canceled());
    else
        sink(Event::completed(*ending));
}

Ending SetupRemediationRunner::Run::perform(const SetupRemediation& remediation) const
{
    if (auto refused = SetupRemediationRunner::refusal(remediation)) {
        say(*refused);
        return 1;
    }
    if (const CaskRow* cask = rowFor(kCasks, remediation.kind()))
        return installCask(*cask);
    if (const MiseRow* tool = rowFor(kMiseTools, remediation.kind()))
        return installMiseTool(*tool);

    switch (remediation.kind()) {
    case Case::repairPath: return repairPath(remediation.directory());
    case Case::repairHomebrewPath: return repairHomebrewPath();
    case Case::configureShell: return configureShell();
    case Case::installUv: return installUv();
    case Case::installRustup: return installRustup();
    case Case::configureGit: return configureGit(remediation.gitName(), remediation.gitEmail());
    case Case::githubAuth: return githubAuth();
    case Case::installCommandLineTools: return installCommandLineTools();
    case Case::installHomebrew: return installHomebrew();
    case Case::installMise: return afterInstallMise(installFormula(QStringLiteral("mise")));
    case Case::installGh: return installFormula(QStringLiteral("gh"));
    case Case::createProject:
        return reportStep(TemplateTreeCopier(fs()).createProject(
            remediation.projectTemplate(), remediation.destinationPath(), BundledResources::ofRunningApplication(fs())));
    case Case::installSkill: return installSkill(*remediation.skill());
    case Case::addMCPServer: return addMCPServer(*remediation.server(), remediation.apiKey());
    case Case::documentEnvironment: return reportStep(AgentEnvDoc(fs()).documentEnvironment());
    default:
        break;
    }
    return 1;
}

Ending SetupRemediationRunner::Run::installSkill(const AgentSkill& skill) const
{
    const std::optional<bool> installed =
        SkillFolderInstaller(fs()).install(skill, BundledResources::ofRunningApplication(fs()), *runner.services_.process,
                                           stop, [this](const QString& line) { say(line); });
    if (!installed)
        return std::nullopt;
    return *installed ? 0 : 1;
}

bool SetupRemediationRunner::Run::claudeCommandAvailable() const
{
    for (const char* path : {"/opt/homebrew/bin/claude", "/usr/local/bin/claude"})
        if (fs().fileExists(QString::fromLatin1(path)))
            return true;
    // Quietly: whether the login shell finds it is all that matters here.
    const auto found = runner.services_.process->run(kZsh, {QStringLiteral("-lc"), QStringLiteral("command -v claude")},
                                                     currentEnvironment(), stop);
    return found && found->exitCode == 0;
}

Ending SetupRemediationRunner::Run::addMCPServer(const MCPServer& server, const std::optional<QString>& apiKey) const
{
    const QString url = server.urlWithKey(apiKey);
    const MCPConfigWriter writer(fs());
    const bool claudeFolder = fs().fileExists(QDir(fs().homeDirectory()).filePath(QStringLiteral(".claude")));
    const bool claude = claudeCommandAvailable();
    if (stopped())
        return std::nullopt;

    bool failed = false;
    if (claude) {
        say(QStringLiteral("Adding ") + server.displayName + s(u" to Claude Code…"));
        const int32_t code = shell(MCPConfigWriter::claudeRegistrationCommand(server.slug, url));
        if (stopped())
            return std::nullopt;
        failed = code != 0;
    } else if (claudeFolder) {
        say(s(u"Claude Code CLI isn't on your PATH — skipping it for ") + server.displayName + u'.');
    }

    const CodexWriteResult codex = writer.writeCodexConfig(server.slug, url);
    sayAll(codex.messages);
    failed = failed || (codex.handled && !codex.ok);

    const bool desktop = fs().fileExists(writer.claudeDesktopSupportDirectory());
    if (!codex.handled && !desktop && !claude) {
        say(s(u"No AI agent is set up yet — nothing to configure ") + server.displayName + s(u" for."));
        return failed ? 1 : 0;
    }
    if (desktop)
        say(s(u"For Claude Desktop’s Chat, add ") + server.displayName +
            s(u" under Settings → Connectors — the Code tab already has it."));
    if (server.signsInWithOAuth() && !failed)
        say(QStringLiteral("Sign in to ") + server.displayName +
            QStringLiteral(" inside Claude or Codex, then restart it to finish."));
    return failed ? 1 : 0;
}

Ending SetupRemediationRunner::Run::repairPath(const QString& directory) const
{
    const QString escaped = doubleQuotedShellText(directory);
    auto appended = appendToZprofile(QStringLiteral("export PATH=\"") + escaped + QStringLiteral(":$PATH\""),
                                     QStringLiteral("Claude Code PATH"), escaped, false);
    if (!appended) {
        say(QStringLiteral("Couldn't update ~/.zprofile: ") + appended.error().localizedDescription());
        return 1;
    }
    if (appended->alreadySet)
        say(u'`' + directory + s(u"` is already on your PATH in ~/.zprofile \u2014 nothing to do."));
    else
        say(QStringLiteral("Added `") + directory + QStringLiteral("` to your PATH in ~/.zprofile (backup at ") +
            appended->backupPath + QStringLiteral(")."));
    return 0;
}

Ending SetupRemediationRunner::Run::repairHomebrewPath() const
{
    const std::optional<QString> brew = installedBrew(fs());
    if (!brew) {
        say(s(u"Homebrew isn't installed yet \u2014 nothing to repair."));
        return 1;
    }
    auto appended = appendToZprofile(QStringLiteral("eval \"$(") + *brew + QStringLiteral(" shellenv)\""),
                                     QStringLiteral("Homebrew shellenv"), QStringLiteral("brew shellenv"), true);
    if (!appended) {
        say(QStringLiteral("Couldn't update ~/.zprofile: ") + appended.error().localizedDescription());
        return 1;
    }
    if (appended->alreadySet)
        say(s(u"Homebrew's shellenv is already active in ~/.zprofile \u2014 re-checking in a fresh shell."));
    else
        say(QStringLiteral("Added Homebrew to your PATH in ~/.zprofile (backup at ") + appended->backupPath +
            QStringLiteral(")."));
    return 0;
}

Ending SetupRemediationRunner::Run::configureShell() const
{
    const ShellConfigurator::Outcome outcome = configurator().configureShell();
    sayAll(outcome.messages);
    return outcome.succeeded ? 0 : 1;
}

Ending SetupRemediationRunner::Run::installUv() const
{
    say(s(u"Installing uv (Astral's installer)\u2026"));
    const int32_t code =
        shell(QStringLiteral("curl -LsSf ") + hosts::uvInstallScript() + QStringLiteral(" | sh -s -- --no-modify-path"));
    if (code != 0 || stopped())
        return code;
    say(configurator().configureUvPath());
    say(s(u"Installing the latest Python with uv\u2026"));
    return shell(QStringLiteral("uv python install --default"));
}

Ending SetupRemediationRunner::Run::installRustup() const
{
    say(s(u"Installing rustup and the stable Rust toolchain\u2026"));
    const int32_t code = shell(QStringLiteral("curl --proto '=https' --tlsv1.2 -sSf ") + hosts::rustupInstallScript() +
                               QStringLiteral(" | sh -s -- -y --no-modify-path"));
    if (code == 0 && !stopped())
        say(configurator().configureCargoPath());
    return code;
}

Ending SetupRemediationRunner::Run::installMiseTool(const MiseRow& row) const
{
    const QString tool = QString::fromUtf8(row.tool);
    say(QStringLiteral("Running mise use -g ") + tool + s(u"\u2026"));
    QString command = QStringLiteral("mise use -g ") + tool;
    if (row.preparation)
        command = QString::fromUtf8(row.preparation) + QStringLiteral(" && ") + command;
    return shell(command);
}

Ending SetupRemediationRunner::Run::configureGit(const QString& name, const QString& email) const
{
    say(s(u"Saving your Git name and email\u2026"));
    const QStringList commands{
        QStringLiteral("git config --global user.name ") + ScriptQuoting::shellQuoted(name),
        QStringLiteral("git config --global user.email ") + ScriptQuoting::shellQuoted(email),
        QStringLiteral("git config --global init.defaultBranch main"),
        QStringLiteral("git config --global push.autoSetupRemote true"),
    };
    const int32_t code = shell(commands.join(QStringLiteral(" && ")));
    if (code == 0)
        say(QStringLiteral("Saved to ~/.gitconfig."));
    return code;
}

Ending SetupRemediationRunner::Run::githubAuth() const
{
    say(s(u"Starting GitHub sign-in\u2026"));
    // gh prints the one-time code ("! First copy your one-time code: ABCD-1234")
    // and, without a terminal, the address to open instead of opening it.
    static const QRegularExpression codePattern(QStringLiteral("[A-Z0-9]{4}-[A-Z0-9]{4}"));
    static const QRegularExpression devicePage(QStringLiteral("https://") +
                                               QRegularExpression::escape(hosts::githubHostName()) +
                                               QStringLiteral("/login/device"));
    std::optional<QString> code;
    bool browserRequested = false;
    shell(QStringLiteral("gh auth login --web --git-protocol https --hostname ") + hosts::githubHostName() +
              QStringLiteral(" --skip-ssh-key"),
          [&](const QString& line) {
              if (!code && line.toLower().contains(QStringLiteral("code"))) {
                  const auto match = codePattern.match(line);
                  if (match.hasMatch())
                      code = match.captured();
              }
              if (!browserRequested) {
                  const auto match = devicePage.match(line);
                  if (match.hasMatch()) {
                      browserRequested = true;
                      sink(Event::openBrowser(match.captured(), code));
                  }
              }
          });
    if (stopped())
        return std::nullopt;
    // gh's own exit code says little (it fails when the user closes the page
    // but signed in elsewhere); the status check decides.
    if (shell(QStringLiteral("gh auth status >/dev/null 2>&1")) != 0) {
        say(QStringLiteral("GitHub sign-in not completed. You can finish anytime by running `gh auth login` in your "
                           "terminal."));
        return 1;
    }
    shell(QStringLiteral("gh auth setup-git"));
    say(s(u"Signed in to GitHub. Git is ready \u2014 pushes won't ask for a password."));
    return 0;
}

Ending SetupRemediationRunner::Run::forward(const std::function<void(const StreamSink&)>& work) const
{
    Ending ending = -1;  // an installer that ends without a word never ran
    work([&](const StreamEvent& event) {
        switch (event.kind) {
        case StreamEvent::Kind::output: say(event.text); break;
        case StreamEvent::Kind::completed: ending = event.exitCode; break;
        case StreamEvent::Kind::canceled: ending = std::nullopt; break;
        }
    });
    return ending;
}

Ending SetupRemediationRunner::Run::installCommandLineTools() const
{
    if (fs().fileExists(kCommandLineTools + QStringLiteral("/usr/bin/clang")) || fs().fileExists(kCommandLineTools))
        return 0;
    // softwareupdate needs root: the script runs under sudo, which asks
    // through the password dialog.
    auto session = executor().prepare(s(u"Enter your Mac password to install Apple's Command Line Tools."));
    if (!session) {
        say(QStringLiteral("Couldn't start the install: ") + session.error().localizedDescription());
        return -1;
    }
    say(s(u"Installing Apple's Command Line Tools… macOS will ask for your password once. The download can take "
          u"several minutes — please keep this window open."));
    std::optional<int32_t> code;
    std::optional<QString> launchFailure;
    InstallTranscript transcript;
    runner.services_.process->stream(
        QStringLiteral("/usr/bin/sudo"), {QStringLiteral("-A"), QStringLiteral("/bin/bash"), QStringLiteral("-c"), kCommandLineToolsScript},
        session->childEnvironment(currentEnvironment()),
        [&](const ProcessStreamEvent& event) {
            switch (event.kind) {
            case ProcessStreamEvent::Kind::line:
                transcript.add(event.text);
                say(event.text);
                break;
            case ProcessStreamEvent::Kind::exited: code = event.code; break;
            case ProcessStreamEvent::Kind::failedToStart:
                if (!event.error.isCanceled())
                    launchFailure = event.error.message;
                break;
            }
        },
        stop);
    if (stopped())
        return std::nullopt;
    if (launchFailure || !code) {
        say(QStringLiteral("Couldn't start the install: ") + launchFailure.value_or(QStringLiteral("no exit status")));
        return -1;
    }
    // A dismissed dialog or three wrong passwords: sudo never ran the script,
    // and the person chose not to go on, as with Homebrew's installer.
    if (*code != 0 && transcript.containsAny(InstallTranscript::authenticationFailed()))
        return std::nullopt;
    say(*code == 0 ? QStringLiteral("Command Line Tools installed.")
                   : QStringLiteral("The Command Line Tools install did not complete. You can retry."));
    return code;
}

Ending SetupRemediationRunner::Run::installHomebrew() const
{
    const HomebrewInstaller installer(*runner.services_.process, fs(), executor(), runner.product_.shellMarker);
    return forward([&](const StreamSink& sink) { installer.install(stop, sink); });
}

std::optional<BrewRunner> SetupRemediationRunner::Run::brewRunner() const
{
    if (!runner.brewPath_) {
        say(s(u"Homebrew isn't available yet — install Homebrew first."));
        return std::nullopt;
    }
    return BrewRunner(*runner.brewPath_, *runner.services_.process, *runner.services_.http, fs(), executor(),
                      {runner.product_.cacheDirName});
}

Ending SetupRemediationRunner::Run::installCask(const CaskRow& row) const
{
    const std::optional<BrewRunner> brew = brewRunner();
    if (!brew)
        return -1;
    const QString cask = QString::fromUtf8(row.cask);
    const AdoptiumAPI adoptium(*runner.services_.http);
    const CaskRecoveryPolicy policy =
        row.kind == Case::installTemurin ? CaskRecoveryPolicy::temurin(adoptium, fs()) : CaskRecoveryPolicy::none();
    const Ending ending =
        forward([&](const StreamSink& sink) { brew->installCask(cask, passwordPrompt, policy, stop, sink); });
    if (ending != 0 || stopped())
        return ending;
    if (row.kind == Case::installClaudeCLI)
        enableClaudeAutoUpdate();
    else if (row.kind == Case::installTemurin)
        setJavaHome();
    return ending;
}

void SetupRemediationRunner::Run::enableClaudeAutoUpdate() const
{
    auto appended = appendToZprofile(QStringLiteral("export CLAUDE_CODE_PACKAGE_MANAGER_AUTO_UPDATE=1"),
                                     QStringLiteral("Claude Code auto-update"),
                                     QStringLiteral("CLAUDE_CODE_PACKAGE_MANAGER_AUTO_UPDATE"), false);
    if (!appended)
        say(QStringLiteral("Couldn't enable Claude Code auto-update: ") + appended.error().localizedDescription());
    else if (appended->alreadySet)
        say(QStringLiteral("Claude Code auto-update is already enabled in ~/.zprofile."));
    else
        say(QStringLiteral("Enabled Claude Code auto-update in ~/.zprofile (backup at ") + appended->backupPath +
            QStringLiteral(")."));
}

void SetupRemediationRunner::Run::setJavaHome() const
{
    // macOS finds `java` through /usr/bin/java on its own; JAVA_HOME is for
    // the build tools that ask for it.
    const ZprofileWriter writer(fs(), runner.product_.shellMarker);
    const DiffPreview preview = writer.javaHomePreview(false);
    if (preview.alreadySet) {
        say(QStringLiteral("JAVA_HOME is already set in ~/.zprofile."));
        return;
    }
    auto applied = writer.apply(preview);
    if (!applied)
        say(QStringLiteral("Couldn't set JAVA_HOME: ") + applied.error().localizedDescription());
    else
        say(QStringLiteral("Set JAVA_HOME in ~/.zprofile (macOS finds `java` on its own; backup at ") +
            applied->backupPath + QStringLiteral(")."));
}

Ending SetupRemediationRunner::Run::installFormula(const QString& formula) const
{
    const std::optional<BrewRunner> brew = brewRunner();
    if (!brew)
        return -1;
    return forward([&](const StreamSink& sink) { brew->installFormula(formula, stop, sink); });
}

Ending SetupRemediationRunner::Run::afterInstallMise(Ending formula) const
{
    if (formula && *formula == 0 && !stopped())
        sayAll(configurator().configureMise());
    return formula;
}

}  // namespace varnel
