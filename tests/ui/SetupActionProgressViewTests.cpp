#include "app/CommandLineProduct.h"
#include "engine/telemetry/RemediationEvents.h"
#include "engine/telemetry/SetupEvents.h"
#include "support/FakeFileSystem.h"
#include "support/FakeProcessRunner.h"
#include "support/InMemoryKeyValueStore.h"
#include "support/TestSupport.h"
#include "ui/AppEnvironment.h"
#include "ui/SetupActionProgressView.h"
#include "ui/SetupWorkflowView.h"
#include "ui/UiStyle.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <thread>

using namespace varnel;
using namespace varnel::testing;
using Event = SetupActionProgressView::Event;
using ProgressOutcome = SetupActionProgressView::Outcome;

namespace {

const QString kLogin = QStringLiteral("ada");
QStringList opened;
void recordOpen(const QUrl& url) { opened << url.toString(); }

// What the fake runner does for an action, by its id.
struct Script {
    std::vector<Event> events;  // before the end
    int32_t code = 0;
    bool untilStopped = false;  // keeps running until stopped, then reports canceled
};

class ProgressScreenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ProductConfig::setCurrent(products::commandLine());
        previousOpener = ui::setURLOpener(&recordOpen);
        opened.clear();
    }
    void TearDown() override
    {
        ui::setURLOpener(previousOpener);
        SetupActionProgressView::setQuitConfirmationForTesting({});
    }

    SetupActionProgressView::Dependencies dependencies()
    {
        SetupActionProgressView::Dependencies deps;
        deps.run = [this](const SetupRemediation& r, const QString&, std::stop_token stop, const EventSink<Event>& sink) {
            const Script script = [&] {
                std::lock_guard guard(lock);
                started << r.id();
                return scripts[r.id()];
            }();
            std::for_each(script.events.begin(), script.events.end(), sink);
            while (script.untilStopped && !stop.stop_requested())
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            if (script.untilStopped) {
                std::lock_guard guard(lock);
                stopped << r.id();
            }
            sink(script.untilStopped ? Event::canceled() : Event::completed(script.code));
        };
        deps.track = [this](const TrackedEvent& e) { tracked.push_back(e); };
        deps.loginName = kLogin;
        return deps;
    }

    std::unique_ptr<SetupActionProgressView> show(std::vector<SetupRemediation> batch, bool continuesPastFailure)
    {
        auto view = std::make_unique<SetupActionProgressView>(
            QStringLiteral("Install languages"), std::move(batch), dependencies(), continuesPastFailure,
            [this](ProgressOutcome o) { outcomes.push_back(o); });
        view->resize(720, 720);
        view->show();
        return view;
    }

    static bool ended(const SetupActionProgressView& view) { return view.exitCode() || view.isCanceled(); }
    static QString shownText(const SetupActionProgressView& view)
    {
        return view.findChild<QPlainTextEdit*>(QStringLiteral("setup-action-transcript"))->toPlainText();
    }
    QStringList startedIDs()
    {
        std::lock_guard guard(lock);
        return started;
    }

    std::mutex lock;
    std::map<QString, Script> scripts;
    QStringList started, stopped;
    std::vector<TrackedEvent> tracked;
    std::vector<ProgressOutcome> outcomes;
    ui::URLOpener previousOpener = nullptr;
};

void click(QWidget* root, const QString& id)
{
    auto* button = findByID<QPushButton>(root, id);
    ASSERT_TRUE(button && button->isVisible()) << id.toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

}  // namespace

