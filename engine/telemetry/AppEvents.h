#pragma once

#include "engine/probing/SystemProfile.h"
#include "engine/telemetry/TrackedEvent.h"

#include <QString>
#include <QUrl>

#include <optional>

// Usage events of the application shell, consent and the staged audit.
namespace varnel::events {

// "app_launched": the profile summary, or empty data when there is no profile.
TrackedEvent appLaunched(const std::optional<SystemProfile>& profile);
// "consent_given"
TrackedEvent consentGiven();
// "app_opened" with the application's name: "/Applications/Zed.app" and "Zed.app" both give "Zed".
TrackedEvent appOpened(const QString& applicationPath);

// "audit_reached". `entry` is the AuditEntry's wire value ("heuristic", "build_intent", …).
TrackedEvent auditReached(const SystemProfile& profile, const QString& entry);
// "audit_gated"
TrackedEvent auditGated(bool likelyDeveloper);
// "audit_stage_outcome": "rendered", "skipped_already_ok" or "skipped_missing_blocked".
TrackedEvent auditStageOutcome(const QString& stageID, const QString& outcome);
// "audit_stage_skipped_by_user"
TrackedEvent auditStageSkippedByUser(const QString& stageID);
// "audit_outbound_clicked"
TrackedEvent auditOutboundClicked(const QString& tool, const QUrl& url);

}  // namespace varnel::events
