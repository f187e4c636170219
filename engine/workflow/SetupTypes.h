#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace varnel {

enum class SetupDiagnosisClassification { ready, fixable, blocked, unknown };
QString toString(SetupDiagnosisClassification c);  // "ready", "fixable", "blocked", "unknown"

struct SetupDiagnosis {
    QString headline;
    QString detail;
    SetupDiagnosisClassification classification = SetupDiagnosisClassification::unknown;
    bool operator==(const SetupDiagnosis&) const = default;
};

enum class VerifyPolicy { localVerification, installCompletion };
QString toString(VerifyPolicy p);  // "localVerification", "installCompletion"

class SetupRemediation;

struct SetupAction {
    QString id;            // the remediation id, e.g. "brew:warp"
    QString displayLabel;  // button and list label
    QString caption;       // one explanatory sentence, empty when none
    VerifyPolicy verifyPolicy = VerifyPolicy::installCompletion;
    bool operator==(const SetupAction&) const = default;

    // The action a remediation offers: id, title, caption (or empty), and
    // localVerification for the PATH repairs and the two Claude installs.
    static SetupAction from(const SetupRemediation& remediation);
};

class SetupStage {
public:
    virtual ~SetupStage() = default;
    virtual QString domainID() const = 0;
    virtual SetupDiagnosis diagnosis() const = 0;
    virtual std::vector<SetupAction> actions() const = 0;
};

class BasicSetupStage final : public SetupStage {
public:
    BasicSetupStage(QString domainID, SetupDiagnosis diagnosis, std::vector<SetupAction> actions = {})
        : domainID_(std::move(domainID)), diagnosis_(std::move(diagnosis)), actions_(std::move(actions)) {}
    QString domainID() const override { return domainID_; }
    SetupDiagnosis diagnosis() const override { return diagnosis_; }
    std::vector<SetupAction> actions() const override { return actions_; }
    bool operator==(const BasicSetupStage& o) const
    {
        return domainID_ == o.domainID_ && diagnosis_ == o.diagnosis_ && actions_ == o.actions_;
    }

private:
    QString domainID_;
    SetupDiagnosis diagnosis_;
    std::vector<SetupAction> actions_;
};

// The raw facts a product's prober gathers.
struct SetupProbeBundle {
    QStringList pathVisiblePrimaryTools;
    QStringList installedPrimaryToolLocations;
    std::optional<QString> versionOutput;
    std::optional<int32_t> versionExitCode;
    bool companionToolPresent = false;
    bool shellConfigured = false;
    bool agentDocNeeded = false;
    bool projectExists = false;
    bool ghPresent = false;
    bool gitIdentitySet = false;
    bool ghAuthed = false;
    bool operator==(const SetupProbeBundle&) const = default;
};

struct SetupVerificationResult {
    QString rawOutput;
    bool passed = false;
    std::optional<int32_t> exitCode;
    std::optional<QString> engineOutcome;  // "likely_resolved" or "blocked"
    QStringList verifiedItems;
    std::map<QString, QString> details;
    bool operator==(const SetupVerificationResult&) const = default;

    // What a verifier returns when its command could not start.
    static SetupVerificationResult couldNotStart()
    {
        return {QString(), false, -1, QStringLiteral("blocked"), {}, {}};
    }
};

enum class SetupFlow { diagnose, setupWorkflow };
QString toString(SetupFlow f);

enum class DomainPlacement { primary, offer, optional };
QString toString(DomainPlacement p);

struct WorkflowStep {
    std::shared_ptr<const SetupStage> stage;
    DomainPlacement placement = DomainPlacement::primary;
};

struct SetupWorkflow {
    std::vector<WorkflowStep> steps;
};

struct SharedDomainCopy {
    struct State {
        QString headline;
        QString detail;
        bool operator==(const State&) const = default;
    };
    State cltReady, cltFixable, homebrewReady, homebrewFixable, warpReady, warpFixable;
    bool operator==(const SharedDomainCopy&) const = default;

    static SharedDomainCopy standard();
};

struct SpineScreenCopy {
    QString windowTitle;
    QString headline;
    QString body;
    std::optional<QString> footer;
    bool operator==(const SpineScreenCopy&) const = default;
};

}  // namespace varnel
