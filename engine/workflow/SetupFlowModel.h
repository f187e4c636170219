#pragma once

#include "engine/services/AppServices.h"
#include "engine/probing/SystemProfile.h"
#include "engine/remediation/SetupRemediation.h"
#include "engine/telemetry/TrackedEvent.h"
#include "engine/workflow/ReadinessResult.h"
#include "engine/workflow/SetupProduct.h"
#include "engine/workflow/SetupTypes.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <stop_token>
#include <vector>

namespace varnel {

// Walks the user through a product's setup workflow: probe, diagnosis summary,
// readiness checks, the stages one at a time, verification, the keep-going
// gate, the optional stages, the outcome and the closing score.
//
// Lives on the UI thread. Probing, readiness, verification and the outcome
// checks run on worker threads; their results come back here before any field
// changes. The screen renders `step()` and calls the operations from its buttons.
class SetupFlowModel : public QObject {
    Q_OBJECT
public:
    struct ReadinessWarning {
        enum class Kind { network, disk };
        Kind kind = Kind::network;
        NetworkReadinessResult network;
        DiskReadinessResult disk;
        bool operator==(const ReadinessWarning&) const = default;
        static ReadinessWarning forNetwork(NetworkReadinessResult r) { return {Kind::network, std::move(r), {}}; }
        static ReadinessWarning forDisk(DiskReadinessResult r) { return {Kind::disk, {}, std::move(r)}; }
    };

    struct Step {
        enum class Kind {
            loading,
            diagnosisSummary,
            readinessWarning,
            stage,
            interstitial,
            verifying,
            keepGoingGate,
            outcome,
            nps,
        };
        Kind kind = Kind::loading;
        std::optional<ReadinessWarning> warning;  // readinessWarning
        QString domainID;                         // stage
        bool operator==(const Step&) const = default;

        static Step of(Kind kind) { return {kind, std::nullopt, {}}; }
        static Step stage(QString domainID) { return {Kind::stage, std::nullopt, std::move(domainID)}; }
        static Step readiness(ReadinessWarning w) { return {Kind::readinessWarning, std::move(w), {}}; }
    };

    struct PendingInstall {
        QString id;
        QString title;
        std::vector<SetupRemediation> remediations;
        bool continuesPastFailure = false;
    };

    struct OutcomeAuditSection {
        QString title;
        QStringList items;
        bool operator==(const OutcomeAuditSection&) const = default;
    };

    // How the progress screen ended.
    enum class InstallOutcome { success, failure, canceled };

    // What the model needs from outside besides the services; tests replace them.
    struct Dependencies {
        // A fresh profile of the Mac (blocking). Default: the system profiler.
        std::function<std::optional<SystemProfile>(const AppServices&, std::stop_token)> profileMac;
        // Hands a usage event to telemetry without waiting. Default: drops it
        // (the screen passes the environment's tracker).
        EventTracker track;
    };

    explicit SetupFlowModel(SetupProduct product, Dependencies dependencies = {}, QObject* parent = nullptr);
    ~SetupFlowModel() override;

    const SetupProduct& product() const { return *product_; }
    const std::optional<SystemProfile>& profile() const { return profile_; }
    const std::optional<SetupProbeBundle>& probes() const { return probes_; }
    const std::optional<SetupWorkflow>& workflow() const { return workflow_; }
    const Step& step() const { return step_; }
    const std::optional<SetupVerificationResult>& verifyResult() const { return verifyResult_; }
    const std::vector<OutcomeAuditSection>& outcomeAudit() const { return outcomeAudit_; }
    const std::optional<PendingInstall>& pendingInstall() const { return pendingInstall_; }
    bool npsResolved() const { return npsResolved_; }
    // The user answered the outcome question (only the first answer is reported).
    bool didReportOutcome() const { return didReportOutcome_; }
    // True while probing, readiness, verification or the outcome checks run.
    bool isBusy() const { return busy_ > 0; }

    // The workflow step of a domain, if the workflow has one.
    const WorkflowStep* stepFor(const QString& domainID) const;

    void start(const AppServices& services, const std::optional<SystemProfile>& fallbackProfile);
    void continueFromSummary();
    void continueAfterReadiness();
    void stageShown(const QString& domainID);
    void advance(const QString& from);
    void installFinished(InstallOutcome outcome);
    void offerSelected(const QString& domainID);
    void verify();
    void keepGoing();
    void buildOutcomeAudit();
    void outcomeReported(const QString& selfReport);

    // The screen's own moves: "Finish here" (outcome), the interstitial's button (verifying).
    void setStep(Step step);
    // Ignored while an install is already pending or the model is busy: one install at a time.
    void setPendingInstall(std::optional<PendingInstall> install);
    void setNpsResolved(bool resolved) { npsResolved_ = resolved; }

    // Hands a usage event to telemetry without waiting (the screen's events go this way too).
    void trackEvent(const TrackedEvent& event) const { deps_.track(event); }

    // "nps_shown" goes out at most once per process; tests reset it.
    static bool claimNpsShown();
    static void resetNpsShownForTesting();

signals:
    void stepChanged();
    void profileChanged();
    void workflowChanged();
    void verifyResultChanged();
    void outcomeAuditChanged();
    void pendingInstallChanged();
    void busyChanged();

private:
    struct Probed {
        std::optional<SystemProfile> profile;
        SetupProbeBundle probes;
        std::optional<SetupWorkflow> workflow;
    };

    // Runs on a worker thread: everything it uses is passed in, never read
    // from the model, which the screen may destroy while it runs.
    static Probed probeAndBuild(const SetupProduct& product, const Dependencies& deps, const AppServices& services,
                                std::optional<SystemProfile> keptProfile, std::stop_token stop);
    void load(bool thenShowSummary, std::optional<QString> thenAdvanceFrom);
    void applyProbed(Probed probed);
    void sendDiagnosisEvent();
    void showNextReadinessWarning();
    void goToFirst(DomainPlacement placement, Step otherwise);
    Step primaryEnd() const;
    std::optional<QString> nextAfter(const QString& domainID, DomainPlacement placement) const;

    template <typename Work, typename Then>
    void runInWorker(Work work, Then then);

    std::shared_ptr<const SetupProduct> product_;  // shared with the workers
    Dependencies deps_;
    AppServices services_;

    std::optional<SystemProfile> profile_;
    std::optional<SetupProbeBundle> probes_;
    std::optional<SetupWorkflow> workflow_;
    Step step_;
    std::optional<SetupVerificationResult> verifyResult_;
    std::vector<OutcomeAuditSection> outcomeAudit_;
    std::optional<PendingInstall> pendingInstall_;
    std::set<QString> emittedBlockedDomains_;
    bool didEmitDiagnosis_ = false;
    bool didEmitVerify_ = false;
    std::set<QString> emittedOfferDomains_;
    std::set<QString> actedOfferDomains_;
    bool npsResolved_ = false;
    bool didReportOutcome_ = false;
    std::vector<ReadinessWarning> pendingReadiness_;

    int busy_ = 0;
    std::stop_source stop_;  // stops every worker of this model when it goes away
};

}  // namespace varnel
