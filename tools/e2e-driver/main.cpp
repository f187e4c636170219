// varnel-e2e-driver: drives the real window from consent to the diagnosis
// summary, the way a person would, for the end-to-end tests in the simulated
// Mac. It builds the root view with the live services exactly as the
// application does (only the settings live in a temporary file, so consent
// always starts fresh), clicks through by accessibility identifier, checks
// the summary lines and saves a screenshot.
//
//   varnel-e2e-driver [--screenshot FILE.png] [--expect LINE]… [--timeout SECONDS] [--continue]
//                     [[--cancel-when REGEX] --install STAGE=ACTION]… [--progress-shots PREFIX]
//                     [--stall-after SECONDS]
//   varnel-e2e-driver --script FILE [--shots DIR]
//
// With --script it follows the journey the file describes from the first
// screen on (the commands are in JourneyScript.h), saving the `shot`s in DIR.
//
// With --continue it then presses the summary's "Continue" and names the
// screen that follows ("next: readiness-warning" with its texts, or
// "next: stage-<domain>").
//
// Each --install (which implies --continue) walks the workflow to the stage
// STAGE, pressing "Skip" on the stages before it, presses the action button
// "stage-action-ACTION", waits for the progress screen to end, prints what it
// showed ("output: …", "result: success|failure|canceled (code N)"), presses
// "Continue" and, once the Mac was probed again, names the step shown
// ("step: stage <domain>", "step: verifying", …) and the stage's verdict
// ("stage STAGE: ready"). With --progress-shots the progress screen is saved
// as PREFIX-STAGE-running.png (at the first output line, if still running)
// and PREFIX-STAGE-success.png or -failure.png when it has ended.
// --stall-after shortens the Command Line Tools stall notice's three minutes
// of silence; an install that shows it is saved as PREFIX-STAGE-stall.png,
// reported as "stall notice: …" and canceled.
//
// A readiness warning on the way is passed with its "Continue".
// --cancel-when REGEX applies to the --install after it: Cancel is pressed
// once a line of the progress screen's transcript matches (reported as
// "cancel at: LINE"), the way a person stops an install part-way.
//
// Exit status 0 when the summary shows exactly the expected lines (in order,
// when any are given) and every install reached its progress screen's end, 1
// when anything else happened, 2 for a usage error.

#include "app/CommandLineProduct.h"
#include "tools/e2e-driver/JourneyScript.h"
#include "engine/services/AppServices.h"
#include "engine/services/Background.h"
#include "engine/config/ProductConfig.h"
#include "engine/services/LiveKeyValueStore.h"
#include "engine/telemetry/TelemetryService.h"
#include "ui/SetupActionProgressView.h"
#include "ui/SetupWorkflowView.h"
#include "ui/VarnelRootView.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace {

using namespace varnel;

