#include "app/CommandLineProduct.h"
#include "engine/services/LiveHTTPFetcher.h"
#include "support/FakeFileSystem.h"
#include "support/FakeProcessRunner.h"
#include "support/InMemoryKeyValueStore.h"
#include "support/LocalHttpServer.h"
#include "support/TestSupport.h"
#include "ui/AppEnvironment.h"
#include "ui/ConsentView.h"
#include "ui/NPSFeedbackCard.h"
#include "ui/NavigationStackView.h"
#include "ui/SetupWorkflowView.h"
#include "ui/UiStyle.h"
#include "ui/WelcomeView.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

using namespace varnel;
using namespace varnel::testing;
using Kind = SetupFlowModel::Step::Kind;

namespace {

void openNothing(const QUrl&) {}  // no test opens a real browser

class WorkflowScreenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetupFlowModel::resetNpsShownForTesting();
        NPSFeedbackCard::setThanksDelayForTesting(10);
        previousOpener = ui::setURLOpener(&openNothing);

        // Every readiness endpoint refuses: the port of a server that has gone.
        quint16 closedPort;
        {
            LocalHttpServer gone;
            closedPort = gone.port();
        }
        ProductConfig config = products::commandLine();
        const QUrl refused(QStringLiteral("http://127.0.0.1:%1/").arg(closedPort));
        config.spinePolicy.networkReadiness->endpoints = {refused, refused};
        ProductConfig::setCurrent(config);

        // A fresh Apple Silicon Mac whose login shell has git (the CLT check passes).
        const auto ok = [](QString out) { return ProcessResult{0, std::move(out), {}}; };
        runner->on(QStringLiteral("/bin/zsh -lc xcode-select -p 2>&1"), ok(QStringLiteral("/Library/Developer/CommandLineTools\n")));
        runner->on(QStringLiteral("/bin/zsh -lc git --version 2>&1"), ok(QStringLiteral("git version 2.39.5\n")));
        fs->setAvailableCapacity(24'000'000'000);

        AppServices services;
        services.processRunner = runner;
        services.fs = fs;
        services.http = std::make_shared<LiveHTTPFetcher>();
        services.store = store;
        services.isFixtureMode = false;
        environment = std::make_unique<AppEnvironment>(services);
        environment->setTracker([this](const TrackedEvent& e) { events << e.name; });
        environment->navigation().push(Screen::setupWorkflow());
    }

    void TearDown() override { ui::setURLOpener(previousOpener); }

    SetupFlowModel::Dependencies dependencies()
    {
        SetupFlowModel::Dependencies d;
        d.profileMac = [](const AppServices&, std::stop_token) -> std::optional<SystemProfile> {
            SystemProfile p;
            p.architecture = Architecture::appleSilicon;
            p.macosVersion = {15, 1, 0};
            return p;
        };
        return d;
    }

    template <typename T = QPushButton>
    T* control(QWidget* root, const QString& id)
    {
        // Steps are built as the model moves; give the worker threads time.
        T* found = nullptr;
        const auto visible = [&] {
            for (T* candidate : root->findChildren<T*>(id))
                if (candidate->isVisible())
                    return (found = candidate) != nullptr;
            return false;
        };
        if (!waitUntil(visible))
            ADD_FAILURE() << "no visible control " << id.toStdString();
        return found;
    }

    void click(QWidget* root, const QString& id)
    {
        QPushButton* button = control(root, id);
        ASSERT_NE(button, nullptr) << id.toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
    }

    QStringList visibleTexts(QWidget* root)
    {
        QStringList texts;
        for (QLabel* label : root->findChildren<QLabel*>())
            if (label->isVisible())
                texts << label->text();
        return texts;
    }

    ui::URLOpener previousOpener = nullptr;
    std::shared_ptr<FakeProcessRunner> runner = std::make_shared<FakeProcessRunner>();
    std::shared_ptr<FakeFileSystem> fs = std::make_shared<FakeFileSystem>();
    std::shared_ptr<InMemoryKeyValueStore> store = std::make_shared<InMemoryKeyValueStore>();
    std::unique_ptr<AppEnvironment> environment;
    QStringList events;
};

}  // namespace

