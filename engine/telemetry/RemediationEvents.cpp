#include "engine/telemetry/RemediationEvents.h"

#include "engine/telemetry/EventText.h"

namespace varnel::events {

namespace {
QString s(const char* text) { return QString::fromUtf8(text); }
}  // namespace

TrackedEvent remediationApplied(const QString& remediationID, const QString& method)
{
    return {s("remediation_applied"), {{s("remediation_id"), remediationID}, {s("method"), method}}};
}

TrackedEvent remediationCompleted(const QString& remediationID, int exitCode)
{
    return {s("remediation_completed"), {{s("remediation_id"), remediationID}, {s("exit_code"), exitCode}}};
}

TrackedEvent remediationFailed(const QString& remediationID, int exitCode, const QString& reason)
{
    return {s("remediation_failed"),
            {
                {s("remediation_id"), remediationID},
                {s("exit_code"), exitCode},
                {s("reason"), truncatedToCharacters(reason, 160)},
            }};
}

TrackedEvent remediationCanceled(const QString& remediationID)
{
    return {s("remediation_canceled"), {{s("remediation_id"), remediationID}}};
}

}  // namespace varnel::events
