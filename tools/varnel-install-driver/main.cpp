// varnel-install-driver: runs one privileged installer of the assistant
// directly, without the window, and prints its events one a line, for the
// end-to-end tests in the simulated Mac. It uses the live services and the
// command-line product's texts exactly as the application does.
//
//   varnel-install-driver homebrew
//   varnel-install-driver formula NAME
//   varnel-install-driver cask NAME [--prompt TEXT]      (temurin, temurin@N: the Temurin recovery policy)
//   varnel-install-driver pkg MAJOR [--prompt TEXT]      (Temurin from Adoptium through /usr/sbin/installer)
//   varnel-install-driver action ID [--git-name N] [--git-email E] [--key K] [--folder PATH]
//                                                       (one setup action through the app's runner)
//   options: --brew PATH  --adoptium URL  --retry-pause-ms N
//
// Output: "output: TEXT", then one terminal line: "completed: CODE" or
// "canceled" (pkg: "fetching", "slow-response", "downloading: N/TOTAL",
// "verifying", "installing", then "completed", "canceled" or "error: TEXT").
// SIGINT or SIGTERM stops the run the way the Cancel button does.
// Exit status: 0 completed with 0, 3 canceled, 1 anything else, 2 usage error.

#include "app/CommandLineProduct.h"
#include "engine/config/ProductConfig.h"
#include "engine/probing/HomebrewLocations.h"
#include "engine/remediation/AdoptiumAPI.h"
#include "engine/remediation/BrewRunner.h"
#include "engine/remediation/HomebrewInstaller.h"
#include "engine/remediation/PKGInstaller.h"
#include "engine/remediation/PrivilegedExecutor.h"
#include "engine/remediation/SetupRemediationRunner.h"
#include "engine/services/AppServices.h"
#include "tools/common/LiveSetupRunner.h"
#include "tools/common/StopSignal.h"

#include <QCoreApplication>
#include <QStringList>

#include <chrono>
#include <cstdio>

