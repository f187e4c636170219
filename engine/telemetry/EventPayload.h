#pragma once

#include "engine/telemetry/Json.h"
#include "engine/telemetry/TelemetryEvent.h"

#include <QString>

namespace varnel {

// The wire form of one event, built when it is sent. Its JSON object has
// exactly these snake-case keys, in this order.
struct EventPayload {
    QString session_id;  // lower-case canonical UUID text
    QString client_timestamp;
    QString app_version;
    QString app_id;
    QString run_context;
    QString event_name;
    Json event_data;

    static EventPayload make(const TelemetryEvent& event, const QString& appID, const QString& runContext);
    Json toJSON() const;
};

}  // namespace varnel
