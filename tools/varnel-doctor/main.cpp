// varnel-doctor: what the diagnosis screen would show for this Mac, without
// the window; with --list-fixes the fixes its stages offer, and with --fix
// those fixes run the way the progress screen runs them. Exit status: 0 when
// every primary stage is ready (every fix succeeded), 1 when not (a fix
// failed), 2 for a usage error or a refused fix, 130 when stopped.

#include "app/CommandLineProduct.h"
#include "engine/config/ProductConfig.h"
#include "engine/probing/HomebrewLocations.h"
#include "engine/services/AppServices.h"
#include "engine/workflow/SetupBatchRules.h"
#include "tools/common/LiveSetupRunner.h"
#include "tools/common/StopSignal.h"
#include "tools/varnel-doctor/DoctorCommandLine.h"
#include "tools/varnel-doctor/DoctorFixPlan.h"
#include "tools/varnel-doctor/DoctorFixRun.h"
#include "tools/varnel-doctor/DoctorProbe.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

using namespace varnel;

constexpr int kUsageError = 2;

void write(FILE* stream, const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

int refuse(const QString& why)
{
    write(stderr, "varnel-doctor: " + why.toUtf8() + "\n");
    return kUsageError;
}

// The terminal's settings while a key is typed without echo, put back
// should Ctrl-C end the program meanwhile.
termios typingSettings{};

extern "C" void restoreTerminalAndStop(int)
{
    tcsetattr(STDIN_FILENO, TCSANOW, &typingSettings);
    _exit(130);
}

// One line of standard input; on a terminal it is not echoed, since it is a key.
std::optional<QString> readSecretLine(const QString& prompt)
{
    const bool terminal = isatty(STDIN_FILENO);
    if (terminal) {
        write(stderr, prompt.toUtf8());
        tcgetattr(STDIN_FILENO, &typingSettings);
        std::signal(SIGINT, restoreTerminalAndStop);
        termios quiet = typingSettings;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string text;
    const bool got = static_cast<bool>(std::getline(std::cin, text));
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &typingSettings);
        std::signal(SIGINT, SIG_DFL);
        write(stderr, "\n");
    }
    if (!got)
        return std::nullopt;
    return QString::fromStdString(text).remove(u'\r');
}

// The API keys by server slug, from the variables and lines the command line names.
std::optional<std::map<QString, QString>> readKeys(const DoctorCommandLine& line, QString& why)
{
    std::map<QString, QString> keys;
    for (const auto& [slug, variable] : line.mcpKeyEnv) {
        if (!qEnvironmentVariableIsSet(variable.toLocal8Bit().constData())) {
            why = QStringLiteral("The variable %1 for %2's API key is not set.").arg(variable, slug);
            return std::nullopt;
        }
        keys[slug] = qEnvironmentVariable(variable.toLocal8Bit().constData()).trimmed();
    }
    for (const QString& slug : line.mcpKeyStdin) {
        const auto key = readSecretLine(QStringLiteral("API key for %1: ").arg(slug));
        if (!key) {
            why = QStringLiteral("Standard input ended before %1's API key.").arg(slug);
            return std::nullopt;
        }
        keys[slug] = key->trimmed();
    }
    for (const auto& [slug, key] : keys) {
        if (DoctorCommandLine::breaksLine(key)) {
            why = QStringLiteral("The API key for %1 must fit on one line.").arg(slug);
            return std::nullopt;
        }
    }
    return keys;
}

// Lists the fixes and asks; nothing runs without a yes.
bool approved(const ProductConfig& config, const std::vector<SetupRemediation>& plan, const DoctorCommandLine& line)
{
    // Standard output carries only the run's events in JSON mode.
    FILE* out = line.json ? stderr : stdout;
    QByteArray text = "varnel-doctor will run, in this order:\n";
    int n = 0;
    for (const SetupRemediation& r : plan) {
        text += QStringLiteral("  %1. %2  [%3]\n").arg(++n).arg(r.title(), r.id()).toUtf8();
        if (const QString caption = DoctorFixPlan::caption(config, r); !caption.isEmpty())
            text += "     " + caption.toUtf8() + "\n";
    }
    write(out, text);
    if (line.yes)
        return true;
    if (!isatty(STDIN_FILENO)) {
        write(stderr, "varnel-doctor: not a terminal, so nobody can answer; add --yes to run these fixes. "
                      "Nothing was changed.\n");
        return false;
    }
    write(out, "Proceed? [y/N] ");
    std::string answer;
    std::getline(std::cin, answer);
    const QString reply = QString::fromStdString(answer).trimmed().toLower();
    if (reply == u"y" || reply == u"yes")
        return true;
    write(stderr, "Nothing was changed.\n");
    return false;
}

