#pragma once

#include "engine/telemetry/TrackedEvent.h"
#include "engine/workflow/ReadinessConfig.h"
#include "engine/workflow/SetupTypes.h"

#include <QString>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <variant>
#include <vector>

namespace varnel {

struct SystemProfile;

// The product's remaining choices about how the workflow screen renders and advances.
struct SpineRenderPolicy {
    struct InterstitialScreen {
        QString windowTitle;
        QString headline;
        QString body;
        QString buttonLabel;
        std::optional<QString> disclosure;
        QString articlePath;
        bool operator==(const InterstitialScreen&) const = default;
    };

    struct OpenableApp {
        QString label;    // button text
        QString appName;  // bundle name, e.g. "Zed.app"
        bool operator==(const OpenableApp&) const = default;
    };

    struct CaskChoice {
        QString label;
        QString remediationID;
        QString accessibilityID;
        bool operator==(const CaskChoice&) const = default;
    };

    struct SpecialStageKind {
        enum class Kind {
            groupedInstall,
            caskMultiselect,
            languagesMultiselect,
            projectActions,
            skillsMultiselect,
            mcpMultiselect,
            gitActions,
        };
        Kind kind = Kind::groupedInstall;
        QString title;            // groupedInstall, caskMultiselect
        QString installID;        // groupedInstall, caskMultiselect
        QString accessibilityID;  // groupedInstall
        std::vector<CaskChoice> items;  // caskMultiselect
        bool operator==(const SpecialStageKind&) const = default;

        static SpecialStageKind groupedInstall(QString title, QString installID, QString accessibilityID)
        {
            return {Kind::groupedInstall, std::move(title), std::move(installID), std::move(accessibilityID), {}};
        }
        static SpecialStageKind caskMultiselect(QString title, QString installID, std::vector<CaskChoice> items)
        {
            return {Kind::caskMultiselect, std::move(title), std::move(installID), {}, std::move(items)};
        }
        static SpecialStageKind simple(Kind kind) { return {kind, {}, {}, {}, {}}; }
    };

    struct SpineOffer {
        QString offerID;
        QString offerSurface;
        QString eligibilityReason;
        bool operator==(const SpineOffer&) const = default;
    };

    using StageBlockedCallback = std::function<void(const QString& domainID, const SetupDiagnosis& diagnosis)>;
    // Gets the tracker the flow model was given: events go where the screen's go.
    using OutcomeReportedCallback = std::function<void(const std::optional<QString>& engineOutcome,
                                                       const QString& selfReport, const EventTracker& track)>;
    using OpenableAppsCallback = std::function<std::vector<OpenableApp>(const std::optional<SystemProfile>& profile,
                                                                        const std::optional<SetupProbeBundle>& probes)>;

    std::set<QString> summaryExcludedDomains;
    std::map<QString, SpineOffer> offers;
    std::set<QString> homebrewIndependentDomains{QStringLiteral("clt"), QStringLiteral("homebrew")};
    std::set<QString> advanceOnPartialFailureDomains;
    std::map<QString, QString> stageArticlePaths;
    QString fallbackArticlePath;
    std::optional<QString> privilegedActionReason;
    std::map<QString, QString> privilegedReasons;
    StageBlockedCallback onStageBlocked;  // empty when absent
    std::optional<InterstitialScreen> postPrimaryInterstitial;
    std::optional<NetworkReadinessConfig> networkReadiness;
    std::optional<DiskReadinessConfig> diskReadiness;
    std::map<QString, QString> remediationCaptions;
    OutcomeReportedCallback onOutcomeReported;  // empty when absent
    OpenableAppsCallback outcomeOpenableApps;   // empty when absent
    std::map<QString, SpecialStageKind> specialStages;

    // Whether a domain's actions may run while Homebrew is missing.
    bool isHomebrewIndependent(const QString& domainID) const { return homebrewIndependentDomains.count(domainID) > 0; }
};

}  // namespace varnel
