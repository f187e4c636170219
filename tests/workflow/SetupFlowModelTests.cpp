#include "app/CommandLineProduct.h"
#include "engine/services/Background.h"
#include "engine/services/LiveHTTPFetcher.h"
#include "engine/workflow/SetupFlowModel.h"
#include "support/FakeFileSystem.h"
#include "support/FakeProcessRunner.h"
#include "support/InMemoryKeyValueStore.h"
#include "support/LocalHttpServer.h"
#include "support/TestSupport.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace varnel;
using namespace varnel::testing;
using Step = SetupFlowModel::Step;
using Kind = SetupFlowModel::Step::Kind;

namespace {

using Classification = SetupDiagnosisClassification;

// A spine provider that serves a fixed list of (domain, placement, classification).
class ScriptedSpine final : public SpineProvider {
public:
    struct Entry {
        QString domain;
        DomainPlacement placement;
        Classification classification;
    };
    explicit ScriptedSpine(std::vector<Entry> entries) : entries_(std::move(entries)) {}

    std::optional<SetupWorkflow> workflow(const std::optional<QString>&, const SystemProfile&, const SetupProbeBundle& probes,
                                          const std::set<QString>&, std::optional<bool>) const override
    {
        SetupWorkflow w;
        for (const Entry& e : entries_) {
            // A stage that the probe reports fixed is ready on the next build.
            const bool fixedNow = probes.shellConfigured && e.domain == QStringLiteral("shell-config");
            w.steps.push_back({std::make_shared<BasicSetupStage>(
                                   e.domain,
                                   SetupDiagnosis{e.domain, QString(), fixedNow ? Classification::ready : e.classification}),
                               e.placement});
        }
        return w;
    }
    std::vector<SetupRemediation> remediations(const QString&, const SystemProfile&,
                                               const SetupProbeBundle&) const override
    {
        return {};
    }

private:
    std::vector<Entry> entries_;
};

class CountingProber final : public SetupProber {
public:
    SetupProbeBundle probe(const ProcessRunning&, const FileSystemOperating&) const override
    {
        ++calls;
        SetupProbeBundle b;
        b.shellConfigured = shellConfigured;
        return b;
    }
    mutable std::atomic<int> calls{0};
    std::atomic<bool> shellConfigured{false};
};

class FixedVerifier final : public SetupVerifier {
public:
    explicit FixedVerifier(bool passes) : passes_(passes) {}
    SetupVerificationResult verify(const std::optional<SystemProfile>&, const ProcessRunning&,
                                   const FileSystemOperating&) const override
    {
        if (!passes_)
            return {QStringLiteral("nope"), false, 1, QStringLiteral("blocked"), {}, {}};
        return {QStringLiteral("  git version 2.39\n"), true, 0, QStringLiteral("likely_resolved"), {}, {}};
    }

private:
    bool passes_;
};

class FlowModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ProductConfig::setCurrent(products::commandLine());
        SetupFlowModel::resetNpsShownForTesting();
        services.processRunner = runner;
        services.fs = fs;
        services.http = std::make_shared<LiveHTTPFetcher>();
        services.store = store;
        services.isFixtureMode = true;
    }

    SetupProduct config(std::vector<ScriptedSpine::Entry> entries, bool verifierPasses = true,
                        std::function<void(ProductConfig&)> adjust = {})
    {
        ProductConfig c = products::commandLine();
        c.spineProvider = std::make_shared<ScriptedSpine>(std::move(entries));
        c.prober = prober;
        c.verifier = std::make_shared<FixedVerifier>(verifierPasses);
        if (adjust)
            adjust(c);
        return c.setupProduct();
    }

    SetupFlowModel::Dependencies deps()
    {
        SetupFlowModel::Dependencies d;
        d.profileMac = [this](const AppServices&, std::stop_token) -> std::optional<SystemProfile> {
            ++profileCalls;
            return SystemProfile{};
        };
        d.track = [this](const TrackedEvent& e) { events << e.name; };
        return d;
    }

    // What the screen does when it shows a stage: tell the model.
    static void showStages(SetupFlowModel& model)
    {
        while (model.step().kind == Kind::stage) {
            const Step before = model.step();
            model.stageShown(before.domainID);
            if (model.step() == before)
                break;
        }
    }

    static void waitIdle(SetupFlowModel& model)
    {
        ASSERT_TRUE(waitUntil([&] { return !model.isBusy(); }));
    }

    std::shared_ptr<FakeProcessRunner> runner = std::make_shared<FakeProcessRunner>();
    std::shared_ptr<FakeFileSystem> fs = std::make_shared<FakeFileSystem>();
    std::shared_ptr<InMemoryKeyValueStore> store = std::make_shared<InMemoryKeyValueStore>();
    std::shared_ptr<CountingProber> prober = std::make_shared<CountingProber>();
    AppServices services;
    QStringList events;
    std::atomic<int> profileCalls{0};
};

