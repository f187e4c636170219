#include "engine/telemetry/EventPayload.h"

namespace varnel {

EventPayload EventPayload::make(const TelemetryEvent& event, const QString& appID, const QString& runContext)
{
    return EventPayload{TelemetryEvent::lowerCaseText(event.sessionID),
                        event.clientTimestamp,
                        event.appVersion,
                        appID,
                        runContext,
                        event.eventName,
                        event.eventData};
}

Json EventPayload::toJSON() const
{
    return Json{
        {"session_id", session_id},
        {"client_timestamp", client_timestamp},
        {"app_version", app_version},
        {"app_id", app_id},
        {"run_context", run_context},
        {"event_name", event_name},
        {"event_data", event_data},
    };
}

}  // namespace varnel