TEST_F(WorkflowScreenTest, walksFromTheSummaryThroughEveryStepToTheScore)
{
    SetupWorkflowView view(*environment, dependencies());
    view.resize(720, 720);
    view.show();

    // The diagnosis summary of a fresh Mac.
    click(&view, QStringLiteral("diagnosis-continue"));
    ASSERT_EQ(view.model().step(), SetupFlowModel::Step::of(Kind::loading));

    // Readiness: the network warning first, then the disk warning.
    auto* stop = control(&view, QStringLiteral("readiness-stop"));
    ASSERT_NE(stop, nullptr);
    EXPECT_TRUE(visibleTexts(&view).contains(QStringLiteral("We can't reach the servers needed to install")));
    saveScreenshot(&view, QStringLiteral("workflow-readiness-network"));
    click(&view, QStringLiteral("readiness-continue"));
    ASSERT_TRUE(waitUntil([&] { return visibleTexts(&view).contains(QStringLiteral("Low on disk space")); }));
    saveScreenshot(&view, QStringLiteral("workflow-readiness-disk"));
    click(&view, QStringLiteral("readiness-continue"));

    // The primary stages, skipped one by one.
    ASSERT_TRUE(waitUntil([&] { return view.model().step() == SetupFlowModel::Step::stage(QStringLiteral("clt")); }));
    control(&view, QStringLiteral("stage-action-clt"));
    saveScreenshot(&view, QStringLiteral("workflow-stage-clt"));
    click(&view, QStringLiteral("stage-skip"));
    ASSERT_TRUE(waitUntil([&] { return view.model().step() == SetupFlowModel::Step::stage(QStringLiteral("shell-config")); }));
    click(&view, QStringLiteral("stage-skip"));
    ASSERT_TRUE(waitUntil([&] { return view.model().step() == SetupFlowModel::Step::stage(QStringLiteral("homebrew")); }));
    click(&view, QStringLiteral("stage-skip"));

    // Warp needs Homebrew, which this Mac lacks: the gate replaces the install button.
    ASSERT_TRUE(waitUntil([&] { return view.model().step() == SetupFlowModel::Step::stage(QStringLiteral("warp")); }));
    control(&view, QStringLiteral("install-homebrew-first"));
    EXPECT_EQ(view.findChild<QPushButton*>(QStringLiteral("stage-action-brew:warp")), nullptr);
    saveScreenshot(&view, QStringLiteral("workflow-stage-warp-gate"));
    click(&view, QStringLiteral("stage-skip"));

    // Verification passes (git answers in the login shell), then the gate.
    control(&view, QStringLiteral("keep-going"));
    saveScreenshot(&view, QStringLiteral("workflow-keep-going"));
    click(&view, QStringLiteral("finish-here"));

    // The outcome with its checklist, then the user's own report.
    control<QWidget>(&view, QStringLiteral("outcome-checklist"));
    control<QLabel>(&view, QStringLiteral("outcome-agent-suggestion"));
    // The checklist fills in once the login-shell checks are back.
    EXPECT_TRUE(waitUntil([&] { return visibleTexts(&view).contains(QStringLiteral("✓  Command Line Tools installed")); }));
    saveScreenshot(&view, QStringLiteral("workflow-outcome"));
    click(&view, QStringLiteral("outcome-resolved"));

    // The score: pick 9, give no reason, submit; the card thanks and the key is stored.
    control<QWidget>(&view, QStringLiteral("nps-card"));
    EXPECT_EQ(view.findChild<QPushButton*>(QStringLiteral("nps-submit"))->isVisible(), false);
    click(&view, QStringLiteral("nps-score-9"));
    saveScreenshot(&view, QStringLiteral("workflow-score"));
    click(&view, QStringLiteral("nps-submit"));
    control<QLabel>(&view, QStringLiteral("nps-thanks"));
    EXPECT_TRUE(store->boolValue(ProductConfig::current()->npsSubmittedKey()));
    EXPECT_TRUE(view.model().npsResolved());
    click(&view, QStringLiteral("nps-done"));
    EXPECT_TRUE(environment->navigation().path().isEmpty());

    const QStringList expected{QStringLiteral("diagnosis_reached"),    QStringLiteral("network_check"),
                               QStringLiteral("disk_space_check"),     QStringLiteral("network_warning_action"),
                               QStringLiteral("disk_warning_action"),  QStringLiteral("offer_shown"),
                               QStringLiteral("verify_passed"),        QStringLiteral("outcome_reported"),
                               QStringLiteral("nps_shown"),            QStringLiteral("nps_submitted")};
    EXPECT_EQ(events, expected);
}

TEST_F(WorkflowScreenTest, leavingTheScoreScreenTwiceDismissesOnce)
{
    auto* view = new SetupWorkflowView(*environment, dependencies());
    view->show();
    control(view, QStringLiteral("diagnosis-continue"));
    view->model().setStep(SetupFlowModel::Step::of(Kind::outcome));
    click(view, QStringLiteral("outcome-blocked"));
    control<QWidget>(view, QStringLiteral("nps-card"));
    saveScreenshot(view, QStringLiteral("workflow-score-empty"));
    click(view, QStringLiteral("nps-done"));
    delete view;  // leaving the screen again, as the navigation stack does
    EXPECT_EQ(events.count(QStringLiteral("nps_dismissed")), 1);
    EXPECT_TRUE(environment->navigation().path().isEmpty());
}