const std::vector<ScriptedSpine::Entry> kAllReady{
    {QStringLiteral("clt"), DomainPlacement::primary, Classification::ready},
    {QStringLiteral("shell-config"), DomainPlacement::primary, Classification::ready},
    {QStringLiteral("homebrew"), DomainPlacement::primary, Classification::ready},
    {QStringLiteral("languages"), DomainPlacement::optional, Classification::fixable},
    {QStringLiteral("git"), DomainPlacement::optional, Classification::fixable},
};

}  // namespace

TEST_F(FlowModelTest, allReadyPrimaryStagesGoFromTheSummaryStraightToVerifying)
{
    SetupFlowModel model(config(kAllReady), deps());
    model.start(services, SystemProfile{});
    waitIdle(model);
    EXPECT_EQ(model.step(), Step::of(Kind::diagnosisSummary));
    EXPECT_EQ(profileCalls, 0);  // fixture mode keeps the given profile
    EXPECT_EQ(events, QStringList{QStringLiteral("diagnosis_reached")});

    model.continueFromSummary();  // fixture mode: no readiness checks
    showStages(model);
    EXPECT_EQ(model.step(), Step::of(Kind::verifying));

    model.verify();
    waitIdle(model);
    EXPECT_EQ(model.step(), Step::of(Kind::keepGoingGate));
    model.verify();  // a second verification sends no second event
    waitIdle(model);
    EXPECT_EQ(events.count(QStringLiteral("verify_passed")), 1);

    model.keepGoing();
    EXPECT_EQ(model.step(), Step::stage(QStringLiteral("languages")));
    model.advance(QStringLiteral("languages"));
    model.advance(QStringLiteral("git"));
    EXPECT_EQ(model.step(), Step::of(Kind::outcome));

    // Loading again (a retry) does not send the diagnosis twice.
    model.start(services, SystemProfile{});
    waitIdle(model);
    EXPECT_EQ(events.count(QStringLiteral("diagnosis_reached")), 1);
}

TEST_F(FlowModelTest, failedVerificationGoesToTheOutcome)
{
    SetupFlowModel model(config(kAllReady, false), deps());
    model.start(services, SystemProfile{});
    waitIdle(model);
    model.continueFromSummary();
    showStages(model);
    model.verify();
    waitIdle(model);
    EXPECT_EQ(model.step(), Step::of(Kind::outcome));
    EXPECT_TRUE(events.contains(QStringLiteral("verify_failed")));
    model.buildOutcomeAudit();  // nothing to audit after a failed verification
    EXPECT_FALSE(model.isBusy());
    EXPECT_TRUE(model.outcomeAudit().empty());
}