namespace {

using namespace varnel;

constexpr int kCanceled = 3;
constexpr int kUsageError = 2;

void say(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

int usage()
{
    std::fputs("usage: varnel-install-driver homebrew | formula NAME | cask NAME [--prompt TEXT] | pkg MAJOR [--prompt TEXT]"
               "\n       | action ID [--git-name N] [--git-email E] [--key K] [--folder PATH]\n"
               "       [--brew PATH] [--adoptium URL] [--retry-pause-ms N]\n",
               stderr);
    return kUsageError;
}

struct StreamOutcome {
    int status = 1;
    StreamSink sink()
    {
        return [this](const StreamEvent& e) {
            switch (e.kind) {
            case StreamEvent::Kind::output:
                say(QStringLiteral("output: ") + e.text);
                break;
            case StreamEvent::Kind::completed:
                say(QStringLiteral("completed: %1").arg(e.exitCode));
                status = e.exitCode == 0 ? 0 : 1;
                break;
            case StreamEvent::Kind::canceled:
                say(QStringLiteral("canceled"));
                status = kCanceled;
                break;
            }
        };
    }
};

QString packageEventText(const PKGInstaller::Event& e)
{
    using Kind = PKGInstaller::Event::Kind;
    switch (e.kind) {
    case Kind::fetching: return QStringLiteral("fetching");
    case Kind::slowResponse: return QStringLiteral("slow-response");
    case Kind::downloading:
        return QStringLiteral("downloading: %1/%2").arg(e.bytesReceived).arg(e.totalBytes ? QString::number(*e.totalBytes) : QStringLiteral("?"));
    case Kind::verifying: return QStringLiteral("verifying");
    case Kind::installing: return QStringLiteral("installing");
    case Kind::completed: return QStringLiteral("completed");
    case Kind::canceled: return QStringLiteral("canceled");
    case Kind::error: return QStringLiteral("error: ") + e.message;
    }
    return {};
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ProductConfig::setCurrent(products::commandLine());
    const auto product = ProductConfig::current();
    const AppServices& services = AppServices::live();

    QStringList args = app.arguments().mid(1);
    auto option = [&](const QString& name) -> std::optional<QString> {
        const qsizetype i = args.indexOf(name);
        if (i < 0 || i + 1 >= args.size())
            return std::nullopt;
        const QString value = args.at(i + 1);
        args.remove(i, 2);
        return value;
    };
    const QString prompt = option(QStringLiteral("--prompt")).value_or(product->displayName);
    const std::optional<QString> brewOption = option(QStringLiteral("--brew"));
    const QString adoptiumBase = option(QStringLiteral("--adoptium")).value_or(QString());
    const int retryPauseMs = option(QStringLiteral("--retry-pause-ms")).value_or(QStringLiteral("2000")).toInt();
    SetupRemediation::Inputs inputs;
    inputs.gitName = option(QStringLiteral("--git-name")).value_or(QString());
    inputs.gitEmail = option(QStringLiteral("--git-email")).value_or(QString());
    inputs.apiKey = option(QStringLiteral("--key"));
    inputs.projectFolder = option(QStringLiteral("--folder"));
    if (args.isEmpty())
        return usage();
    const QString command = args.takeFirst();

    const StopSignal stop;

    const PrivilegedExecutor executor(*services.fs, product->displayName);
    const AdoptiumAPI adoptium(*services.http, adoptiumBase);

    if (command == QLatin1String("homebrew") && args.isEmpty()) {
        StreamOutcome outcome;
        HomebrewInstaller(*services.processRunner, *services.fs, executor, product->shellMarker())
            .install(stop.token(), outcome.sink());
        return outcome.status;
    }
    if ((command == QLatin1String("formula") || command == QLatin1String("cask")) && args.size() == 1) {
        const std::optional<QString> brew = brewOption ? brewOption : installedBrew(*services.fs);
        if (!brew) {
            say(QStringLiteral("output: Homebrew isn't available yet — install Homebrew first."));
            say(QStringLiteral("completed: -1"));
            return 1;
        }
        BrewRunner::Options options;
        options.packageFolderName = product->cacheDirName;
        options.retryPause = std::chrono::milliseconds(retryPauseMs);
        const BrewRunner runner(*brew, *services.processRunner, *services.http, *services.fs, executor, options);
        StreamOutcome outcome;
        const QString name = args.first();
        if (command == QLatin1String("formula")) {
            runner.installFormula(name, stop.token(), outcome.sink());
        } else {
            const bool temurin = name == QLatin1String("temurin") || name.startsWith(QLatin1String("temurin@"));
            const CaskRecoveryPolicy policy =
                temurin ? CaskRecoveryPolicy::temurin(adoptium, *services.fs) : CaskRecoveryPolicy::none();
            runner.installCask(name, prompt, policy, stop.token(), outcome.sink());
        }
        return outcome.status;
    }
    if (command == QLatin1String("pkg") && args.size() == 1) {
        PKGInstaller::Options options;
        options.packageFolderName = product->cacheDirName;
        int status = 1;
        PKGInstaller(*services.processRunner, *services.http, *services.fs, adoptium, options)
            .install(args.first(), prompt, stop.token(), [&status](const PKGInstaller::Event& e) {
                say(packageEventText(e));
                if (e.kind == PKGInstaller::Event::Kind::completed)
                    status = 0;
                else if (e.kind == PKGInstaller::Event::Kind::canceled)
                    status = kCanceled;
            });
        return status;
    }
    if (command == QLatin1String("action") && args.size() == 1) {
        const auto remediation = SetupRemediation::fromID(args.first(), inputs);
        if (!remediation) {
            std::fprintf(stderr, "no setup action is called %s\n", qPrintable(args.first()));
            return kUsageError;
        }
        const SetupRemediationRunner runner = liveSetupRunner(services, *product, brewOption);
        int status = 1;
        runner.run(*remediation, prompt, stop.token(), [&status](const SetupRemediationRunner::Event& e) {
            using Kind = SetupRemediationRunner::Event::Kind;
            switch (e.kind) {
            case Kind::output: say(QStringLiteral("output: ") + e.text); break;
            case Kind::openBrowser:
                say(QStringLiteral("open-browser: ") + e.text + QStringLiteral(" ") + e.code.value_or(QString()));
                break;
            case Kind::completed:
                say(QStringLiteral("completed: %1").arg(e.exitCode));
                status = e.exitCode == 0 ? 0 : 1;
                break;
            case Kind::canceled:
                say(QStringLiteral("canceled"));
                status = kCanceled;
                break;
            }
        });
        return status;
    }
    return usage();
}
