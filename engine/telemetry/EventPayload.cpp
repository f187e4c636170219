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

JSONValue EventPayload::toJSON() const
{
    return JSONValue::Object{
        {QStringLiteral("session_id"), session_id},
        {QStringLiteral("client_timestamp"), client_timestamp},
        {QStringLiteral("app_version"), app_version},
        {QStringLiteral("app_id"), app_id},
        {QStringLiteral("run_context"), run_context},
        {QStringLiteral("event_name"), event_name},
        {QStringLiteral("event_data"), event_data},
    };
}

}  // namespace varnel
