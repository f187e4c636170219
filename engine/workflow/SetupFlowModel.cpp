#include "engine/workflow/SetupFlowModel.h"

#include "engine/probing/ProbeRun.h"
#include "engine/probing/SystemProfiler.h"
#include "engine/services/Background.h"
#include "engine/services/StoppingProcessRunner.h"
#include "engine/shellconfig/ShellConfigurator.h"
#include "engine/telemetry/FeedbackEvents.h"
#include "engine/telemetry/SetupEvents.h"
#include "engine/workflow/HomebrewVerifier.h"
#include "engine/workflow/NetworkReadinessProbe.h"

#include <mutex>

namespace varnel {

namespace {

std::mutex& npsShownLock()
{
    static std::mutex lock;
    return lock;
}
bool& npsShownFlag()
{
    static bool shown = false;
    return shown;
}

}  // namespace

SetupFlowModel::SetupFlowModel(SetupProduct product, Dependencies dependencies, QObject* parent)
    : QObject(parent), product_(std::make_shared<const SetupProduct>(std::move(product))),
      deps_(std::move(dependencies))
{
    if (!deps_.profileMac) {
        deps_.profileMac = [](const AppServices& services, std::stop_token stop) -> std::optional<SystemProfile> {
            return SystemProfiler(StoppingProcessRunner(*services.processRunner, stop), *services.fs).profile();
        };
    }
    // Whoever builds the model decides where events go; by default nowhere.
    if (!deps_.track)
        deps_.track = [](const TrackedEvent&) {};
}

SetupFlowModel::~SetupFlowModel() { stop_.request_stop(); }

bool SetupFlowModel::claimNpsShown()
{
    std::lock_guard guard(npsShownLock());
    if (npsShownFlag())
        return false;
    npsShownFlag() = true;
    return true;
}

void SetupFlowModel::resetNpsShownForTesting()
{
    std::lock_guard guard(npsShownLock());
    npsShownFlag() = false;
}

template <typename Work, typename Then>
void SetupFlowModel::runInWorker(Work work, Then then)
{
    ++busy_;
    emit busyChanged();
    auto task = runInBackground([work = std::move(work), stop = stop_.get_token()](std::stop_token) mutable {
        return work(stop);
    });
    // The continuation runs on this model's thread, and not at all once the model is gone.
    using Result = std::invoke_result_t<Work, std::stop_token>;
    onFinished(task.future, this, [this, then = std::move(then)](Result result) mutable {
        --busy_;
        emit busyChanged();
        then(std::move(result));
    });
}

const WorkflowStep* SetupFlowModel::stepFor(const QString& domainID) const
{
    if (!workflow_)
        return nullptr;
    for (const WorkflowStep& s : workflow_->steps)
        if (s.stage->domainID() == domainID)
            return &s;
    return nullptr;
}

void SetupFlowModel::setStep(Step step)
{
    if (step == step_)
        return;
    step_ = std::move(step);
    emit stepChanged();
}

void SetupFlowModel::setPendingInstall(std::optional<PendingInstall> install)
{
    if (install && (pendingInstall_ || isBusy()))
        return;
    pendingInstall_ = std::move(install);
    emit pendingInstallChanged();
}

// ---- 1. Load ---------------------------------------------------------------------

SetupFlowModel::Probed SetupFlowModel::probeAndBuild(const SetupProduct& product, const Dependencies& deps,
                                                     const AppServices& services,
                                                     std::optional<SystemProfile> keptProfile, std::stop_token stop)
{
    Probed result;
    result.profile = services.isFixtureMode ? std::move(keptProfile) : deps.profileMac(services, stop);
    if (!result.profile || stop.stop_requested())
        return result;
    const StoppingProcessRunner process(*services.processRunner, stop);
    if (product.prober)
        result.probes = product.prober->probe(process, *services.fs);
    if (product.spineProvider)
        result.workflow = product.spineProvider->workflow(std::nullopt, *result.profile, result.probes, {}, std::nullopt);
    return result;
}

void SetupFlowModel::applyProbed(Probed probed)
{
    profile_ = std::move(probed.profile);
    emit profileChanged();
    if (!profile_)
        return;
    probes_ = probed.probes;
    workflow_ = std::move(probed.workflow);
    emit workflowChanged();
}

void SetupFlowModel::start(const AppServices& services, const std::optional<SystemProfile>& fallbackProfile)
{
    services_ = services;
    if (!profile_)
        profile_ = fallbackProfile;
    load(true, std::nullopt);
}

// Probes (profile, product facts, workflow) on a worker, then either shows
// the summary or advances past the stage an install just finished on.
void SetupFlowModel::load(bool thenShowSummary, std::optional<QString> thenAdvanceFrom)
{
    runInWorker(
        [product = product_, deps = deps_, services = services_, kept = profile_](std::stop_token stop) {
            return probeAndBuild(*product, deps, services, kept, stop);
        },
        [this, thenShowSummary, thenAdvanceFrom](Probed probed) {
            if (thenAdvanceFrom) {
                // The user may have moved on while the Mac was probed again.
                if (probed.profile)
                    applyProbed(std::move(probed));
                if (step_ == Step::stage(*thenAdvanceFrom))
                    advance(*thenAdvanceFrom);
                return;
            }
            applyProbed(std::move(probed));
            if (!profile_ || !thenShowSummary)
                return;  // nothing to show: the screen stays on loading
            sendDiagnosisEvent();
            setStep(Step::of(Step::Kind::diagnosisSummary));
        });
}

// ---- 2. Diagnosis event ----------------------------------------------------------

void SetupFlowModel::sendDiagnosisEvent()
{
    if (didEmitDiagnosis_)
        return;
    didEmitDiagnosis_ = true;
    int fixable = 0;
    int blocked = 0;
    if (workflow_) {
        for (const WorkflowStep& step : workflow_->steps) {
            if (step.placement != DomainPlacement::primary || !step.stage)
                continue;
            const SetupDiagnosisClassification c = step.stage->diagnosis().classification;
            fixable += c == SetupDiagnosisClassification::fixable;
            blocked += c == SetupDiagnosisClassification::blocked;
        }
    }
    trackEvent(events::setupDiagnosisReached(fixable, blocked,
                                             profile_ ? profile_->terminals.detectedIDs() : QStringList()));
}

// ---- 3. Readiness ----------------------------------------------------------------

void SetupFlowModel::continueFromSummary()
{
    const SpineRenderPolicy& policy = product_->spinePolicy;
    if (services_.isFixtureMode || (!policy.networkReadiness && !policy.diskReadiness)) {
        goToFirst(DomainPlacement::primary, primaryEnd());
        return;
    }
    setStep(Step::of(Step::Kind::loading));

    struct Readiness {
        std::optional<NetworkReadinessResult> network;
        std::optional<DiskReadinessResult> disk;
    };
    const AppServices services = services_;
    const auto network = policy.networkReadiness;
    const auto disk = policy.diskReadiness;
    runInWorker(
        [services, network, disk](std::stop_token stop) {
            Readiness r;
            if (network)
                r.network = NetworkReadinessProbe(*services.http).measure(*network, stop);
            if (disk)
                r.disk = diskReadiness(services.fs->availableCapacity(services.fs->homeDirectory()), *disk);
            return r;
        },
        [this](Readiness r) {
            pendingReadiness_.clear();
            if (r.network) {
                const NetworkReadinessResult& n = *r.network;
                trackEvent(events::networkCheck(toString(n.verdict), n.endpointsReachable, n.endpointsTotal, n.downMbps,
                                                n.estimatedInstallSeconds ? std::optional<int>(*n.estimatedInstallSeconds)
                                                                          : std::nullopt));
                if (r.network->needsWarning())
                    pendingReadiness_.push_back(ReadinessWarning::forNetwork(*r.network));
            }
            if (r.disk) {
                const DiskReadinessResult& d = *r.disk;
                trackEvent(events::diskSpaceCheck(toString(d.verdict), d.worstCaseBytes, d.headroomBytes, d.availableBytes));
                if (r.disk->needsWarning())
                    pendingReadiness_.push_back(ReadinessWarning::forDisk(*r.disk));
            }
            showNextReadinessWarning();
        });
}

void SetupFlowModel::continueAfterReadiness() { showNextReadinessWarning(); }

void SetupFlowModel::showNextReadinessWarning()
{
    if (pendingReadiness_.empty()) {
        goToFirst(DomainPlacement::primary, primaryEnd());
        return;
    }
    ReadinessWarning next = pendingReadiness_.front();
    pendingReadiness_.erase(pendingReadiness_.begin());
    setStep(Step::readiness(std::move(next)));
}

// ---- 4. Stage shown ------------------------------------------------------------------

void SetupFlowModel::stageShown(const QString& domainID)
{
    const WorkflowStep* s = stepFor(domainID);
    if (!s)
        return;
    const SetupDiagnosis diagnosis = s->stage->diagnosis();
    const SpineRenderPolicy& policy = product_->spinePolicy;

    if (diagnosis.classification == SetupDiagnosisClassification::blocked && profile_ &&
        emittedBlockedDomains_.insert(domainID).second && policy.onStageBlocked) {
        policy.onStageBlocked(domainID, diagnosis);
    }
    if (diagnosis.classification == SetupDiagnosisClassification::ready) {
        advance(domainID);
        return;
    }
    if (auto offer = policy.offers.find(domainID);
        offer != policy.offers.end() && emittedOfferDomains_.insert(domainID).second) {
        trackEvent(events::offerShown(offer->second.offerID, offer->second.offerSurface, offer->second.eligibilityReason,
                                 std::nullopt, std::nullopt));
    }
}

void SetupFlowModel::offerSelected(const QString& domainID)
{
    const SpineRenderPolicy& policy = product_->spinePolicy;
    auto offer = policy.offers.find(domainID);
    if (offer == policy.offers.end() || !actedOfferDomains_.insert(domainID).second)
        return;
    trackEvent(events::offerAction(offer->second.offerID, offer->second.offerSurface, QStringLiteral("selected"),
                              std::nullopt, std::nullopt));
}

// ---- 5. Advance ----------------------------------------------------------------------

SetupFlowModel::Step SetupFlowModel::primaryEnd() const
{
    return Step::of(product_->spinePolicy.postPrimaryInterstitial ? Step::Kind::interstitial : Step::Kind::verifying);
}

std::optional<QString> SetupFlowModel::nextAfter(const QString& domainID, DomainPlacement placement) const
{
    if (!workflow_)
        return std::nullopt;
    bool passed = false;
    for (const WorkflowStep& s : workflow_->steps) {
        if (passed && s.placement == placement)
            return s.stage->domainID();
        if (s.stage->domainID() == domainID)
            passed = true;
    }
    return std::nullopt;
}

void SetupFlowModel::goToFirst(DomainPlacement placement, Step otherwise)
{
    if (workflow_) {
        for (const WorkflowStep& s : workflow_->steps) {
            if (s.placement == placement) {
                setStep(Step::stage(s.stage->domainID()));
                return;
            }
        }
    }
    setStep(std::move(otherwise));
}

void SetupFlowModel::advance(const QString& from)
{
    const WorkflowStep* s = stepFor(from);
    if (!s) {
        setStep(primaryEnd());
        return;
    }
    const auto next = nextAfter(from, s->placement);
    if (next) {
        setStep(Step::stage(*next));
        return;
    }
    switch (s->placement) {
    case DomainPlacement::primary: setStep(primaryEnd()); break;
    case DomainPlacement::offer: setStep(Step::of(Step::Kind::keepGoingGate)); break;
    case DomainPlacement::optional: setStep(Step::of(Step::Kind::outcome)); break;
    }
}

// ---- 6. Install finished ---------------------------------------------------------

void SetupFlowModel::installFinished(InstallOutcome outcome)
{
    if (step_.kind != Step::Kind::stage)
        return;
    const QString domain = step_.domainID;
    const bool advanceAnyway = product_->spinePolicy.advanceOnPartialFailureDomains.count(domain) > 0;
    if (outcome == InstallOutcome::success || (outcome == InstallOutcome::failure && advanceAnyway))
        load(false, domain);
}

// ---- 7. Verify -----------------------------------------------------------------------

void SetupFlowModel::verify()
{
    const AppServices services = services_;
    const auto verifier = product_->verifier;
    const auto profile = profile_;
    runInWorker(
        [services, verifier, profile](std::stop_token stop) {
            if (!verifier)
                return SetupVerificationResult::couldNotStart();
            return verifier->verify(profile, StoppingProcessRunner(*services.processRunner, stop), *services.fs);
        },
        [this](SetupVerificationResult result) {
            verifyResult_ = result;
            emit verifyResultChanged();
            if (!didEmitVerify_) {
                didEmitVerify_ = true;
                trackEvent(result.passed ? events::setupVerifyPassed(result.rawOutput, result.engineOutcome)
                                         : events::setupVerifyFailed(result.engineOutcome, result.exitCode));
            }
            if (result.passed)
                goToFirst(DomainPlacement::offer, Step::of(Step::Kind::keepGoingGate));
            else
                setStep(Step::of(Step::Kind::outcome));
        });
}

void SetupFlowModel::keepGoing() { goToFirst(DomainPlacement::optional, Step::of(Step::Kind::outcome)); }

// ---- 8. Outcome audit --------------------------------------------------------------

void SetupFlowModel::buildOutcomeAudit()
{
    if (!verifyResult_ || !verifyResult_->passed)
        return;
    const AppServices services = services_;
    const auto profile = profile_;
    runInWorker(
        [services, profile](std::stop_token stop) {
            const StoppingProcessRunner process(*services.processRunner, stop);
            // Runs a command line in a login shell; its output when it exits 0.
            const auto succeeds = [&](const QString& command) -> std::optional<QString> {
                auto result = process.run(QStringLiteral("/bin/zsh"), {QStringLiteral("-lc"), command});
                if (!result || result->exitCode != 0)
                    return std::nullopt;
                return result->standardOutput;
            };

            std::vector<OutcomeAuditSection> sections;
            const auto add = [&](const char* title, QStringList items) {
                if (!items.isEmpty())
                    sections.push_back({QString::fromUtf8(title), std::move(items)});
            };

            QStringList foundation;
            if (succeeds(QStringLiteral("xcode-select -p 2>&1"))) {
                foundation << QStringLiteral("Command Line Tools installed");
                if (auto git = succeeds(QStringLiteral("git --version 2>&1"))) {
                    const QString line = probing::nonEmptyLines(*git).value(0).trimmed();
                    foundation << (line.isEmpty() ? QStringLiteral("git installed") : line);
                }
            }
            if (auto brew = succeeds(QStringLiteral("brew --version 2>&1")))
                foundation << HomebrewVerifier::verifiedItem(*brew);
            if (ShellConfigurator::isConfigured(*services.fs))
                foundation << QStringLiteral("Shell configuration in place");
            add("Foundation", foundation);

            QStringList editors, agents;
            if (profile) {
                const AITooling& ai = profile->aiTooling;
                if (profile->terminals.warp || ai.warpApp)
                    editors << QStringLiteral("Warp installed");
                if (ai.zed)
                    editors << QStringLiteral("Zed installed");
                if (ai.vsCode)
                    editors << QStringLiteral("VS Code installed");
                if (ai.claudeCodeDesktop)
                    agents << QStringLiteral("Claude Desktop installed (paid subscription required for Claude Code)");
                if (ai.claudeCodeCLI)
                    agents << QStringLiteral("Claude Code CLI installed (paid subscription required)");
                if (ai.chatgptDesktop)
                    agents << QStringLiteral("ChatGPT Desktop installed");
                if (ai.codexCLI)
                    agents << QStringLiteral("Codex CLI installed");
            }
            add("Editors & terminal", editors);
            add("AI agents", agents);

            QStringList languages;
            if (succeeds(QStringLiteral("mise --version 2>&1"))) {
                languages << QStringLiteral("mise installed for language version management");
                const std::pair<const char*, const char*> tools[] = {
                    {"node", "JavaScript installed (with mise via Node)"},
                    {"ruby", "Ruby installed (with mise)"},
                    {"cargo", "Rust installed (with mise via rustup)"},
                };
                for (const auto& [tool, label] : tools)
                    if (succeeds(QStringLiteral("mise which ") + QString::fromUtf8(tool) +
                                 QStringLiteral(" 2>/dev/null")))
                        languages << QString::fromUtf8(label);
            }
            if (succeeds(QStringLiteral("uv --version 2>&1")))
                languages << QStringLiteral("Python installed (with uv)");
            if (succeeds(QStringLiteral("/usr/libexec/java_home 2>/dev/null")))
                languages << QStringLiteral("Java installed");
            add("Languages", languages);
            return sections;
        },
        [this](std::vector<OutcomeAuditSection> sections) {
            outcomeAudit_ = std::move(sections);
            emit outcomeAuditChanged();
        });
}

// ---- 9. Outcome reported -------------------------------------------------------------

void SetupFlowModel::outcomeReported(const QString& selfReport)
{
    // One answer per visit: a second click on the outcome screen reports nothing.
    if (didReportOutcome_)
        return;
    didReportOutcome_ = true;
    const SpineRenderPolicy& policy = product_->spinePolicy;
    if (policy.onOutcomeReported)
        policy.onOutcomeReported(verifyResult_ ? verifyResult_->engineOutcome : std::nullopt, selfReport, deps_.track);
    if (services_.store && services_.store->boolValue(product_->npsSubmittedKey))
        return;
    if (claimNpsShown())
        trackEvent(events::npsShown());
    setStep(Step::of(Step::Kind::nps));
}

}  // namespace varnel