TEST_F(FlowModelTest, readinessWarningsComeNetworkFirstThenDiskThenTheFirstStage)
{
    LocalHttpServer server;
    // Every endpoint refuses: the port of a server that is gone.
    quint16 closedPort;
    {
        LocalHttpServer gone;
        closedPort = gone.port();
    }
    const QUrl refused(QStringLiteral("http://127.0.0.1:%1/").arg(closedPort));
    services.isFixtureMode = false;
    fs->setAvailableCapacity(2'900'000'000);
    auto cfg = config({{QStringLiteral("clt"), DomainPlacement::primary, Classification::fixable}}, true,
                      [&](ProductConfig& c) {
                          c.spinePolicy.networkReadiness->endpoints = {refused, refused};
                          c.spinePolicy.networkReadiness->probeTimeoutSeconds = 2.0;
                      });
    SetupFlowModel model(cfg, deps());
    model.start(services, std::nullopt);
    waitIdle(model);
    EXPECT_EQ(profileCalls, 1);
    model.continueFromSummary();
    EXPECT_EQ(model.step(), Step::of(Kind::loading));
    waitIdle(model);

    ASSERT_EQ(model.step().kind, Kind::readinessWarning);
    EXPECT_EQ(model.step().warning->kind, SetupFlowModel::ReadinessWarning::Kind::network);
    EXPECT_EQ(model.step().warning->network.verdict, NetworkVerdict::unreachable);
    model.continueAfterReadiness();
    ASSERT_EQ(model.step().kind, Kind::readinessWarning);
    EXPECT_EQ(model.step().warning->kind, SetupFlowModel::ReadinessWarning::Kind::disk);
    EXPECT_EQ(model.step().warning->disk.verdict, DiskVerdict::critical);
    model.continueAfterReadiness();
    EXPECT_EQ(model.step(), Step::stage(QStringLiteral("clt")));
    EXPECT_EQ(events.mid(1), (QStringList{QStringLiteral("network_check"), QStringLiteral("disk_space_check")}));
}

TEST_F(FlowModelTest, afterAnInstallTheStageAdvancesOrStaysForARetry)
{
    auto cfg = config({{QStringLiteral("homebrew"), DomainPlacement::primary, Classification::fixable},
                       {QStringLiteral("shell-config"), DomainPlacement::primary, Classification::fixable},
                       {QStringLiteral("languages"), DomainPlacement::optional, Classification::fixable},
                       {QStringLiteral("git"), DomainPlacement::optional, Classification::fixable}});
    SetupFlowModel model(cfg, deps());
    model.start(services, SystemProfile{});
    waitIdle(model);
    model.continueFromSummary();
    ASSERT_EQ(model.step(), Step::stage(QStringLiteral("homebrew")));

    // A failed or canceled Homebrew install keeps the stage on screen.
    const int probesBefore = prober->calls;
    model.installFinished(SetupFlowModel::InstallOutcome::failure);
    model.installFinished(SetupFlowModel::InstallOutcome::canceled);
    EXPECT_FALSE(model.isBusy());
    EXPECT_EQ(model.step(), Step::stage(QStringLiteral("homebrew")));
    EXPECT_EQ(prober->calls, probesBefore);

    // A success re-probes, then moves on.
    model.installFinished(SetupFlowModel::InstallOutcome::success);
    waitIdle(model);
    EXPECT_EQ(prober->calls, probesBefore + 1);
    EXPECT_EQ(model.step(), Step::stage(QStringLiteral("shell-config")));

    // The re-probe's facts reach the workflow: the shell stage is now ready.
    prober->shellConfigured = true;
    model.installFinished(SetupFlowModel::InstallOutcome::success);
    waitIdle(model);
    EXPECT_EQ(model.stepFor(QStringLiteral("shell-config"))->stage->diagnosis().classification, Classification::ready);
    EXPECT_EQ(model.step(), Step::of(Kind::verifying));

    // "languages" advances even after a partial failure.
    model.setStep(Step::stage(QStringLiteral("languages")));
    model.installFinished(SetupFlowModel::InstallOutcome::failure);
    waitIdle(model);
    EXPECT_EQ(model.step(), Step::stage(QStringLiteral("git")));
    // Nothing happens outside a stage.
    model.setStep(Step::of(Kind::keepGoingGate));
    model.installFinished(SetupFlowModel::InstallOutcome::success);
    EXPECT_FALSE(model.isBusy());
}

TEST_F(FlowModelTest, blockedStagesAndOffersReportOnce)
{
    std::vector<QString> blocked;
    auto cfg = config({{QStringLiteral("clt"), DomainPlacement::primary, Classification::blocked},
                       {QStringLiteral("warp"), DomainPlacement::primary, Classification::fixable}},
                      true, [&](ProductConfig& c) {
                          c.spinePolicy.onStageBlocked = [&](const QString& d, const SetupDiagnosis&) {
                              blocked.push_back(d);
                          };
                      });
    SetupFlowModel model(cfg, deps());
    model.start(services, SystemProfile{});
    waitIdle(model);
    model.stageShown(QStringLiteral("clt"));
    model.stageShown(QStringLiteral("clt"));
    EXPECT_EQ(blocked, std::vector<QString>{QStringLiteral("clt")});

    model.stageShown(QStringLiteral("warp"));
    model.stageShown(QStringLiteral("warp"));
    model.offerSelected(QStringLiteral("warp"));
    model.offerSelected(QStringLiteral("warp"));
    model.offerSelected(QStringLiteral("clt"));  // not an offer
    EXPECT_EQ(events.count(QStringLiteral("offer_shown")), 1);
    EXPECT_EQ(events.count(QStringLiteral("offer_action")), 1);
    model.stageShown(QStringLiteral("nowhere"));  // unknown domains are ignored
}

TEST_F(FlowModelTest, outcomeLeadsToTheScoreUnlessAlreadySubmitted)
{
    std::vector<std::pair<std::optional<QString>, QString>> reports;
    auto cfg = config(kAllReady, true, [&](ProductConfig& c) {
        c.spinePolicy.onOutcomeReported = [&](const std::optional<QString>& outcome, const QString& self,
                                              const EventTracker& track) {
            reports.emplace_back(outcome, self);
            track({QStringLiteral("outcome_probe")});  // the model's own tracker, not the shared service
        };
    });
    {
        SetupFlowModel model(cfg, deps());
        model.start(services, SystemProfile{});
        waitIdle(model);
        model.setStep(Step::of(Kind::outcome));  // "Finish here" before verifying
        model.outcomeReported(QStringLiteral("not_resolved"));
        EXPECT_EQ(model.step(), Step::of(Kind::nps));
    }
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_FALSE(reports[0].first.has_value());
    EXPECT_EQ(reports[0].second, QStringLiteral("not_resolved"));
    EXPECT_EQ(events.count(QStringLiteral("outcome_probe")), 1);
    EXPECT_EQ(events.count(QStringLiteral("nps_shown")), 1);

    // A second model in the same process shows the score without a second "nps_shown".
    SetupFlowModel again(cfg, deps());
    again.start(services, SystemProfile{});
    waitIdle(again);
    again.setStep(Step::of(Kind::outcome));
    again.outcomeReported(QStringLiteral("resolved"));
    EXPECT_EQ(again.step(), Step::of(Kind::nps));
    EXPECT_EQ(events.count(QStringLiteral("nps_shown")), 1);

    // Once a score was submitted on this Mac, the outcome stays.
    store->setValue(ProductConfig::current()->npsSubmittedKey(), QVariant(true));
    SetupFlowModel submitted(cfg, deps());
    submitted.start(services, SystemProfile{});
    waitIdle(submitted);
    submitted.setStep(Step::of(Kind::outcome));
    submitted.outcomeReported(QStringLiteral("resolved"));
    EXPECT_EQ(submitted.step(), Step::of(Kind::outcome));
    // …where a second answer is not reported again.
    const size_t reported = reports.size();
    submitted.outcomeReported(QStringLiteral("not_resolved"));
    EXPECT_EQ(reports.size(), reported);
}

TEST_F(FlowModelTest, aModelClosedWhileProbingLeavesItsWorkerHarmless)
{
    std::atomic<bool> probing{false};
    auto d = deps();
    d.profileMac = [&](const AppServices&, std::stop_token stop) -> std::optional<SystemProfile> {
        probing = true;
        while (!stop.stop_requested())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return SystemProfile{};
    };
    services.isFixtureMode = false;
    const int probesBefore = prober->calls;
    {
        SetupFlowModel model(config(kAllReady), d);
        model.start(services, std::nullopt);
        ASSERT_TRUE(waitUntil([&] { return probing.load(); }));
    }  // the screen goes away mid-probe: its stop reaches the worker
    EXPECT_TRUE(backgroundPool().waitForDone(5000));
    EXPECT_EQ(prober->calls, probesBefore);  // a stopped load goes no further
    QCoreApplication::processEvents();
    EXPECT_TRUE(events.isEmpty());
}

TEST_F(FlowModelTest, aReprobeFinishingLateDoesNotPullTheUserBack)
{
    auto cfg = config({{QStringLiteral("homebrew"), DomainPlacement::primary, Classification::fixable},
                       {QStringLiteral("warp"), DomainPlacement::primary, Classification::fixable},
                       {QStringLiteral("git"), DomainPlacement::primary, Classification::fixable}});
    SetupFlowModel model(cfg, deps());
    model.start(services, SystemProfile{});
    waitIdle(model);
    model.continueFromSummary();
    model.installFinished(SetupFlowModel::InstallOutcome::success);
    EXPECT_TRUE(model.isBusy());
    model.setPendingInstall(SetupFlowModel::PendingInstall{QStringLiteral("homebrew"), {}, {}, false});
    EXPECT_FALSE(model.pendingInstall().has_value());  // no second install while re-probing
    model.advance(QStringLiteral("homebrew"));  // the user skips ahead meanwhile
    model.advance(QStringLiteral("warp"));
    waitIdle(model);
    EXPECT_EQ(model.step(), SetupFlowModel::Step::stage(QStringLiteral("git")));
}
