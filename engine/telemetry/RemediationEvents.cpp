#include "engine/telemetry/RemediationEvents.h"

#include "engine/telemetry/EventText.h"

namespace varnel::events {

TrackedEvent remediationApplied(const QString& remediationID, const QString& method, const QString& loginName)
{
    return {"remediation_applied",
            {{"remediation_id", scrubbedHomePath(remediationID, loginName)}, {"method", method}}};
}

TrackedEvent remediationCompleted(const QString& remediationID, int exitCode, const QString& loginName)
{
    return {"remediation_completed",
            {{"remediation_id", scrubbedHomePath(remediationID, loginName)}, {"exit_code", exitCode}}};
}

TrackedEvent remediationFailed(const QString& remediationID, int exitCode, const QString& reason,
                               const QString& loginName)
{
    // Scrubbed before the cut, so a cut never leaves part of the name behind.
    return {"remediation_failed",
            {
                {"remediation_id", scrubbedHomePath(remediationID, loginName)},
                {"exit_code", exitCode},
                {"reason", truncatedToCharacters(scrubbedHomePath(reason, loginName), 160)},
            }};
}

TrackedEvent remediationCanceled(const QString& remediationID, const QString& loginName)
{
    return {"remediation_canceled", {{"remediation_id", scrubbedHomePath(remediationID, loginName)}}};
}

}  // namespace varnel::events