int fix(const DoctorCommandLine& line, const ProductConfig& config, const AppServices& services,
        const DoctorProbe::Findings& findings, const std::vector<SetupRemediation>& offered)
{
    // Refused before anyone is asked to type a key.
    if (const auto early = DoctorFixPlan::make(line, offered, {}); !early)
        return refuse(early.error());
    QString why;
    const auto keys = readKeys(line, why);
    if (!keys)
        return refuse(why);
    const auto plan = DoctorFixPlan::make(line, offered, *keys);
    if (!plan)
        return refuse(plan.error());
    if (!approved(config, *plan, line))
        return kUsageError;

    // After approval: Ctrl-C now stops the running fix as Cancel does.
    const StopSignal stop;
    const std::optional<QString> profiledBrew = findings.profile.homebrewPrefix;
    DoctorFixRun::Dependencies deps;
    // The runner is made anew for each fix, so that one that installs Homebrew
    // lets the next use it, as the app's re-probe between installs does.
    deps.run = [&services, &config, profiledBrew](const SetupRemediation& remediation, const QString& prompt,
                                                    std::stop_token token,
                                                    const EventSink<DoctorFixRun::Event>& sink) {
        liveSetupRunner(services, config, profiledBrew ? profiledBrew : installedBrew(*services.fs))
            .run(remediation, prompt, token, sink);
    };
    deps.passwordPrompt = [&config](const SetupRemediation& remediation) {
        return SetupBatchRules::passwordPrompt(config.spinePolicy, config.displayName, remediation);
    };
    deps.openBrowser = [&services](const QString& url) {
        (void)services.processRunner->run(QStringLiteral("/usr/bin/open"), {url});
    };
    deps.write = [](const QByteArray& bytes) { write(stdout, bytes); };
    QStringList secrets;
    for (const auto& [slug, key] : *keys)
        secrets << key;
    return DoctorFixRun(std::move(deps), {line.json, line.raw, line.keepGoing, secrets}).run(*plan, stop.token());
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const auto parsed = DoctorCommandLine::parse(QCoreApplication::arguments().mid(1));
    if (!parsed) {
        write(stderr, "varnel-doctor: " + parsed.error().toUtf8() + "\n\n" + DoctorCommandLine::usage());
        return kUsageError;
    }
    const DoctorCommandLine& line = *parsed;
    if (line.mode == DoctorCommandLine::Mode::help) {
        write(stdout, DoctorCommandLine::usage());
        return 0;
    }

    // The same product, services and flow model as the application's window.
    ProductConfig::setCurrent(products::commandLine());
    const auto config = ProductConfig::current();
    const AppServices& services = AppServices::live();
    const DoctorProbe probe(config, services);
    if (line.mode == DoctorCommandLine::Mode::report) {
        const auto report = probe.run();
        if (!report) {
            write(stderr, "varnel-doctor: could not profile this Mac\n");
            return 1;
        }
        write(stdout, line.json ? report->toJsonText() : report->toText().toUtf8());
        return report->exitCode();
    }

    const auto findings = probe.look();
    if (!findings) {
        write(stderr, "varnel-doctor: could not profile this Mac\n");
        return 1;
    }
    const auto offered = DoctorFixPlan::offered(*config, *findings, *services.fs);
    if (line.mode == DoctorCommandLine::Mode::listFixes) {
        write(stdout, line.json ? QJsonDocument(DoctorFixPlan::listJson(*config, offered)).toJson()
                                : DoctorFixPlan::listText(*config, offered));
        return 0;
    }
    return fix(line, *config, services, *findings, offered);
}
