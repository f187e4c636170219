#pragma once

#include "engine/telemetry/TrackedEvent.h"

#include <QString>

// Usage events of a remediation (a setup action, or a fix of the Java medic
// catalogue), by its identifier and method label.
namespace varnel::events {

// "remediation_applied"
TrackedEvent remediationApplied(const QString& remediationID, const QString& method);
// "remediation_completed"
TrackedEvent remediationCompleted(const QString& remediationID, int exitCode);
// "remediation_failed"; the reason is cut to 160 characters.
TrackedEvent remediationFailed(const QString& remediationID, int exitCode, const QString& reason);
// "remediation_canceled"
TrackedEvent remediationCanceled(const QString& remediationID);

}  // namespace varnel::events