TEST_F(WorkflowScreenTest, aSubmittedScoreIsNeverAlsoDismissed)
{
    NPSFeedbackCard::setThanksDelayForTesting(60'000);  // everything below happens before the thanks
    SetupWorkflowView view(*environment, dependencies());
    view.show();
    control(&view, QStringLiteral("diagnosis-continue"));
    view.model().setStep(SetupFlowModel::Step::of(Kind::outcome));
    click(&view, QStringLiteral("outcome-resolved"));
    click(&view, QStringLiteral("nps-score-8"));
    click(&view, QStringLiteral("nps-submit"));
    EXPECT_TRUE(view.model().npsResolved());
    click(&view, QStringLiteral("nps-dismiss"));  // the card's own dismiss: the answer is already in
    EXPECT_FALSE(environment->navigation().path().isEmpty());
    click(&view, QStringLiteral("nps-done"));
    EXPECT_TRUE(environment->navigation().path().isEmpty());
    EXPECT_EQ(events.count(QStringLiteral("nps_submitted")), 1);
    EXPECT_EQ(events.count(QStringLiteral("nps_dismissed")), 0);
}

TEST_F(WorkflowScreenTest, anActionQueuesItsRemediationForTheProgressScreen)
{
    std::vector<SetupFlowModel::PendingInstall> presented;
    SetupWorkflowView view(*environment, dependencies(),
                           [&](QWidget*, const SetupFlowModel::PendingInstall& install,
                               std::function<void(SetupFlowModel::InstallOutcome)> finish) {
                               presented.push_back(install);
                               finish(SetupFlowModel::InstallOutcome::canceled);
                           });
    view.show();
    control(&view, QStringLiteral("diagnosis-continue"));
    view.model().setStep(SetupFlowModel::Step::stage(QStringLiteral("homebrew")));
    click(&view, QStringLiteral("stage-action-homebrew"));
    ASSERT_EQ(presented.size(), 1u);
    EXPECT_EQ(presented[0].id, QStringLiteral("homebrew"));
    EXPECT_FALSE(presented[0].continuesPastFailure);
    // Canceled: the stage stays for a retry, and nothing is pending any more.
    EXPECT_EQ(view.model().step(), SetupFlowModel::Step::stage(QStringLiteral("homebrew")));
    EXPECT_FALSE(view.model().pendingInstall().has_value());

    // A `brew` at a Homebrew location opens the gate, as it does for the prober,
    // even when the profile was taken before it arrived (and whatever its mode).
    fs->addFile(QStringLiteral("/opt/homebrew/bin/brew"), "#!/bin/sh\n", 0644);
    view.model().setStep(SetupFlowModel::Step::stage(QStringLiteral("warp")));
    control(&view, QStringLiteral("stage-action-brew:warp"));
    EXPECT_EQ(view.findChild<QPushButton*>(QStringLiteral("install-homebrew-first")), nullptr);
}

TEST_F(WorkflowScreenTest, returnPressesEachScreensMainButtonAndEscapeGoesBack)
{
    bool consented = false;
    ConsentView consent(*environment, [&] { consented = true; });
    consent.resize(720, 720);
    consent.show();
    saveScreenshot(&consent, QStringLiteral("consent"));
    pressKey(&consent, Qt::Key_Return);
    EXPECT_TRUE(consented);
    consent.hide();

    QStringList presented;
    auto& navigation = environment->navigation();
    navigation.popToRoot();
    SetupWorkflowView* workflow = nullptr;
    NavigationStackView stack(navigation, new WelcomeView(navigation), [&](const Screen&) {
        return workflow = new SetupWorkflowView(*environment, dependencies(),
                                                [&](QWidget*, const SetupFlowModel::PendingInstall& install,
                                                    std::function<void(SetupFlowModel::InstallOutcome)> finish) {
                                                    presented << install.id;
                                                    finish(SetupFlowModel::InstallOutcome::canceled);
                                                });
    });
    stack.resize(720, 720);
    stack.show();
    saveScreenshot(&stack, QStringLiteral("welcome"));
    pressKey(&stack, Qt::Key_Return);
    ASSERT_EQ(navigation.path(), QList{Screen::setupWorkflow()});
    control(&stack, QStringLiteral("diagnosis-continue"));
    pressKey(&stack, Qt::Key_Escape);
    EXPECT_TRUE(navigation.path().isEmpty());

    // Return again, then through the summary and both readiness warnings to the first stage's action.
    pressKey(&stack, Qt::Key_Return);
    control(&stack, QStringLiteral("diagnosis-continue"));
    saveScreenshot(&stack, QStringLiteral("workflow-summary"));
    for (const char* next : {"readiness-continue", "readiness-continue", "stage-action-clt"}) {
        pressKey(&stack, Qt::Key_Return);
        ASSERT_TRUE(control(&stack, QString::fromLatin1(next)));
    }
    pressKey(&stack, Qt::Key_Return);
    EXPECT_EQ(presented, QStringList{QStringLiteral("clt")});

    workflow->model().setStep(SetupFlowModel::Step::of(Kind::keepGoingGate));
    control(&stack, QStringLiteral("keep-going"));
    pressKey(&stack, Qt::Key_Return);
    EXPECT_NE(workflow->model().step().kind, Kind::keepGoingGate);

    workflow->model().setStep(SetupFlowModel::Step::of(Kind::outcome));
    control(&stack, QStringLiteral("outcome-resolved"));
    pressKey(&stack, Qt::Key_Return);
    control<QWidget>(&stack, QStringLiteral("nps-card"));
    EXPECT_TRUE(events.contains(QStringLiteral("outcome_reported")));
    pressKey(&stack, Qt::Key_Return);  // no score chosen: Done
    EXPECT_TRUE(navigation.path().isEmpty());
}
