#pragma once

#include "engine/telemetry/TrackedEvent.h"

#include <QString>

// Usage events of a remediation (a setup action, or a fix of the Java medic
// catalogue), by its identifier and method label. Identifiers and reasons can
// carry a path ("path-repair:/Users/ana/.local/bin"), so both leave with the
// user's home prefix scrubbed (`loginName`: see currentLoginName()).
namespace varnel::events {

// "remediation_applied"
TrackedEvent remediationApplied(const QString& remediationID, const QString& method, const QString& loginName);
// "remediation_completed"
TrackedEvent remediationCompleted(const QString& remediationID, int exitCode, const QString& loginName);
// "remediation_failed"; the reason is cut to 160 characters.
TrackedEvent remediationFailed(const QString& remediationID, int exitCode, const QString& reason,
                               const QString& loginName);
// "remediation_canceled"
TrackedEvent remediationCanceled(const QString& remediationID, const QString& loginName);

}  // namespace varnel::events
