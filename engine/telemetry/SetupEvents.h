#pragma once

#include "engine/telemetry/TrackedEvent.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// Usage events of the setup workflow (command-line, Homebrew and Claude products).
namespace varnel::events {

// "diagnosis_reached" from the counts over the primary stages: reason
// "blocked" when any is blocked, else "fixable" when any is fixable, else "ready".
TrackedEvent setupDiagnosisReached(int fixableCount, int blockedCount, const QStringList& terminals);

// "network_check". `downMbps` (rounded to one decimal) and the estimate are
// sent only when known.
TrackedEvent networkCheck(const QString& verdict, int endpointsReachable, int endpointsTotal,
                          std::optional<double> downMbps, std::optional<int> estimatedInstallSeconds);
// "disk_space_check", gigabytes as bytes ÷ 10^9 rounded; `available_gb` only when known.
TrackedEvent diskSpaceCheck(const QString& verdict, int64_t worstCaseBytes, int64_t headroomBytes,
                            std::optional<int64_t> availableBytes);
// "network_warning_action" / "disk_warning_action": action "continue" or "stop".
TrackedEvent networkWarningAction(const QString& action, const QString& verdict);
TrackedEvent diskWarningAction(const QString& action, const QString& verdict);

// "claude_path_repaired" with the directory scrubbed of the user's name.
TrackedEvent claudePathRepaired(const QString& directory, const QString& loginName);
// "claude_desktop_installed" / "claude_cli_installed", method "brew".
TrackedEvent claudeDesktopInstalled();
TrackedEvent claudeCliInstalled();

// "verify_passed": the verifier's output trimmed and cut to 200 characters,
// and its engine outcome (empty when none).
TrackedEvent setupVerifyPassed(const QString& rawOutput, const std::optional<QString>& engineOutcome);
// "verify_failed": engine outcome (empty when none) and exit code (−1 when none).
TrackedEvent setupVerifyFailed(const std::optional<QString>& engineOutcome, std::optional<int> exitCode);

// "outcome_reported": the engine outcome, "blocked" when the verifier gave
// none, and the user's answer ("resolved", "not_resolved").
TrackedEvent outcomeReported(const std::optional<QString>& engineOutcome, const QString& selfReport);

}  // namespace varnel::events
