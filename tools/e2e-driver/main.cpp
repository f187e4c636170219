// varnel-e2e-driver: drives the real window from consent to the diagnosis
// summary, the way a person would, for the end-to-end tests in the simulated
// Mac. It builds the root view with the live services exactly as the
// application does (only the settings live in a temporary file, so consent
// always starts fresh), clicks through by accessibility identifier, checks
// the summary lines and saves a screenshot.
//
//   varnel-e2e-driver --screenshot FILE.png [--expect LINE]… [--timeout SECONDS] [--continue]
//
// With --continue it then presses the summary's "Continue" and names the
// screen that follows ("next: readiness-warning" with its texts, or
// "next: stage-<domain>").
//
// Exit status 0 when the summary shows exactly the expected lines (in order),
// 1 when anything else happened, 2 for a usage error.

#include "app/CommandLineProduct.h"
#include "engine/services/AppServices.h"
#include "engine/config/ProductConfig.h"
#include "engine/services/LiveKeyValueStore.h"
#include "engine/telemetry/TelemetryService.h"
#include "ui/VarnelRootView.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
#include <functional>
#include <memory>

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

struct Options {
    QString screenshot;
    QStringList expected;
    int timeoutMs = 60'000;
    bool continuePastSummary = false;
};

std::optional<Options> parse(const QStringList& arguments)
{
    Options options;
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
        else
            return std::nullopt;
    }
    if (options.screenshot.isEmpty() || options.timeoutMs <= 0)
        return std::nullopt;
    return options;
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
        std::fputs("usage: varnel-e2e-driver --screenshot FILE.png [--expect LINE]… [--timeout SECONDS] [--continue]\n",
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

    QDir().mkpath(QFileInfo(options->screenshot).absolutePath());
    const bool saved = window.grab().save(options->screenshot);
    say(saved ? QStringLiteral("screenshot: ") + options->screenshot
              : QStringLiteral("FAIL: could not save the screenshot ") + options->screenshot);

    if (lines != options->expected) {
        say(QStringLiteral("FAIL: expected the summary lines"));
        for (const QString& line : options->expected)
            say(QStringLiteral("      ") + line);
        return 1;
    }
    if (saved && options->continuePastSummary)
        return continuePastSummary(&window, timeout) ? 0 : 1;
    return saved ? 0 : 1;
}