void say(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

// Turns the event loop until `condition` holds; false when the time ran out.
bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// The button a person would see and press; null when there is none to press.
QPushButton* visibleButton(QWidget* root, const QString& id)
{
    auto* button = root->findChild<QPushButton*>(id);
    return button && button->isVisible() && button->isEnabled() ? button : nullptr;
}

bool press(QWidget* root, const QString& id, int timeoutMs)
{
    QPushButton* button = nullptr;
    if (!waitFor([&] { return (button = visibleButton(root, id)) != nullptr; }, timeoutMs)) {
        say(QStringLiteral("FAIL: no visible button \"%1\"").arg(id));
        return false;
    }
    button->click();
    say(QStringLiteral("pressed %1").arg(id));
    return true;
}

// The summary lines as a person reads them, without the check mark or bullet.
QStringList summaryLines(QWidget* root)
{
    QStringList lines;
    auto* list = root->findChild<QWidget*>(QStringLiteral("diagnosis-lines"));
    if (!list)
        return lines;
    for (QLabel* label : list->findChildren<QLabel*>()) {
        if (!label->objectName().startsWith(u"summary-"))
            continue;
        QString text = label->text();
        for (const QString& mark : {QStringLiteral("✓"), QStringLiteral("•")})
            if (text.startsWith(mark))
                text = text.mid(mark.size());
        lines << text.trimmed();
    }
    return lines;
}

// "Continue" on the summary runs the readiness checks; what a person sees next
// is a readiness warning or the first stage.
bool continuePastSummary(QWidget* root, int timeoutMs)
{
    if (!press(root, QStringLiteral("diagnosis-continue"), timeoutMs))
        return false;
    QWidget* next = nullptr;
    const bool shown = waitFor(
        [&] {
            for (QWidget* widget : root->findChildren<QWidget*>()) {
                const QString name = widget->objectName();
                if (widget->isVisible() && (name == u"readiness-warning" || name.startsWith(u"stage-"))) {
                    next = widget;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    if (!shown) {
        say(QStringLiteral("FAIL: neither a readiness warning nor a stage followed the summary"));
        return false;
    }
    say(QStringLiteral("next: ") + next->objectName());
    if (next->objectName() == u"readiness-warning")
        for (QLabel* label : next->findChildren<QLabel*>())
            if (label->isVisible() && !label->text().isEmpty())
                say(QStringLiteral("readiness: ") + label->text());
    return true;
}

bool saveShot(QWidget* window, const QString& file)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    const bool saved = window->grab().save(file);
    say(saved ? QStringLiteral("screenshot: ") + file : QStringLiteral("FAIL: could not save the screenshot ") + file);
    return saved;
}

struct Install {
    QString stage;
    QString action;
    std::optional<QRegularExpression> cancelWhen;
};

// The first transcript line that matches the install's --cancel-when, if any.
std::optional<QString> cancelPoint(const Install& step, const SetupActionProgressView& progress)
{
    if (!step.cancelWhen)
        return std::nullopt;
    for (const QString& line : progress.lines())
        if (step.cancelWhen->match(line).hasMatch())
            return line;
    return std::nullopt;
}

struct Options {
    QString screenshot;
    QStringList expected;
    int timeoutMs = 60'000;
    bool continuePastSummary = false;
    std::vector<Install> installs;
    QString progressShots;
    QString script;
    QString scriptShots;
};

// The progress screen being shown, if any.
SetupActionProgressView* visibleProgress(QWidget* root)
{
    auto* view = root->findChild<SetupActionProgressView*>();
    return view && view->isVisible() ? view : nullptr;
}

// A readiness warning (a slow or unreachable network, a low disk) is passed
// with its Continue, as by a person who tries anyway.
bool passReadinessWarning(QWidget* window, SetupFlowModel& model, int timeout)
{
    using Kind = SetupFlowModel::Step::Kind;
    if (model.step().kind != Kind::readinessWarning)
        return true;
    if (!press(window, QStringLiteral("readiness-continue"), timeout))
        return false;
    if (!waitFor([&] { return !model.isBusy() && model.step().kind != Kind::readinessWarning; }, timeout)) {
        say(QStringLiteral("FAIL: Continue did not leave the readiness warning"));
        return false;
    }
    return true;
}

// Walks to the stage, presses its action and follows the progress screen to
// its end and the probe after it.
bool install(QWidget* window, SetupWorkflowView& workflow, const Install& step, const Options& options)
{
    const int timeout = options.timeoutMs;
    SetupFlowModel& model = workflow.model();
    const auto target = SetupFlowModel::Step::stage(step.stage);
    if (!passReadinessWarning(window, model, timeout))
        return false;
    for (int skipped = 0; model.step() != target; ++skipped) {
        if (model.step().kind != SetupFlowModel::Step::Kind::stage || skipped > 20) {
            say(QStringLiteral("FAIL: the workflow shows %1, not the stage %2").arg(JourneyScript::stepName(model.step()), step.stage));
            return false;
        }
        const QString from = JourneyScript::stepName(model.step());
        if (!press(window, QStringLiteral("stage-skip"), timeout))
            return false;
        if (!waitFor([&] { return !model.isBusy() && JourneyScript::stepName(model.step()) != from; }, timeout)) {
            say(QStringLiteral("FAIL: Skip did not leave the ") + from);
            return false;
        }
    }
    if (!press(window, QStringLiteral("stage-action-") + step.action, timeout))
        return false;
    SetupActionProgressView* progress = nullptr;
    if (!waitFor([&] { return (progress = visibleProgress(window)) != nullptr; }, timeout)) {
        say(QStringLiteral("FAIL: no progress screen after pressing the action"));
        return false;
    }
    if (auto* title = progress->findChild<QLabel*>(QStringLiteral("setup-action-title")))
        say(QStringLiteral("progress: ") + title->text());

    const QString shots = options.progressShots.isEmpty() ? QString() : options.progressShots + u'-' + step.stage;
    // The running screen once the program itself has printed (the first line
    // is the screen's own), a few frames later so that it is drawn.
    waitFor([&] { return !progress->isRunning() || progress->lines().size() > 1; }, timeout);
    waitFor([] { return false; }, 100);
    if (!shots.isEmpty() && progress->isRunning())
        saveShot(window, shots + QStringLiteral("-running.png"));

    // Cancel reports to the workflow at once, and the screen goes: what it
    // showed is read before.
    auto* stall = progress->findChild<QLabel*>(QStringLiteral("setup-action-stall"));
    std::optional<QString> cancelAt;
    waitFor([&] { return !progress->isRunning() || stall->isVisible() || (cancelAt = cancelPoint(step, *progress)); },
            timeout);
    QStringList lines;
    QString result;
    int32_t code = -1;
    if (progress->isRunning() && cancelAt) {
        say(QStringLiteral("cancel at: ") + *cancelAt);
        lines = progress->lines();
        if (!press(window, QStringLiteral("setup-action-cancel"), timeout))
            return false;
        result = QStringLiteral("canceled");
    } else if (progress->isRunning() && stall->isVisible()) {
        say(QStringLiteral("stall notice: ") + stall->text());
        if (!shots.isEmpty())
            saveShot(window, shots + QStringLiteral("-stall.png"));
        lines = progress->lines();
        if (!press(window, QStringLiteral("setup-action-cancel"), timeout))
            return false;
        result = QStringLiteral("canceled");
    } else {
        if (!waitFor([&] { return !progress->isRunning(); }, timeout)) {
            say(QStringLiteral("FAIL: the progress screen is still running"));
            return false;
        }
        lines = progress->lines();
        code = progress->exitCode().value_or(-1);
        result = progress->isCanceled() ? QStringLiteral("canceled")
                 : code == 0            ? QStringLiteral("success")
                                        : QStringLiteral("failure");
        if (!shots.isEmpty())
            saveShot(window, shots + u'-' + result + QStringLiteral(".png"));
        if (!press(window, QStringLiteral("setup-action-continue"), timeout))
            return false;
    }
    // While the Mac is probed again, the stage shown meanwhile takes no clicks.
    if (model.isBusy() && visibleButton(window, QStringLiteral("stage-skip"))) {
        say(QStringLiteral("FAIL: the stage takes clicks while the Mac is probed again"));
        return false;
    }
    for (const QString& line : lines)
        say(QStringLiteral("output: ") + line);
    say(QStringLiteral("result: %1 (code %2)").arg(result).arg(code));
    if (!waitFor([&] { return !model.isBusy() && !visibleProgress(window); }, timeout)) {
        say(QStringLiteral("FAIL: the Mac was not probed again after the install"));
        return false;
    }
    say(QStringLiteral("step: ") + JourneyScript::stepName(model.step()));
    if (const WorkflowStep* stage = model.stepFor(step.stage))
        say(QStringLiteral("stage %1: %2").arg(step.stage, toString(stage->stage->diagnosis().classification)));
    return true;
}

std::optional<Options> parse(const QStringList& arguments)
{
    Options options;
    std::optional<QRegularExpression> cancelWhen;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (a == u"--screenshot" && hasValue)
            options.screenshot = arguments[++i];
        else if (a == u"--expect" && hasValue)
            options.expected << arguments[++i];
        else if (a == u"--timeout" && hasValue)
            options.timeoutMs = arguments[++i].toInt() * 1000;
        else if (a == u"--continue")
            options.continuePastSummary = true;
        else if (a == u"--install" && hasValue && arguments[i + 1].contains(u'=')) {
            const QString spec = arguments[++i];
            const qsizetype equals = spec.indexOf(u'=');
            options.installs.push_back({spec.left(equals), spec.mid(equals + 1), std::exchange(cancelWhen, std::nullopt)});
            options.continuePastSummary = true;
        } else if (a == u"--cancel-when" && hasValue && QRegularExpression(arguments[i + 1]).isValid())
            cancelWhen = QRegularExpression(arguments[++i]);
        else if (a == u"--progress-shots" && hasValue)
            options.progressShots = arguments[++i];
        else if (a == u"--script" && hasValue)
            options.script = arguments[++i];
        else if (a == u"--shots" && hasValue)
            options.scriptShots = arguments[++i];
        else if (a == u"--stall-after" && hasValue && arguments[i + 1].toInt() > 0)
            SetupActionProgressView::setStallThresholdForTesting(std::chrono::seconds(arguments[++i].toInt()));
        else
            return std::nullopt;
    }
    if (!options.script.isEmpty())
        return options.screenshot.isEmpty() && options.installs.empty() && !cancelWhen ? std::optional(options)
                                                                                        : std::nullopt;
    if (options.timeoutMs <= 0 || cancelWhen || (options.screenshot.isEmpty() && options.installs.empty()))
        return std::nullopt;
    return options;
}

// The journey of a script file: 0 when every command did what it says, 1
// when one did not, 2 when the file cannot be read or understood.
int runScript(QWidget& window, VarnelRootView& root, const QString& path, const QString& shots)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        say(QStringLiteral("FAIL: cannot read the script ") + path);
        return 2;
    }
    QString error;
    const auto commands = JourneyScript::parse(QString::fromUtf8(file.readAll()), &error);
    if (!commands) {
        say(QStringLiteral("FAIL: %1: %2").arg(path, error));
        return 2;
    }
    JourneyScript journey(window, root, shots);
    return journey.run(*commands) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    // Nothing a test run does may reach the usage-event endpoint.
    if (qEnvironmentVariableIsEmpty("VARNEL_TELEMETRY_DISABLED"))
        qputenv("VARNEL_TELEMETRY_DISABLED", "1");
    QApplication application(argc, argv);
    const auto options = parse(QApplication::arguments().mid(1));
    if (!options) {
        std::fputs("usage: varnel-e2e-driver [--screenshot FILE.png] [--expect LINE]… [--timeout SECONDS] [--continue]\n"
                   "                         [[--cancel-when REGEX] --install STAGE=ACTION]… [--progress-shots PREFIX]\n"
                   "                         [--stall-after SECONDS]\n"
                   "       varnel-e2e-driver --script FILE [--shots DIR]\n",
                   stderr);
        return 2;
    }

    QTemporaryDir settingsDir;
    if (!settingsDir.isValid()) {
        say(QStringLiteral("FAIL: no temporary folder for the settings"));
        return 1;
    }
    // As the application's entry does it, with only the settings kept apart.
    ProductConfig::setCurrent(products::commandLine());
    AppServices services = AppServices::live();
    services.store = std::make_shared<LiveKeyValueStore>(settingsDir.filePath(QStringLiteral("settings.ini")));
    const std::shared_ptr<const ProductConfig> product = ProductConfig::current();
    TelemetryService::Configuration telemetry = TelemetryService::defaultConfiguration(
        {product->appID, product->appSupportDirName, product->sessionIDKey()});
    telemetry.kvStore = services.store;
    TelemetryService::configureShared(std::move(telemetry));

    // As the application's exit does: the window goes first (its screens stop
    // their work), then the workers may finish, so that a cancelled install
    // has wound down when the driver ends.
    struct WorkersFinish {
        ~WorkersFinish() { backgroundPool().waitForDone(5000); }
    } workersFinish;
    QWidget window;
    window.setObjectName(QStringLiteral("main-window"));
    window.setWindowTitle(ProductConfig::current()->displayName);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* root = new VarnelRootView(services);
    layout->addWidget(root);
    window.resize(720, 720);
    bool probed = false;
    QObject::connect(root, &VarnelRootView::startUpProbeFinished, [&probed] { probed = true; });
    window.show();
    if (!options->script.isEmpty())
        return runScript(window, *root, options->script, options->scriptShots);

    QElapsedTimer clock;
    clock.start();
    const int timeout = options->timeoutMs;
    if (!press(&window, QStringLiteral("consent-continue"), timeout))
        return 1;
    if (!waitFor([&] { return probed; }, timeout)) {
        say(QStringLiteral("FAIL: the start-up probe did not finish"));
        return 1;
    }
    say(QStringLiteral("start-up probe finished after %1 ms").arg(clock.elapsed()));
    if (!press(&window, QStringLiteral("welcome-diagnose-button"), timeout))
        return 1;
    clock.restart();
    if (!waitFor([&] { return visibleButton(&window, QStringLiteral("diagnosis-continue")) != nullptr; }, timeout)) {
        say(QStringLiteral("FAIL: the diagnosis summary did not appear"));
        return 1;
    }
    say(QStringLiteral("diagnosis summary after %1 ms").arg(clock.elapsed()));

    const QStringList lines = summaryLines(&window);
    for (const QString& line : lines)
        say(QStringLiteral("summary: ") + line);

    const bool saved = options->screenshot.isEmpty() || saveShot(&window, options->screenshot);

    if (!options->expected.isEmpty() && lines != options->expected) {
        say(QStringLiteral("FAIL: expected the summary lines"));
        for (const QString& line : options->expected)
            say(QStringLiteral("      ") + line);
        return 1;
    }
    if (!saved)
        return 1;
    if (options->continuePastSummary && !continuePastSummary(&window, timeout))
        return 1;
    auto* workflow = window.findChild<SetupWorkflowView*>();
    if (!options->installs.empty() && !workflow) {
        say(QStringLiteral("FAIL: no setup workflow on screen"));
        return 1;
    }
    for (const Install& step : options->installs)
        if (!install(&window, *workflow, step, *options))
            return 1;
    return 0;
}
