#include "app/CommandLineProduct.h"
#include "engine/telemetry/AppEvents.h"
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

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

using namespace varnel;
using namespace varnel::testing;
using Kind = SetupFlowModel::Step::Kind;

namespace {

void openNothing(const QUrl&) {}  // no test opens a real browser
QList<QUrl> opened;
void recordOpened(const QUrl& url) { opened << url; }

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
        environment->setTracker([this](const TrackedEvent& e) {
            events << e.name;
            tracked.push_back(e);
        });
        environment->navigation().push(Screen::setupWorkflow());
    }

    void TearDown() override { ui::setURLOpener(previousOpener); }

    SetupFlowModel::Dependencies dependencies()
    {
        SetupFlowModel::Dependencies d;
        d.profileMac = [p = profile](const AppServices&, std::stop_token) -> std::optional<SystemProfile> { return p; };
        return d;
    }

    // A Mac in daily use: Homebrew with gh, agents with a skill and an MCP
    // server already in place, languages under several managers, a Git
    // identity but no GitHub sign-in.
    void developerMac()
    {
        profile.homebrewPrefix = QStringLiteral("/opt/homebrew/bin/brew");
        profile.aiTooling.claudeCodeDesktop = true;
        profile.aiTooling.zed = true;
        profile.aiTooling.vsCode = true;
        for (const char* tool : {"brew", "gh"})
            fs->addExecutable(QStringLiteral("/opt/homebrew/bin/") + QString::fromUtf8(tool));
        fs->addDirectory(QStringLiteral("/Users/tester/.claude/skills/avoid-ai-writing"));
        fs->addFile(QStringLiteral("/Users/tester/.claude.json"), R"({"mcpServers": {"notion": {}}})");
        fs->addDirectory(QStringLiteral("/Users/tester/.pyenv/versions/3.12.4"));
        fs->addDirectory(QStringLiteral("/Users/tester/.rustup/toolchains/stable-aarch64-apple-darwin"));
        fs->addDirectory(QStringLiteral("/Library/Java/JavaVirtualMachines/temurin-21.jdk"));
        runner->setFallback([](const QString&, const QStringList& arguments) {
            std::optional<FakeProcessRunner::Response> answer;
            if (arguments.join(u' ').contains(QStringLiteral("git config --global user.name"))) {
                answer.emplace();
                answer->result = ProcessResult{0, {}, {}};
            }
            return answer;
        });
    }

    // A screen whose installs are recorded and end canceled, shown at `domain`'s stage.
    std::unique_ptr<SetupWorkflowView> stageScreen(const QString& domain)
    {
        auto view = std::make_unique<SetupWorkflowView>(
            *environment, dependencies(),
            [this](QWidget*, const SetupFlowModel::PendingInstall& install,
                   std::function<void(SetupFlowModel::InstallOutcome)> finish) {
                presented.push_back(install);
                finish(SetupFlowModel::InstallOutcome::canceled);
            });
        view->resize(720, 760);
        view->show();
        control(view.get(), QStringLiteral("diagnosis-continue"));
        goTo(*view, domain);
        return view;
    }

    void goTo(SetupWorkflowView& view, const QString& domain)
    {
        view.model().setStep(SetupFlowModel::Step::stage(domain));
        control<QWidget>(&view, QStringLiteral("special-stage-") + domain);
    }

    QCheckBox* box(QWidget* root, const QString& id) { return control<QCheckBox>(root, id); }
    // Clicks a check box on its indicator (a click beside the label does nothing).
    void tick(QCheckBox* checkBox) { QTest::mouseClick(checkBox, Qt::LeftButton, {}, QPoint(8, checkBox->height() / 2)); }

    // What the last install queued: its id and remediation ids.
    QStringList lastQueued() const
    {
        if (presented.empty())
            return {};
        QStringList ids{presented.back().id};
        for (const SetupRemediation& r : presented.back().remediations)
            ids << r.id();
        return ids;
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
    std::vector<TrackedEvent> tracked;
    std::vector<SetupFlowModel::PendingInstall> presented;
    SystemProfile profile = [] {
        SystemProfile p;  // a fresh Apple Silicon Mac
        p.architecture = Architecture::appleSilicon;
        p.macosVersion = {15, 1, 0};
        return p;
    }();
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

    auto& navigation = environment->navigation();
    navigation.popToRoot();
    SetupWorkflowView* workflow = nullptr;
    NavigationStackView stack(navigation, new WelcomeView(navigation), [&](const Screen&) {
        return workflow = new SetupWorkflowView(*environment, dependencies(),
                                                [this](QWidget*, const SetupFlowModel::PendingInstall& install,
                                                       std::function<void(SetupFlowModel::InstallOutcome)> finish) {
                                                    presented.push_back(install);
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
    EXPECT_EQ(lastQueued(), (QStringList{QStringLiteral("clt"), QStringLiteral("clt")}));

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

TEST_F(WorkflowScreenTest, choicesArePrefilledOnceAndWhatIsPresentCannotBeTicked)
{
    profile.aiTooling.claudeCodeDesktop = true;
    fs->addExecutable(QStringLiteral("/opt/homebrew/bin/brew"));
    fs->addDirectory(QStringLiteral("/Users/tester/.claude/skills/downloads-cleanup"));
    auto view = stageScreen(QStringLiteral("ai-claude"));

    // The desktop app is there: shown, never tickable; the CLI starts ticked.
    QCheckBox* desktop = box(view.get(), QStringLiteral("install-claude-desktop-installed"));
    ASSERT_NE(desktop, nullptr);
    tick(desktop);
    EXPECT_FALSE(desktop->isChecked());
    QCheckBox* cli = box(view.get(), QStringLiteral("install-claude-cli"));
    EXPECT_TRUE(cli->isChecked());
    tick(cli);
    EXPECT_FALSE(control(view.get(), QStringLiteral("install-selected"))->isEnabled());

    // Away and back: the un-tick stays, and the other cask stage seeds its own.
    goTo(*view, QStringLiteral("codex"));
    EXPECT_TRUE(box(view.get(), QStringLiteral("install-codex-cli"))->isChecked());
    goTo(*view, QStringLiteral("skills"));
    QCheckBox* cleanup = box(view.get(), QStringLiteral("skill-downloads-cleanup"));
    EXPECT_FALSE(cleanup->isEnabled());
    QCheckBox* avoid = box(view.get(), QStringLiteral("skill-avoid-ai-writing"));
    EXPECT_TRUE(avoid->isChecked());
    EXPECT_TRUE(box(view.get(), QStringLiteral("skill-skill-creator"))->isChecked());  // a Mac with an AI app is a developer's
    tick(avoid);
    goTo(*view, QStringLiteral("ai-claude"));
    EXPECT_FALSE(box(view.get(), QStringLiteral("install-claude-cli"))->isChecked());
    goTo(*view, QStringLiteral("skills"));
    EXPECT_FALSE(box(view.get(), QStringLiteral("skill-avoid-ai-writing"))->isChecked());
    click(view.get(), QStringLiteral("add-skills"));
    EXPECT_EQ(lastQueued(), (QStringList{QStringLiteral("skills"), QStringLiteral("skill:skill-creator")}));

    goTo(*view, QStringLiteral("codex"));
    click(view.get(), QStringLiteral("install-selected"));
    EXPECT_EQ(lastQueued(), (QStringList{QStringLiteral("codex"), SetupRemediation::installCodexCLI().id(),
                                         SetupRemediation::installChatGPTDesktop().id()}));
    EXPECT_TRUE(presented.back().continuesPastFailure);
}

TEST_F(WorkflowScreenTest, languagesAreTickedAndInstalledFromTheKeyboardInInstallOrder)
{
    fs->addFile(QStringLiteral("/usr/bin/python3"));
    fs->addExecutable(QStringLiteral("/opt/homebrew/bin/brew"));
    auto view = stageScreen(QStringLiteral("languages"));
    EXPECT_FALSE(control<QLabel>(view.get(), QStringLiteral("lang-note-python"))->text().isEmpty());
    EXPECT_EQ(view->findChild<QLabel*>(QStringLiteral("lang-note-rust")), nullptr);  // nothing found, nothing said
    EXPECT_FALSE(control(view.get(), QStringLiteral("install-languages"))->isEnabled());

    // The focus starts on the first language: Space ticks it, Tab goes down the list, Return installs.
    pressKey(view.get(), Qt::Key_Space);
    for (int i = 0; i < 4; ++i)
        pressKey(view.get(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), box(view.get(), QStringLiteral("lang-rust")));
    pressKey(view.get(), Qt::Key_Space);
    EXPECT_TRUE(box(view.get(), QStringLiteral("lang-python"))->isChecked());
    pressKey(view.get(), Qt::Key_Return);
    EXPECT_EQ(lastQueued(), (QStringList{QStringLiteral("languages"), SetupRemediation::installUv().id(),
                                         SetupRemediation::installMise().id(),
                                         SetupRemediation::installRustViaMise().id()}));
}

TEST_F(WorkflowScreenTest, gitQueuesWhatIsMissingAndRefusesFieldsGitCannotTake)
{
    auto view = stageScreen(QStringLiteral("git"));
    auto* name = control<QLineEdit>(view.get(), QStringLiteral("git-name"));
    auto* email = control<QLineEdit>(view.get(), QStringLiteral("git-email"));
    EXPECT_EQ(view->findChild<QLabel*>(QStringLiteral("git-identity-set")), nullptr);

    // No gh, no identity, no sign-in; with the fields empty the identity is left alone.
    click(view.get(), QStringLiteral("setup-git"));
    EXPECT_EQ(lastQueued(), (QStringList{QStringLiteral("git"), SetupRemediation::installGh().id(),
                                         SetupRemediation::githubAuth().id()}));
    EXPECT_FALSE(presented.back().continuesPastFailure);

    const auto refused = [&](const QString& typedName, const QString& typedEmail) {
        const size_t before = presented.size();
        name->setText(typedName);
        email->setText(typedEmail);
        click(view.get(), QStringLiteral("setup-git"));
        auto* error = view->findChild<QLabel*>(QStringLiteral("git-error"));
        return presented.size() == before && error->isVisible() && !error->text().isEmpty();
    };
    EXPECT_TRUE(refused(QStringLiteral("Ann"), QStringLiteral("ann@@example.com")));
    EXPECT_TRUE(refused(QStringLiteral("Ann"), QStringLiteral("ann@exam ple.com")));
    EXPECT_TRUE(refused(QStringLiteral("Ann") + QChar(0x2028) + QStringLiteral("Lee"), QStringLiteral("ann@example.com")));
    EXPECT_TRUE(refused(QStringLiteral("Ann"), QStringLiteral("ann@example.com\r[core]")));
    saveScreenshot(view.get(), QStringLiteral("special-git-refused"));

    name->setText(QStringLiteral("  Ann Lee "));
    email->setText(QStringLiteral(" ann@example.com\t"));
    click(view.get(), QStringLiteral("setup-git"));
    EXPECT_FALSE(view->findChild<QLabel*>(QStringLiteral("git-error"))->isVisible());
    ASSERT_EQ(presented.back().remediations.size(), 3u);
    EXPECT_EQ(presented.back().remediations[1],
              SetupRemediation::configureGit(QStringLiteral("Ann Lee"), QStringLiteral("ann@example.com")));
}

TEST_F(WorkflowScreenTest, gitOnAMacWithItsIdentityOnlySignsIn)
{
    developerMac();
    auto view = stageScreen(QStringLiteral("git"));
    control<QLabel>(view.get(), QStringLiteral("git-identity-set"));
    click(view.get(), QStringLiteral("setup-git"));
    EXPECT_EQ(lastQueued(), (QStringList{QStringLiteral("git"), SetupRemediation::githubAuth().id()}));
}

TEST_F(WorkflowScreenTest, mcpKeysAreOptionalAndTypingOneChoosesItsServer)
{
    fs->addFile(QStringLiteral("/Users/tester/.claude.json"), R"({"mcpServers": {"slack": {"type": "http"}}})");
    auto view = stageScreen(QStringLiteral("mcp"));
    EXPECT_FALSE(box(view.get(), QStringLiteral("mcp-slack"))->isEnabled());  // already added
    auto* key = control<QLineEdit>(view.get(), QStringLiteral("mcp-key-firecrawl"));
    EXPECT_EQ(key->echoMode(), QLineEdit::Password);
    QCheckBox* firecrawl = box(view.get(), QStringLiteral("mcp-firecrawl"));

    // Blanks are no key: they neither choose the server nor reach it.
    QTest::keyClicks(key, QStringLiteral("   "));
    EXPECT_FALSE(firecrawl->isChecked());
    EXPECT_FALSE(control(view.get(), QStringLiteral("add-mcp"))->isEnabled());
    tick(firecrawl);
    click(view.get(), QStringLiteral("add-mcp"));
    EXPECT_EQ(lastQueued(), (QStringList{QStringLiteral("mcp"), QStringLiteral("mcp:firecrawl")}));
    EXPECT_EQ(presented.back().remediations[0].apiKey(), std::nullopt);

    tick(firecrawl);
    key->clear();
    QTest::keyClicks(key, QStringLiteral("fc-secret"));
    EXPECT_TRUE(firecrawl->isChecked());
    click(view.get(), QStringLiteral("mcp-key-show-firecrawl"));
    EXPECT_EQ(key->echoMode(), QLineEdit::Normal);
    click(view.get(), QStringLiteral("mcp-key-show-firecrawl"));
    EXPECT_EQ(key->echoMode(), QLineEdit::Password);
    click(view.get(), QStringLiteral("add-mcp"));
    EXPECT_EQ(presented.back().remediations[0].apiKey(), QStringLiteral("fc-secret"));
}

TEST_F(WorkflowScreenTest, projectGoesToDocumentsOrToTheChosenFolder)
{
    QStringList asked;
    std::optional<QString> answer;
    environment->setFolderChooser([&](QWidget*, const QString& prompt, const QString& confirm) {
        asked << prompt << confirm;
        return answer;
    });
    auto view = stageScreen(QStringLiteral("project"));
    click(view.get(), QStringLiteral("choose-project-folder"));  // canceled: nothing queued
    EXPECT_TRUE(presented.empty());
    EXPECT_EQ(asked, (QStringList{ProductConfig::current()->spineCopy->projectFolderPrompt(), QStringLiteral("Choose")}));

    answer = QStringLiteral("/Users/tester/Work");
    click(view.get(), QStringLiteral("choose-project-folder"));
    ASSERT_EQ(presented.size(), 1u);
    EXPECT_EQ(presented[0].id, QStringLiteral("project-choose"));
    EXPECT_EQ(presented[0].remediations,
              std::vector{SetupRemediation::createProject(ProjectTemplate::simple, QStringLiteral("/Users/tester/Work"))});

    click(view.get(), QStringLiteral("create-project"));
    EXPECT_EQ(presented.back().id, QStringLiteral("project"));
    EXPECT_EQ(presented.back().remediations, std::vector{SetupRemediation::createProject(ProjectTemplate::simple)});
}

TEST_F(WorkflowScreenTest, anOpenButtonOpensItsApplicationAndSaysSo)
{
    profile.aiTooling.vsCode = true;
    ui::setURLOpener(&recordOpened);
    opened.clear();
    SetupWorkflowView view(*environment, dependencies());
    view.show();
    control(&view, QStringLiteral("diagnosis-continue"));
    view.model().setStep(SetupFlowModel::Step::of(Kind::outcome));
    click(&view, QStringLiteral("open-app-visual-studio-code"));
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/Applications/Visual Studio Code.app"))});
    EXPECT_EQ(tracked.back(), events::appOpened(QStringLiteral("/Applications/Visual Studio Code.app")));
}

// Every special layout as a fresh and a developer's Mac see it, for people to look at.
TEST_F(WorkflowScreenTest, specialLayoutScreenshots)
{
    for (const bool developer : {false, true}) {
        if (developer)
            developerMac();
        auto view = stageScreen(QStringLiteral("project"));
        for (const auto& [domain, kind] : ProductConfig::current()->spinePolicy.specialStages) {
            const WorkflowStep* step = view->model().stepFor(domain);
            if (!step || step->stage->diagnosis().classification == SetupDiagnosisClassification::ready)
                continue;  // never drawn
            view->model().setStep(SetupFlowModel::Step::stage(domain));
            control<QWidget>(view.get(), QStringLiteral("stage-") + domain);  // a cask stage may show the Homebrew gate
            if (domain == QStringLiteral("mcp"))
                QTest::keyClicks(control<QLineEdit>(view.get(), QStringLiteral("mcp-key-firecrawl")), QStringLiteral("fc-key"));
            waitUntil([] { return false; }, 50);
            saveScreenshot(view.get(), QStringLiteral("special-%1-%2").arg(domain, developer ? "developer" : "fresh"));
        }
    }
}