TEST_F(ProgressScreenTest, ActionsThatNeedAFailedMiseAreSkippedAndTheFirstFailureDecidesOrEndsTheBatch)
{
    scripts[QStringLiteral("brew:mise")] = {{Event::output(QStringLiteral("Error: mise: no bottle"))}, 3};
    scripts[QStringLiteral("uv")] = {{}, 5};
    const auto view = show({SetupRemediation::installMise(), SetupRemediation::installNodeViaMise(),
                            SetupRemediation::installUv(), SetupRemediation::installRubyViaMise()},
                           true);
    ASSERT_TRUE(waitUntil([&] { return ended(*view); }));

    EXPECT_EQ(startedIDs(), (QStringList{QStringLiteral("brew:mise"), QStringLiteral("uv")}));
    EXPECT_EQ(view->lines().filter(QStringLiteral("Skipping ")),
              (QStringList{QStringLiteral("Skipping Install Node (via mise) — it needs a step that didn't finish."),
                           QStringLiteral("Skipping Install Ruby (via mise) — it needs a step that didn't finish.")}));
    EXPECT_EQ(view->exitCode(), 3);
    // Skipped actions send nothing.
    EXPECT_EQ(tracked, (std::vector{events::remediationApplied(QStringLiteral("brew:mise"), QStringLiteral("brew"), kLogin),
                                    events::remediationFailed(QStringLiteral("brew:mise"), 3, QStringLiteral("nonzero_exit"), kLogin),
                                    events::remediationApplied(QStringLiteral("uv"), QStringLiteral("uv"), kLogin),
                                    events::remediationFailed(QStringLiteral("uv"), 5, QStringLiteral("nonzero_exit"), kLogin)}));
    EXPECT_FALSE(findByID<QPushButton>(view.get(), QStringLiteral("setup-action-cancel"))->isVisible());
    saveScreenshot(view.get(), QStringLiteral("progress-after-failure"));
    click(view.get(), QStringLiteral("setup-action-continue"));
    click(view.get(), QStringLiteral("setup-action-continue"));
    EXPECT_EQ(outcomes, std::vector{ProgressOutcome::failure});

    // A batch that does not continue past a failure ends at its first.
    started.clear();
    const auto stops = show({SetupRemediation::installUv(), SetupRemediation::installGh()}, false);
    ASSERT_TRUE(waitUntil([&] { return ended(*stops); }));
    QTest::qWait(50);
    EXPECT_EQ(startedIDs(), QStringList{QStringLiteral("uv")});
    EXPECT_EQ(stops->exitCode(), 5);
}

TEST_F(ProgressScreenTest, SuccessSendsTheProductEventsAndReturnContinuesWithSuccess)
{
    const QString directory = QStringLiteral("/Users/ada/.local/bin");
    scripts[QStringLiteral("path-repair:") + directory] = {{Event::output(QStringLiteral("Added it."))}, 0};
    const auto view = show({SetupRemediation::repairPath(directory), SetupRemediation::installClaudeDesktop()}, false);
    ASSERT_TRUE(waitUntil([&] { return ended(*view); }));
    EXPECT_EQ(view->exitCode(), 0);
    EXPECT_EQ(tracked[2], events::claudePathRepaired(directory, QStringLiteral("ada")));
    EXPECT_EQ(tracked.back(), events::claudeDesktopInstalled());
    saveScreenshot(view.get(), QStringLiteral("progress-after-success"));
    pressKey(view.get(), Qt::Key_Return);  // Continue
    EXPECT_EQ(outcomes, std::vector{ProgressOutcome::success});
}

TEST_F(ProgressScreenTest, EscapeCancelsTheRunningActionAndStartsNoOther)
{
    scripts[QStringLiteral("clt")] = {{Event::output(QStringLiteral("Downloading: 45.00%"))}, 0, true};
    const auto view = show({SetupRemediation::installCommandLineTools(), SetupRemediation::installHomebrew()}, true);
    ASSERT_TRUE(waitUntil([&] { return shownText(*view).contains(QStringLiteral("45.00%")); }));
    auto* bar = findByID<QProgressBar>(view.get(), QStringLiteral("setup-action-progress-bar"));
    EXPECT_EQ(bar->maximum() > 0 ? bar->value() * 100 / bar->maximum() : -1, 45);
    EXPECT_TRUE(findByID<QLabel>(view.get(), QStringLiteral("setup-action-status"))->isVisible());
    saveScreenshot(view.get(), QStringLiteral("progress-running"));

    pressKey(view.get(), Qt::Key_Escape);  // Cancel
    EXPECT_EQ(outcomes, std::vector{ProgressOutcome::canceled});  // at once, not when the program has gone
    ASSERT_TRUE(waitUntil([&] {
        std::lock_guard guard(lock);
        return stopped.contains(QStringLiteral("clt"));
    }));
    QTest::qWait(50);
    EXPECT_EQ(startedIDs(), QStringList{QStringLiteral("clt")});
    EXPECT_EQ(tracked, std::vector{events::remediationApplied(QStringLiteral("clt"), QStringLiteral("softwareupdate"), kLogin)});
}

TEST_F(ProgressScreenTest, GitHubSignInCopiesExactlyTheCodeAndOpensTheBrowserOnce)
{
    const QString url = QStringLiteral("https://github.com/login/device");
    scripts[QStringLiteral("git:gh-auth")] = {{Event::openBrowser(url, QStringLiteral("AB12-CD34"))}, 0};
    QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
    const auto view = show({SetupRemediation::githubAuth()}, false);
    ASSERT_TRUE(waitUntil([&] { return ended(*view); }));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("AB12-CD34"));
    EXPECT_EQ(opened, QStringList{url});
    EXPECT_TRUE(view->lines().contains(QStringLiteral(
        "Opened your browser. Your one-time code is AB12-CD34 (copied to the clipboard) — paste it and authorize.")));
}

TEST_F(ProgressScreenTest, HiddenLogLinesStayInTheTranscriptThatCopyOutputTakes)
{
    const QString logLine = QStringLiteral("2024-05-01 10:11:12.345 softwareupdated[123:456] scanning");
    scripts[QStringLiteral("homebrew")] = {{Event::output(QStringLiteral("==> Installing")), Event::output(logLine)}, 0};
    const auto view = show({SetupRemediation::installHomebrew()}, false);
    ASSERT_TRUE(waitUntil([&] { return ended(*view); }));
    EXPECT_EQ(view->lines(), (QStringList{QStringLiteral("==> Installing"), logLine}));
    EXPECT_EQ(shownText(*view), QStringLiteral("==> Installing"));
    click(view.get(), QStringLiteral("setup-action-copy"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), view->lines().join(u'\n'));
}

TEST_F(ProgressScreenTest, AGitNameWithALineBreakRunsNothing)
{
    const auto view = show({SetupRemediation::installGh(),
                            SetupRemediation::configureGit(QStringLiteral("Ada\nLovelace"), QStringLiteral("a@b.c"))},
                           false);
    ASSERT_TRUE(waitUntil([&] { return ended(*view); }));
    EXPECT_TRUE(startedIDs().isEmpty());
    EXPECT_TRUE(tracked.empty());
    EXPECT_EQ(view->exitCode(), 1);
    EXPECT_TRUE(shownText(*view).contains(QStringLiteral("one line")));
}

TEST_F(ProgressScreenTest, ASilentCommandLineToolsDownloadShowsTheStallNotice)
{
    SetupActionProgressView::setStallThresholdForTesting(std::chrono::milliseconds(100));
    scripts[QStringLiteral("clt")] = {{}, 0, true};
    const auto view = show({SetupRemediation::installCommandLineTools()}, false);
    auto* notice = findByID<QLabel>(view.get(), QStringLiteral("setup-action-stall"));
    ASSERT_TRUE(waitUntil([&] { return notice->isVisible(); }));
    saveScreenshot(view.get(), QStringLiteral("progress-stall"));
    click(view.get(), QStringLiteral("setup-action-cancel"));
}

TEST_F(ProgressScreenTest, ClosingTheWindowMidInstallAsksAndQuittingStopsLikeCancel)
{
    scripts[QStringLiteral("homebrew")] = {{}, 0, true};
    QWidget window;
    auto* view = new SetupActionProgressView(QStringLiteral("Homebrew"), {SetupRemediation::installHomebrew()},
                                             dependencies(), false, [this](ProgressOutcome o) { outcomes.push_back(o); }, &window);
    window.resize(720, 720);
    window.show();
    ASSERT_TRUE(waitUntil([&] { return !startedIDs().isEmpty(); }));

    SetupActionProgressView::setQuitConfirmationForTesting([] { return false; });
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(view->isRunning());

    SetupActionProgressView::setQuitConfirmationForTesting([] { return true; });
    EXPECT_TRUE(window.close());
    EXPECT_EQ(outcomes, std::vector{ProgressOutcome::canceled});
    EXPECT_TRUE(waitUntil([&] {
        std::lock_guard guard(lock);
        return stopped.contains(QStringLiteral("homebrew"));
    }));
}
